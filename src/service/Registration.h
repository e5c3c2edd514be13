#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace kalvuno {

class HttpTransport;

// An ID as the service issues them: 1 to 64 printable ASCII characters
// without blanks, "[", "]" or "=", so that it can name an INI section and
// stand as a key's value. An error page's first line is no such ID.
bool isServiceId(const QString &id);
// An access ID: a service ID of at least 8 characters, since the request
// token of an upload opens with its first 8.
bool isAccessId(const QString &id);

// The ID an ID command answered: its first line, from a 2xx answer only,
// when it is a service ID. Empty otherwise.
QString idFromAnswer(bool reached, int status, const QStringList &lines);

// GET the access-ID ("/aid") or song-ID ("/sid") command; the ID, or empty
// when the request failed or the answer was no ID.
QString fetchServiceId(const HttpTransport &transport, const QString &command);

// The bytes of the song list to upload; nothing when the file cannot be read
// or is larger than the service takes (sending an empty list instead would
// withdraw every song of the user).
std::optional<QByteArray> readSongListFile(const QString &path);

// The upload body: the request token of the access ID over the file's
// bytes, CR LF, the file's length in 8 capital hexadecimal digits, CR LF,
// then the file as stored.
QByteArray songListBody(const QString &accessId, const QByteArray &file, int32_t day);

// Posts the song list: true only when the service took it (a 2xx answer).
bool SendSongList(const HttpTransport &transport, const QString &accessId, const QString &path);

} // namespace kalvuno
