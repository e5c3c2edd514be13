#pragma once

#include "BrowserPane.h"
#include "BrowserRules.h"

#include <QUrl>
#include <QWebEngineView>

class BrowserPage;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEngineProfile;

// WB_Browser: the embedded browser with its persistent profile (cookies and
// cache under the profile folder survive restarts), the program's one way of
// sending it somewhere (navigate) and the not-found fallback. It lives in the
// browser module; the window sees it as a BrowserPane.
class BrowserView : public QWebEngineView, public BrowserPane
{
    Q_OBJECT
public:
    // profileFolder ends with "/"; notFoundPage is the local page shown when
    // a navigation the program started fails.
    BrowserView(const QString &profileFolder, const QString &notFoundPage, QWidget *parent = nullptr);
    ~BrowserView() override;

    QWidget *widget() override { return this; }
    void navigate(const QUrl &url) override;
    void showDirectly(const QUrl &url) override;
    QUrl location() const override { return QWebEngineView::url(); }
    bool isBusy() const override { return m_busy; }
    bool canGoBack() const override;
    bool canGoForward() const override;
    void goBack() override { back(); }
    void goForward() override { forward(); }
    void stopLoading() override { stop(); }
    void reloadPage() override { reload(); }
    QWebEngineProfile *profile() const { return m_profile; }

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void commandStateChanged();
    void showHint(const QString &text);
    void onDownload(QWebEngineDownloadRequest *download);

    QWebEngineProfile *m_profile = nullptr;
    BrowserPage *m_page = nullptr;
    QUrl m_notFoundPage;
    kalvuno::NotFoundWatch m_watch;
    bool m_busy = false;
};
