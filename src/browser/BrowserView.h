#pragma once

#include "BrowserRules.h"

#include <QUrl>
#include <QWebEngineView>
#include <functional>

class BrowserPage;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEngineProfile;

// WB_Browser: the embedded browser with its persistent profile (cookies and
// cache under the profile folder survive restarts), the program's one way of
// sending it somewhere (navigate) and the not-found fallback.
class BrowserView : public QWebEngineView
{
    Q_OBJECT
public:
    // profileFolder ends with "/"; notFoundPage is the local page shown when
    // a navigation the program started fails.
    BrowserView(const QString &profileFolder, const QString &notFoundPage, QWidget *parent = nullptr);
    ~BrowserView() override;

    // Navigate: nothing when url is the page shown; a busy load is stopped;
    // the not-found fallback is armed.
    void navigate(const QUrl &url);
    // Straight there, without the fallback (the start page, help).
    void showDirectly(const QUrl &url);
    bool isBusy() const { return m_busy; }
    QWebEngineProfile *profile() const { return m_profile; }

    // Hands a URL to the desktop's default browser; tests replace it.
    static std::function<bool(const QUrl &)> openExternally;
    // Only web pages leave the program that way.
    static bool openInDefaultBrowser(const QUrl &url);

signals:
    void mediaLinkFollowed(const QUrl &url, bool addEntry);
    // Back, forward or the busy state changed.
    void commandStateChanged();
    // A download the page started went to the default browser (or could not).
    void downloadHandedOver(const QUrl &url, bool handed);

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void showHint(const QString &text);
    void onDownload(QWebEngineDownloadRequest *download);

    QWebEngineProfile *m_profile = nullptr;
    BrowserPage *m_page = nullptr;
    QUrl m_notFoundPage;
    kalvuno::NotFoundWatch m_watch;
    bool m_busy = false;
};
