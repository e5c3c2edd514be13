// The registration of the user's own songs and the hidden maintenance menu
// of the current playlist, with the clean-up mode's side of the tick.
#include "MainWindow.h"

#include "Maintenance.h"
#include "MessageBox.h"
#include "PlaylistPanel.h"
#include "RegistrationDialog.h"

#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSaveFile>

using namespace kalvuno;

void TFo_Kalvuno::createRegistrationMenu()
{
    MF_Regist = MF_File->addAction(QStringLiteral("コンテンツの登録(&R)..."));
    MF_Regist->setObjectName(QStringLiteral("MF_Regist"));
    connect(MF_Regist, &QAction::triggered, this, &TFo_Kalvuno::MF_RegistClick);
}

void TFo_Kalvuno::MF_RegistClick()
{
    if (workOnStack())
        return;
    int result = QDialog::Rejected;
    {
        TFo_Regist dialog(songListPath(), *m_config, m_transport, [this] { return m_closing; }, this);
        result = dialog.exec();
    }
    if (m_closing || result != QDialog::Accepted)
        return;
    // The test: the song list becomes the current playlist and plays, the
    // private songs too (their Open key means nothing there).
    m_playback.StopPlayback();
    m_playlistPanel->FreeCurrentList();
    QFile source(songListPath());
    if (source.open(QIODevice::ReadOnly)) {
        QSaveFile target(m_paths.currentList);
        if (target.open(QIODevice::WriteOnly)) {
            target.write(source.readAll());
            target.commit();
        }
    }
    m_playlistPanel->LoadCurrentList(-1, true);
    m_playback.PlaySelectedEntry();
    Pa_ChangeList(2);
}

void TFo_Kalvuno::createMaintenanceMenu()
{
    // Only a service other than the default one (a test or development
    // server) is ever maintained from here.
    if (m_service.host == defaultServiceHost() || PM_Mente)
        return;
    PM_Mente = new QMenu(this);
    PM_Mente->setObjectName(QStringLiteral("PM_Mente"));
    const auto item = [this](const char *name, const QString &caption, auto handler) {
        QAction *a = PM_Mente->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    MZ_Hide = item("MZ_Hide", QStringLiteral("Hide"), [this] { MZ_HideClick(false); });
    MZ_HideAll = item("MZ_HideAll", QStringLiteral("HideAll"), [this] { MZ_HideClick(true); });
    MZ_NoFile = item("MZ_NoFile", QStringLiteral("NoFile"), &TFo_Kalvuno::MZ_NoFileClick);
    MZ_Cleanup = item("MZ_Cleanup", QStringLiteral("Cleanup"), &TFo_Kalvuno::MZ_CleanupClick);
    MZ_Cleanup->setCheckable(true);
    connect(PM_Mente, &QMenu::aboutToShow, this, [this] {
        const bool selected = m_playlist.selected() >= 0;
        for (QAction *a : {MZ_Hide, MZ_HideAll, MZ_NoFile})
            a->setEnabled(selected);
    });
    QListView *list = m_playlistPanel->LB_Play;
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint &at) { PM_Mente->popup(list->viewport()->mapToGlobal(at)); });
}

void TFo_Kalvuno::MZ_HideClick(bool all)
{
    const int line = m_playlist.selected();
    if (line < 0 || workOnStack())
        return;
    sendMaintenanceRequest(m_transport, hideRequestUrl(m_service.baseUrl, m_playlist.value(line, u"Home"),
                                                       m_playlist.value(line, u"MP3"), all));
}

void TFo_Kalvuno::MZ_NoFileClick()
{
    const QString key = m_playlist.selectedKey();
    if (key.isEmpty() || workOnStack())
        return;
    sendMaintenanceRequest(m_transport, noFileRequestUrl(m_service.baseUrl, key, false));
}

void TFo_Kalvuno::MZ_CleanupClick()
{
    m_playback.cleanupMode = !m_playback.cleanupMode;
    MZ_Cleanup->setChecked(m_playback.cleanupMode);
}

void TFo_Kalvuno::showOpenWait(int ms) { m_playlistPanel->La_PlayList->setText(QString::number(ms)); }

void TFo_Kalvuno::cleanupEntryEnded(const QString &key, bool report)
{
    if (report) {
        if (m_cleanup.log(key) == CleanupRun::LogResult::FirstFailure) {
            messagebox::showWriteError(this, m_cleanup.logPath());
            if (m_closing)
                return;
        }
        sendMaintenanceRequest(m_transport, noFileRequestUrl(m_service.baseUrl, key, true));
        if (m_closing)
            return;
    }
    m_cleanup.count(report);
    M_Help->setTitle(m_cleanup.caption());
}
