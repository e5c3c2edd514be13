#include "Registration.h"

#include "HttpTransport.h"
#include "RequestToken.h"
#include "SongListFormat.h"

#include <QFile>

namespace kalvuno {

namespace {

constexpr qsizetype kMaxIdLength = 64;
constexpr qsizetype kAccessIdMinLength = 8;

} // namespace

bool isServiceId(const QString &id)
{
    if (id.isEmpty() || id.size() > kMaxIdLength)
        return false;
    for (const QChar c : id) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u >= 0x7F || u == u'[' || u == u']' || u == u'=')
            return false;
    }
    return true;
}

bool isAccessId(const QString &id) { return isServiceId(id) && id.size() >= kAccessIdMinLength; }

QString idFromAnswer(bool reached, int status, const QStringList &lines)
{
    if (!reached || status < 200 || status > 299 || lines.isEmpty() || !isServiceId(lines.first()))
        return {};
    return lines.first();
}

QString fetchServiceId(const HttpTransport &transport, const QString &command)
{
    QStringList lines;
    int status = 0;
    const bool reached = transport.GetLines(lines, transport.addressing().baseUrl + command, &status);
    return idFromAnswer(reached, status, lines);
}

std::optional<QByteArray> readSongListFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > qint64(kMaxSongListBytes))
        return std::nullopt;
    // Read one byte more than allowed: a file that grew since size() is caught too.
    QByteArray bytes = file.read(qint64(kMaxSongListBytes) + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > qsizetype(kMaxSongListBytes))
        return std::nullopt;
    return bytes;
}

QByteArray songListBody(const QString &accessId, const QByteArray &file, int32_t day)
{
    const std::string token
        = makeRequestToken(accessId.toStdString(), std::string_view(file.constData(), size_t(file.size())), day);
    QByteArray body;
    body.reserve(qsizetype(kSongListHeaderBytes) + file.size());
    body += QByteArray::fromStdString(token);
    body += "\r\n";
    body += QByteArray::number(file.size(), 16).toUpper().rightJustified(8, '0');
    body += "\r\n";
    body += file;
    return body;
}

bool SendSongList(const HttpTransport &transport, const QString &accessId, const QString &path)
{
    const std::optional<QByteArray> file = readSongListFile(path);
    if (!file)
        return false;
    int status = 0;
    const bool reached
        = transport.PostToService(songListBody(accessId, *file, todayDayNumber()), QStringLiteral("/send"), &status);
    return reached && status >= 200 && status <= 299;
}

} // namespace kalvuno
