#include "BrowserView.h"

#include "BrowserPage.h"

#include <QAction>
#include <QCoreApplication>
#include <QStatusTipEvent>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>

using namespace kalvuno;

BrowserView::BrowserView(const QString &profileFolder, const QString &notFoundPage, QWidget *parent)
    : QWebEngineView(parent)
    , m_notFoundPage(QUrl::fromLocalFile(notFoundPage))
{
    setObjectName(QStringLiteral("WB_Browser"));
    setAccessibleName(QStringLiteral("ブラウザ"));
    m_profile = new QWebEngineProfile(QStringLiteral("kalvuno"), this);
    m_profile->setPersistentStoragePath(profileFolder + QStringLiteral("browser/storage"));
    m_profile->setCachePath(profileFolder + QStringLiteral("browser/cache"));
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    m_profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &BrowserView::onDownload);

    m_page = new BrowserPage(m_profile, this);
    setPage(m_page);
    connect(m_page, &BrowserPage::mediaLinkFollowed, this, [this](const QUrl &url, bool addEntry) {
        if (onMediaLinkFollowed)
            onMediaLinkFollowed(url, addEntry);
    });
    // Each load reports its own start and end with its URL; loadStarted and
    // loadFinished say nothing of a load that replaced a busy one.
    connect(m_page, &QWebEnginePage::loadingChanged, this, &BrowserView::onLoadingChanged);
    for (const QWebEnginePage::WebAction a : { QWebEnginePage::Back, QWebEnginePage::Forward })
        connect(m_page->action(a), &QAction::changed, this, &BrowserView::commandStateChanged);
    // The link under the pointer is the browser's hint: it goes to the status
    // bar the way every control's hint does.
    connect(m_page, &QWebEnginePage::linkHovered, this, &BrowserView::showHint);
    // A new page has no link under the pointer yet, whatever the old one had.
    connect(m_page, &QWebEnginePage::urlChanged, this, [this] {
        if (!statusTip().isEmpty())
            showHint(QString());
    });
}

BrowserView::~BrowserView()
{
    // Whoever set the hooks may be going too: the page's last news goes nowhere.
    onMediaLinkFollowed = nullptr;
    onCommandStateChanged = nullptr;
    onDownloadRequested = nullptr;
    // The page must go before its profile.
    delete m_page;
}

bool BrowserView::canGoBack() const
{
    return m_page->action(QWebEnginePage::Back)->isEnabled();
}

bool BrowserView::canGoForward() const
{
    return m_page->action(QWebEnginePage::Forward)->isEnabled();
}

void BrowserView::commandStateChanged()
{
    if (onCommandStateChanged)
        onCommandStateChanged();
}

void BrowserView::showHint(const QString &text)
{
    setStatusTip(text);
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(this, &tip);
}

void BrowserView::navigate(const QUrl &url)
{
    if (!url.isValid() || isSameLocation(url, this->url()))
        return;
    if (m_busy)
        stop();
    m_watch.arm(url, this->url());
    load(url);
}

void BrowserView::showDirectly(const QUrl &url)
{
    load(url);
}

void BrowserView::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    m_busy = info.status() == QWebEngineLoadingInfo::LoadStartedStatus;
    commandStateChanged();
    if (m_busy)
        return;
    if (m_watch.loadEnded(info.url(), info.status() == QWebEngineLoadingInfo::LoadSucceededStatus, m_notFoundPage))
        navigate(m_notFoundPage);
}

void BrowserView::onDownload(QWebEngineDownloadRequest *download)
{
    // The engine has no download dialog of its own: downloads are the
    // desktop browser's business, which the window hands them to.
    const QUrl url = download->url();
    download->cancel();
    if (onDownloadRequested)
        onDownloadRequested(url);
}
