#pragma once

#include <QString>

namespace kalvuno {

// Where the library service is reached; chosen once at start-up.
struct ServiceAddressing
{
    QString host;       // "host" or "host:port"; POSTs go here
    QString folderUrl;  // "http://" + host + "/kalvuno/"; Referer of POSTs
    QString scriptPath; // POST command paths are appended to it
    QString baseUrl;    // folderUrl + "center2.fws"; GET command paths are appended to it

    static ServiceAddressing forHost(const QString &host, const QString &scriptPath);
};

inline constexpr char16_t kServiceScriptPath[] = u"/kalvuno/center2.fws";
inline constexpr char16_t kDevelopScriptPath[] = u"/test/center2.fws";

// The host the program talks to without switches: $KALVUNO_SERVICE_HOST when
// set, else the host chosen when the program was built.
QString defaultServiceHost();

// "/develop": the loopback address, with the port of the default host.
QString developServiceHost(const QString &defaultHost);

// "/test": a fixed test server on the private network. Nothing but a user's
// explicit "/test" start ever talks to it.
QString testServiceHost();

// The start page of the given host.
QString topPageUrl(const QString &host);

} // namespace kalvuno
