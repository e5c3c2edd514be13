// The main window's part in the browser pane: making the view, the program's
// navigation, media links followed in the page, playing all links of a page,
// the address box and help.
#include "MainWindow.h"

#include "BrowserBar.h"
#include "BrowserModule.h"
#include "BrowserRules.h"
#include "ExternalBrowser.h"
#include "MessageBox.h"
#include "PageScan.h"
#include "PlaylistPanel.h"
#include "ProfilePaths.h"

#include <QHBoxLayout>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

using namespace kalvuno;

namespace {

constexpr int kBrowserWaitsMax = 100;

QString localPage(const char *name)
{
    return dataFolder() + QString::fromLatin1(name);
}

} // namespace

void TFo_Kalvuno::createBrowser()
{
    if (WB_Browser || m_closing)
        return;
    // Starting the engine takes a moment: the window paints first. A window
    // that stays hidden (started minimised) gets its browser after a while.
    if (!(windowHandle() && windowHandle()->isExposed()) && ++m_browserWaits < kBrowserWaitsMax) {
        QTimer::singleShot(20, this, &TFo_Kalvuno::createBrowser);
        return;
    }
    BrowserModule &module = m_browserModule ? *m_browserModule : BrowserModule::shared();
    const BrowserModuleEntry *entry = module.load();
    if (!entry) {
        // The rest of the program works as it does without the web view;
        // the user is told once why the pane stays empty.
        m_browserEnabled = false;
        statusBar()->showMessage(QStringLiteral("ブラウザ部品 (%1) を読み込めないため、Web ページは表示できません")
                                     .arg(BrowserModule::fileName()));
        return;
    }
    WB_Browser = entry->createPane(m_paths.profile, localPage("notfound.html"), m_browserArea);
    auto *fill = new QHBoxLayout(m_browserArea);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(WB_Browser->widget());
    m_browserBar->attach(WB_Browser);
    findChild<QToolBar *>(QStringLiteral("BrowserBar"))->show();
    WB_Browser->onMediaLinkFollowed
        = [this](const QUrl &url, bool addEntry) { WB_BrowserBeforeNavigate2(url, addEntry); };
    WB_Browser->onDownloadRequested = [this](const QUrl &url) {
        const bool handed = ExternalBrowser::open(url);
        statusBar()->showMessage(handed ? QStringLiteral("%1 を標準のブラウザでダウンロードします").arg(url.toString())
                                        : QStringLiteral("%1 はダウンロードできません").arg(url.toString()),
            5000);
    };
    // The start page, straight there: a service that is not up yet shows
    // the engine's own error page, not the not-found page.
    WB_Browser->showDirectly(QUrl(m_playback.homePage));
}

void TFo_Kalvuno::navigate(const QString &url)
{
    // Only web pages: an address that is none leaves the browser where it is.
    if (WB_Browser)
        WB_Browser->navigate(webAddress(url));
}

void TFo_Kalvuno::Bu_GoClick(const QString &address)
{
    navigate(address);
}

void TFo_Kalvuno::MH_ContentsClick()
{
    if (WB_Browser)
        WB_Browser->showDirectly(QUrl::fromLocalFile(localPage("index.html")));
}

void TFo_Kalvuno::Bu_BrowserClick()
{
    if (!WB_Browser)
        return;
    QString url = WB_Browser->location().toString();
    SubstituteAddress(url);
    ExternalBrowser::open(QUrl(url));
}

void TFo_Kalvuno::syncAddressBox()
{
    if (WB_Browser)
        m_browserBar->showLocation(addressBoxText(WB_Browser->location()));
}

void TFo_Kalvuno::WB_BrowserBeforeNavigate2(const QUrl &url, bool addEntry)
{
    // Every media navigation is cancelled; only what the user followed in the
    // page itself becomes an entry.
    if (!addEntry || m_closing)
        return;
    if (!AddMediaLink(url.toString(), WB_Browser->location().toString())) {
        messagebox::showWriteError(this, m_paths.currentList);
        return;
    }
    m_playlistPanel->refresh();
    m_playback.pending = { PendingListAction::PlayLast, QString() };
}

bool TFo_Kalvuno::AddMediaLink(const QString &url, const QString &home)
{
    if (!m_playlist.isOpen())
        return true;
    return m_playlist.appendEntry(url,
        { { QStringLiteral("Title"), mediaLinkTitle(url) }, { QStringLiteral("Artist"), QStringLiteral("Unknown") },
            { QStringLiteral("MP3"), url }, { QStringLiteral("Home"), home } });
}

void TFo_Kalvuno::Bu_PlayClick()
{
    if (!WB_Browser)
        return;
    const QString page = WB_Browser->location().toString();
    QByteArray body;
    QByteArray contentType;
    // Only web pages are fetched; a failed fetch leaves the playlist alone.
    if (webAddress(page).isEmpty() || !m_transport.GetPage(body, contentType, page) || m_closing)
        return;
    const QStringList links = scanMediaLinks(decodePageText(body, contentType).split(u'\n'), page);
    m_playlist.clear();
    bool written = true;
    {
        IniBatch batch(*m_playlist.file());
        for (const QString &link : links)
            AddMediaLink(link, page);
        written = batch.commit();
    }
    if (!written) {
        // What is in the file is what the list shows.
        m_playlistPanel->LoadCurrentList(-1, false);
        messagebox::showWriteError(this, m_paths.currentList);
        if (m_closing)
            return;
    }
    m_playlistPanel->refresh();
    Pa_ChangeList(2);
    m_playback.pending = { PendingListAction::PlayFirst, QString() };
}
