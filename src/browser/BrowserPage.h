#pragma once

#include "BrowserRules.h"

#include <QWebEnginePage>

// The page of WB_Browser: every navigation, of the main frame and of frames,
// passes the media-link rule first. Links that would open a new window load
// in this page instead, after the same rule; the program opens no pop-ups.
class BrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile *profile, QObject *parent);

signals:
    // A media link was followed and cancelled; addEntry tells whether the
    // user asked for it, so that it becomes an entry of the playlist.
    void mediaLinkFollowed(const QUrl &url, bool addEntry);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    friend class NewWindowCatcher;
    // True when url is a media link, which is then reported and cancelled.
    bool checkMediaLink(const QUrl &url, bool addEntry);

    kalvuno::NavigationOrigin m_origin;
};

// Stands in for the new window a page asked for: its first navigation goes
// through the media-link rule and, when it is no media link, loads in the
// main page. It then goes away.
class NewWindowCatcher : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit NewWindowCatcher(BrowserPage *owner);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    BrowserPage *m_owner;
    bool m_done = false;
};
