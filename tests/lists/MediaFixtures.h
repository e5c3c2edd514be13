#pragma once

// Tiny media files with tags, written byte by byte so that the tests do not
// depend on the library that reads them.
#include <QByteArray>
#include <QString>

// An ID3v1 tag: fields cut or padded with zeros to 30 bytes.
inline QByteArray id3v1Tag(const QByteArray &title, const QByteArray &artist, int genre)
{
    const auto field = [](QByteArray f) {
        f.truncate(30);
        return f.leftJustified(30, '\0');
    };
    QByteArray tag = "TAG" + field(title) + field(artist) + field("album") + QByteArray("2001") + field("comment");
    tag.append(char(genre));
    return tag;
}

// A few bytes that look like the start of MPEG audio.
inline QByteArray mpegAudio() { return QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(413, '\0'); }

// An ID3v2.3 tag with the given text frames (id, encoding byte + text bytes).
inline QByteArray id3v2Tag(const QList<std::pair<QByteArray, QByteArray>> &frames)
{
    QByteArray body;
    for (const auto &[id, data] : frames) {
        const quint32 n = quint32(data.size());
        body += id;
        body += char(n >> 24);
        body += char(n >> 16);
        body += char(n >> 8);
        body += char(n);
        body += QByteArray(2, '\0');
        body += data;
    }
    const quint32 n = quint32(body.size());
    QByteArray header("ID3\x03\x00\x00", 6);
    header += char((n >> 21) & 0x7F);
    header += char((n >> 14) & 0x7F);
    header += char((n >> 7) & 0x7F);
    header += char(n & 0x7F);
    return header + body;
}

// A UTF-16 text frame's data, with its byte-order mark.
inline QByteArray utf16Frame(const QString &text)
{
    QByteArray data("\x01\xFF\xFE", 3);
    data.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return data;
}
