#include "SearchSongs.h"

#include "HttpTransport.h"
#include "TextCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace kalvuno {

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
    QString text;
    if (append) {
        QFile existing(file);
        if (existing.open(QIODevice::ReadOnly))
            text = decodeFileText(existing.readAll()).text;
    }
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    // The whole file is written anew and swapped in, so a crash cannot leave half a list.
    const EncodedText encoded = encodeFileText(text);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(encoded.bytes) != encoded.bytes.size() || !out.commit())
        return SearchOutcome::NotWritten;
    return SearchOutcome::Done;
}

} // namespace kalvuno
