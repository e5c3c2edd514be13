#include "ExternalBrowser.h"

#include <QDesktopServices>

std::function<bool(const QUrl &)> ExternalBrowser::openExternally
    = [](const QUrl &url) { return QDesktopServices::openUrl(url); };

bool ExternalBrowser::open(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https"))
        return false;
    return openExternally(url);
}
