#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

// The web view as the window knows it. The view itself lives in the browser
// module (libkalvuno_browser.so), which brings the web engine with it: a
// program that shows no web pages never loads either. Only this header is
// shared by the program and the module, so a change to it is a change of
// kBrowserModuleVersion.
class BrowserPane
{
public:
    virtual ~BrowserPane() = default;

    // The view, owned by the parent it was made with.
    virtual QWidget *widget() = 0;
    // Navigate: nothing when url is the page shown; a busy load is stopped;
    // the not-found fallback is armed.
    virtual void navigate(const QUrl &url) = 0;
    // Straight there, without the fallback (the start page, help).
    virtual void showDirectly(const QUrl &url) = 0;
    virtual QUrl location() const = 0;
    virtual bool isBusy() const = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual void stopLoading() = 0;
    virtual void reloadPage() = 0;

    // News from the page, on the user-interface thread; each may be empty.
    // A media link was followed and cancelled; addEntry tells whether the
    // user asked for it, so that it becomes an entry of the playlist.
    std::function<void(const QUrl &url, bool addEntry)> onMediaLinkFollowed;
    // Back, forward or the busy state changed.
    std::function<void()> onCommandStateChanged;
    // The page started a download; the view has cancelled it.
    std::function<void(const QUrl &url)> onDownloadRequested;
};

inline constexpr int kBrowserModuleVersion = 2;

// What the module's one exported function, kalvunoBrowserModule(), returns.
struct BrowserModuleEntry
{
    // kBrowserModuleVersion of the module's build: a module left from another
    // build is refused rather than called through a different layout.
    int version = 0;
    // Settings the web engine needs before the application object exists;
    // returns whether the web view draws with OpenGL.
    bool (*prepareWebEngine)() = nullptr;
    // profileFolder ends with "/"; notFoundPage is the local page shown when
    // a navigation the program started fails.
    BrowserPane *(*createPane)(const QString &profileFolder, const QString &notFoundPage, QWidget *parent) = nullptr;
};

using BrowserModuleFunction = const BrowserModuleEntry *(*)();
inline constexpr char kBrowserModuleFunction[] = "kalvunoBrowserModule";
