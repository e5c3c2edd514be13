#include "BrowserPage.h"

#include <QTimer>

using namespace kalvuno;

namespace {

NavigationKind kindOf(QWebEnginePage::NavigationType type)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeLinkClicked:
        return NavigationKind::LinkClicked;
    case QWebEnginePage::NavigationTypeTyped:
        return NavigationKind::Typed;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return NavigationKind::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward:
        return NavigationKind::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return NavigationKind::Reload;
    case QWebEnginePage::NavigationTypeRedirect:
        return NavigationKind::Redirect;
    case QWebEnginePage::NavigationTypeOther:
        break;
    }
    return NavigationKind::Other;
}

} // namespace

BrowserPage::BrowserPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
}

bool BrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    const bool byUser = m_origin.userStarted(kindOf(type), isMainFrame);
    return !checkMediaLink(url, byUser);
}

bool BrowserPage::checkMediaLink(const QUrl &url, bool addEntry)
{
    if (!isMediaLink(url.toString()))
        return false;
    emit mediaLinkFollowed(url, addEntry);
    return true;
}

QWebEnginePage *BrowserPage::createWindow(WebWindowType)
{
    return new NewWindowCatcher(this);
}

NewWindowCatcher::NewWindowCatcher(BrowserPage *owner)
    : QWebEnginePage(owner->profile(), owner)
    , m_owner(owner)
{
    // A window.open() that never navigates must not leave the page behind.
    QTimer::singleShot(10000, this, &QObject::deleteLater);
}

bool NewWindowCatcher::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (m_done || !isMainFrame)
        return false;
    m_done = true;
    // The new window stands for the page that opened it, as if the link had
    // been followed there. A script's window.open() without a click adds nothing.
    const NavigationKind kind = kindOf(type);
    const bool byUser = kind != NavigationKind::Other && kind != NavigationKind::Redirect;
    if (!m_owner->checkMediaLink(url, byUser)) {
        // Not from inside the engine's own callback.
        QTimer::singleShot(0, m_owner, [owner = m_owner, url] { owner->setUrl(url); });
    }
    deleteLater();
    return false;
}
