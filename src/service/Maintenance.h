#pragma once

#include <QByteArray>
#include <QString>

namespace kalvuno {

class HttpTransport;

// The maintenance commands' request URLs on the wire. The values go as
// stored, each encoded (queryValueBytes) so that "%", "#", "&" and blanks
// inside reach the service unchanged; the "&" between them stays raw, which
// is where the service splits.
// Hide: baseUrl + "/hide?" + Home + "&" + MP3, with "&All" for HideAll.
QByteArray hideRequestUrl(const QString &baseUrl, const QString &home, const QString &mp3, bool all);
// NoFile ("/nofile?") and the clean-up report ("/nofileall?") of an entry key.
QByteArray noFileRequestUrl(const QString &baseUrl, const QString &key, bool cleanupReport);

// Sends one of them; the answer and any failure are ignored, as these
// commands have nothing to tell the user.
void sendMaintenanceRequest(const HttpTransport &transport, const QByteArray &wireUrl);

} // namespace kalvuno
