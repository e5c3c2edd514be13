#include "PageScan.h"

#include "TextCodec.h"

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <QUrl>

namespace kalvuno {

namespace {

    // Longest tail of the line kept after each "href=".
    constexpr qsizetype kHrefTail = 1000;

    // The link of one line, unresolved; empty when the line has none that qualifies.
    QString linkOfLine(const QString &line)
    {
        const QString lower = line.toLower();
        const qsizetype p = lower.indexOf(QStringLiteral(".mp3"));
        if (p < 0)
            return QString();
        const QStringView after = QStringView(line).sliced(p + 4);
        if (!after.startsWith(u'>') && !after.startsWith(u"\">"))
            return QString();
        QString s = line.left(p + 4);
        for (qsizetype at; (at = s.indexOf(QStringLiteral("href="), 0, Qt::CaseInsensitive)) >= 0;)
            s = s.mid(at + 5, kHrefTail);
        if (s.startsWith(u'"'))
            s.remove(0, 1);
        return s;
    }

    bool rejected(const QString &s)
    {
        if (s.count(u'/') < 3)
            return true;
        for (const char16_t *bad : { u".cgi", u"<", u">", u"*", u"=", u"＊" }) {
            if (s.contains(QStringView(bad)))
                return true;
        }
        return false;
    }

} // namespace

QStringList scanMediaLinks(const QStringList &lines, const QString &pageUrl, int cap)
{
    const QUrl base(pageUrl);
    QStringList links;
    for (const QString &line : lines) {
        if (links.size() >= cap)
            break;
        const QString link = linkOfLine(line);
        if (link.isEmpty())
            continue;
        const QUrl resolved = base.resolved(QUrl(link));
        const QString scheme = resolved.scheme().toLower();
        if (!resolved.isValid() || (scheme != u"http" && scheme != u"https"))
            continue;
        const QString s = resolved.toString();
        if (!rejected(s))
            links.append(s);
    }
    return links;
}

namespace {

    QByteArray charsetIn(const QByteArray &text)
    {
        static const QRegularExpression charset(
            QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = charset.match(QString::fromLatin1(text));
        return m.hasMatch() ? m.captured(1).toLatin1().toLower() : QByteArray();
    }

    bool isCp932Name(const QByteArray &name)
    {
        return name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" || name == "cp932"
            || name == "windows-31j" || name == "ms_kanji" || name == "csshiftjis";
    }

} // namespace

QString decodePageText(const QByteArray &bytes, const QByteArray &contentType)
{
    QByteArray name = charsetIn(contentType);
    // A meta tag stands in the head, near the top.
    if (name.isEmpty())
        name = charsetIn(bytes.left(4096));
    if (isCp932Name(name))
        return decodeCp932(bytes);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp932(bytes);
}

} // namespace kalvuno
