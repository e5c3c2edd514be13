#include "Maintenance.h"

#include "HttpTransport.h"

#include <QStringList>

namespace kalvuno {

QByteArray hideRequestUrl(const QString &baseUrl, const QString &home, const QString &mp3, bool all)
{
    QByteArray url = requestUrlBytes(baseUrl + QStringLiteral("/hide?"), false);
    url += queryValueBytes(home) + '&' + queryValueBytes(mp3);
    if (all)
        url += "&All";
    return url;
}

QByteArray noFileRequestUrl(const QString &baseUrl, const QString &key, bool cleanupReport)
{
    const QString command = cleanupReport ? QStringLiteral("/nofileall?") : QStringLiteral("/nofile?");
    return requestUrlBytes(baseUrl + command, false) + queryValueBytes(key);
}

void sendMaintenanceRequest(const HttpTransport &transport, const QByteArray &wireUrl)
{
    QStringList answer;
    transport.GetLinesEncoded(answer, wireUrl);
}

} // namespace kalvuno
