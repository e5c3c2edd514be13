#pragma once

#include <QUrl>
#include <functional>

// The desktop's default browser, for what the embedded one does not do
// (downloads, "open in the standard browser").
class ExternalBrowser
{
public:
    // Hands a URL to the desktop's default browser; tests replace it.
    static std::function<bool(const QUrl &)> openExternally;
    // Only web pages leave the program that way.
    static bool open(const QUrl &url);
};
