#include "BrowserRules.h"

namespace kalvuno {

QString linkExtension(QStringView url)
{
    qsizetype at = -1;
    for (qsizetype i = url.size() - 1; i >= 0; --i) {
        const QChar c = url[i];
        if (c == u'.' || c == u'\\' || c == u':') {
            at = i;
            break;
        }
    }
    if (at < 0 || url[at] != u'.')
        return QString();
    return url.sliced(at).toString().toLower();
}

bool isMediaLink(QStringView url)
{
    const QString ext = linkExtension(url);
    for (const char16_t *kind : { u".mp3", u".wav", u".mpg", u".mid" }) {
        if (ext.contains(QStringView(kind)))
            return true;
    }
    return false;
}

QString mediaLinkTitle(const QString &url)
{
    const qsizetype slash = url.lastIndexOf(u'/');
    return slash < 0 ? url : url.mid(slash + 1);
}

QUrl webAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QUrl();
    const QUrl url = QUrl::fromUserInput(trimmed);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return QUrl();
    return url;
}

namespace {

    QUrl normalised(const QUrl &url)
    {
        QUrl n = url.adjusted(QUrl::NormalizePathSegments);
        if (n.path().isEmpty() && !n.host().isEmpty())
            n.setPath(QStringLiteral("/"));
        return n;
    }

} // namespace

bool isSameLocation(const QUrl &a, const QUrl &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return normalised(a).toString(QUrl::FullyEncoded) == normalised(b).toString(QUrl::FullyEncoded);
}

QString addressBoxText(const QUrl &location)
{
    const QString text = location.toString();
    return text.contains(QStringLiteral("file://"), Qt::CaseInsensitive) ? QString() : text;
}

bool NavigationOrigin::userStarted(NavigationKind kind, bool mainFrame)
{
    if (!mainFrame)
        return false;
    switch (kind) {
    case NavigationKind::Redirect:
        return m_lastMainFrameByUser;
    case NavigationKind::Other:
        m_lastMainFrameByUser = false;
        return false;
    default:
        m_lastMainFrameByUser = true;
        return true;
    }
}

} // namespace kalvuno

namespace kalvuno {

void NotFoundWatch::arm(const QUrl &target, const QUrl &leaving)
{
    m_armed = true;
    m_target = target;
    m_leaving = leaving;
}

bool NotFoundWatch::loadEnded(const QUrl &url, bool ok, const QUrl &notFoundPage)
{
    if (!m_armed || (isSameLocation(url, m_leaving) && !isSameLocation(url, m_target)))
        return false;
    m_armed = false;
    return !ok && !isSameLocation(m_target, notFoundPage);
}

} // namespace kalvuno
