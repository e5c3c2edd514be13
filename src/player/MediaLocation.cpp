#include "MediaLocation.h"

#include <QFile>
#include <QUrl>
#include <sys/stat.h>

namespace {

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool startsWithScheme(const QString &location, QStringView scheme)
{
    return location.startsWith(scheme, Qt::CaseInsensitive);
}

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":".
bool hasScheme(const QString &location)
{
    const qsizetype colon = location.indexOf(u':');
    if (colon < 1 || !isAsciiLetter(location[0]))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = location[i];
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

// stat() follows symbolic links: a link to a regular file is that file. A
// NUL would cut the path short of what was asked for.
bool isRegularFile(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && !path.contains(QChar(0)) && ::stat(QFile::encodeName(path).constData(), &st) == 0
           && S_ISREG(st.st_mode);
}

// The local path of a file: URL on this machine, or nothing.
QString localPathOfFileUrl(const QString &location)
{
    const QUrl url(location, QUrl::StrictMode);
    if (!url.isValid() || (!url.host().isEmpty() && url.host().compare(u"localhost", Qt::CaseInsensitive) != 0))
        return QString();
    const QString path = url.path(QUrl::FullyDecoded);
    return path.startsWith(u'/') ? path : QString();
}

} // namespace

MediaLocation MediaLocation::of(const QString &location)
{
    MediaLocation m;
    if (startsWithScheme(location, u"http://") || startsWithScheme(location, u"https://")) {
        m.kind = Kind::Web;
        return m;
    }
    const QString path = startsWithScheme(location, u"file:") ? localPathOfFileUrl(location)
                         : hasScheme(location)                 ? QString()
                                                               : location;
    if (isRegularFile(path)) {
        m.kind = Kind::LocalFile;
        m.localPath = path;
    }
    return m;
}
