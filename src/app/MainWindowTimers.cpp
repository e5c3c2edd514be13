// The main window's on-timer and off-timer: their menus, their steps of the
// tick, and what the on-timer starts.
#include "MainWindow.h"

#include "MessageBox.h"
#include "PlaylistPanel.h"
#include "SettingsDialog.h"
#include "TPlay.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

using namespace kalvuno;

void TFo_Kalvuno::createTimerMenus(QMenu *settings)
{
    MS_OnTimer = settings->addMenu(QStringLiteral("オンタイマー(&O)"));
    MS_OnTimer->setObjectName(QStringLiteral("MS_OnTimer"));
    MSO_ON = MS_OnTimer->addAction(QStringLiteral("ON(&O)"));
    MSO_ON->setObjectName(QStringLiteral("MSO_ON"));
    MSO_ON->setCheckable(true);
    connect(MSO_ON, &QAction::triggered, this, &TFo_Kalvuno::MSO_ONClick);
    MS_OnTimer->addSeparator();
    QAction *setup = MS_OnTimer->addAction(QStringLiteral("オンタイマーの設定(&S)..."));
    setup->setObjectName(QStringLiteral("MSO_Setup"));
    connect(setup, &QAction::triggered, this, &TFo_Kalvuno::MSO_SetupClick);

    MS_OffTimer = settings->addMenu(QStringLiteral("オフタイマー(&F)"));
    MS_OffTimer->setObjectName(QStringLiteral("MS_OffTimer"));
    const struct
    {
        const char *name;
        QString caption;
        uint32_t tag;
    } items[] = {{"MSF_ON", QStringLiteral("ON(&O)"), 0},
                 {"MSF_30", QStringLiteral("30分(&t)"), 1800000},
                 {"MSF_60", QStringLiteral("60分(&6)"), 3600000},
                 {"MSF_90", QStringLiteral("90分(&9)"), 5400000},
                 {"MSF_120", QStringLiteral("120分(&1)"), 7200000}};
    for (const auto &item : items) {
        QAction *a = MS_OffTimer->addAction(item.caption);
        a->setObjectName(QString::fromLatin1(item.name));
        a->setData(item.tag);
        connect(a, &QAction::triggered, this, [this, tag = item.tag] { MS_OffTimerClick(tag); });
        if (item.tag == 0) {
            MSF_ON = a;
            a->setCheckable(true);
            MS_OffTimer->addSeparator();
        }
    }
}

void TFo_Kalvuno::MS_OffTimerClick(uint32_t tag) { m_offTimer.menuClick(tag); }

void TFo_Kalvuno::MSO_ONClick()
{
    m_onTimerEnabled = !m_onTimerEnabled;
    checkWrite(m_config->write(keys::OnTimer_ON, m_onTimerEnabled));
}

void TFo_Kalvuno::checkTimers()
{
    // Expiry only stops the player; the program goes on running.
    if (m_offTimer.expire())
        m_playback.StopPlayback();
    if (!m_onTimerEnabled)
        return;
    // The check has already taken this moment as seen, so the ticks inside a
    // message box the start opens cannot fire the timer again.
    if (m_onTimerCheck.check(QDateTime::currentDateTime(), m_onTimerSettings.time))
        RunOnTimer(m_onTimerSettings, *this, m_offTimer);
}

void TFo_Kalvuno::updateTimerMenus()
{
    if (MSF_ON->isChecked() != m_offTimer.armed())
        MSF_ON->setChecked(m_offTimer.armed());
    const QString caption = m_offTimer.caption();
    if (MSF_ON->text() != caption)
        MSF_ON->setText(caption);
    if (MSO_ON->isChecked() != m_onTimerEnabled)
        MSO_ON->setChecked(m_onTimerEnabled);
}

bool TFo_Kalvuno::isPlayingOrPaused() const
{
    const auto player = m_playback.player();
    return player && player->State > 0;
}

void TFo_Kalvuno::playFirstEntry()
{
    if (m_playlist.count() == 0)
        return;
    m_playlist.select(0);
    m_playlistPanel->refresh();
    m_playback.PlaySelectedEntry();
}

void TFo_Kalvuno::MSO_SetupClick() { OpenSetupDialog(1); }

void TFo_Kalvuno::MF_ConfigClick() { OpenSetupDialog(0); }

void TFo_Kalvuno::OpenSetupDialog(int page)
{
    TFo_Setup dialog(*m_config, {m_onTimerEnabled, m_onTimerSettings, m_playback.browseOnPlay}, this);
    dialog.StartPage = page;
    dialog.Co_Favorite->addItems(names(0));
    dialog.Co_Playlist->addItems(names(1));
    dialog.exec();
}
