#include "SearchSongs.h"

#include "HttpTransport.h"
#include "IniFile.h"
#include "TextCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <optional>

namespace kalvuno {

namespace {

QStringView trimBlanks(QStringView s)
{
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    return s;
}

// The folded key of a "[key]" line, nothing for other lines. The key runs to
// the last "]" of the line, since entry keys are paths that may hold brackets
// of their own ("/m/[2001] Best/01.mp3").
std::optional<QString> sectionKey(QStringView line)
{
    QStringView t = trimBlanks(line);
    if (!t.startsWith(u'['))
        return std::nullopt;
    t = t.sliced(1);
    const qsizetype close = t.lastIndexOf(u']');
    return foldIniName(trimBlanks(close < 0 ? t : t.first(close)));
}

QSet<QString> sectionKeys(QStringView text)
{
    QSet<QString> keys;
    for (const QStringView line : splitLines(text)) {
        if (auto key = sectionKey(line))
            keys.insert(std::move(*key));
    }
    return keys;
}

// The answer's lines, each ended by CR LF, without the sections whose key is
// taken already: by the file the answer goes into, or by an earlier section
// of the answer itself. A dropped section drops all of its lines.
QString sectionsToStore(const QStringList &answer, QSet<QString> taken)
{
    QString out;
    bool keep = true; // lines before the first section belong to no entry
    for (const QString &line : answer) {
        if (auto key = sectionKey(line)) {
            keep = !taken.contains(*key);
            taken.insert(std::move(*key));
        }
        if (keep)
            out += line + QStringLiteral("\r\n");
    }
    return out;
}

} // namespace

SearchOutcome SearchSongs(const HttpTransport &transport, const QString &query, const QString &file, bool append)
{
    QStringList lines;
    int status = 0;
    bool complete = false;
    // A cut or broken answer would replace a good list with part of one.
    if (!transport.GetLines(lines, transport.addressing().baseUrl + QStringLiteral("/search?") + query, &status,
                            &complete)
        || !complete || status < 200 || status > 299)
        return SearchOutcome::Failed;
    return storeSearchAnswer(lines, file, append);
}

SearchOutcome storeSearchAnswer(const QStringList &lines, const QString &file, bool append)
{
    QString text;
    if (append) {
        QFile existing(file);
        if (existing.open(QIODevice::ReadOnly))
            text = decodeFileText(existing.readAll()).text;
        else if (existing.exists())
            return SearchOutcome::NotWritten; // never replace a list we could not read
        // The answer's first line must not run on from a last line left open.
        if (!text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r'))
            text += QStringLiteral("\r\n");
    }
    text += sectionsToStore(lines, append ? sectionKeys(text) : QSet<QString>());
    // The whole file is written anew and swapped in, so a crash cannot leave half a list.
    const EncodedText encoded = encodeFileText(text);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(encoded.bytes) != encoded.bytes.size() || !out.commit())
        return SearchOutcome::NotWritten;
    return SearchOutcome::Done;
}

} // namespace kalvuno
