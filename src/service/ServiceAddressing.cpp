#include "ServiceAddressing.h"

#ifndef KALVUNO_DEFAULT_SERVICE_HOST
#define KALVUNO_DEFAULT_SERVICE_HOST "localhost:8563"
#endif

namespace kalvuno {

ServiceAddressing ServiceAddressing::forHost(const QString &host, const QString &scriptPath)
{
    ServiceAddressing a;
    a.host = host;
    a.folderUrl = QStringLiteral("http://") + host + QStringLiteral("/kalvuno/");
    a.scriptPath = scriptPath;
    a.baseUrl = a.folderUrl + QStringLiteral("center2.fws");
    return a;
}

QString defaultServiceHost()
{
    const QString fromEnvironment = qEnvironmentVariable("KALVUNO_SERVICE_HOST");
    return fromEnvironment.isEmpty() ? QStringLiteral(KALVUNO_DEFAULT_SERVICE_HOST) : fromEnvironment;
}

QString developServiceHost(const QString &defaultHost)
{
    // A port follows the last ":" unless that colon belongs to an IPv6 address in brackets.
    const qsizetype colon = defaultHost.lastIndexOf(u':');
    const bool hasPort = colon >= 0 && colon > defaultHost.lastIndexOf(u']');
    return QStringLiteral("127.0.0.1") + (hasPort ? defaultHost.mid(colon) : QString());
}

QString testServiceHost() { return QStringLiteral("192.168.10.20"); }

QString topPageUrl(const QString &host) { return QStringLiteral("http://") + host + QStringLiteral("/kalvuno/top.html"); }

} // namespace kalvuno
