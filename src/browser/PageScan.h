#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kalvuno {

// A page never adds more entries than this, however many links it carries.
inline constexpr int kPageScanCap = 1000;

// The MP3 links of a page's lines, by the simple text rules of "play all"
// (no HTML parser): per line only the first ".mp3", closed right after by
// ">" or "\">", the address after the last "href=" before it, one leading
// quote dropped. Addresses are resolved against pageUrl as a browser would;
// resolved links with fewer than three "/" or holding ".cgi", "<", ">", "*",
// "=" or "＊" are left out. At most `cap` links, in the order of the lines.
QStringList scanMediaLinks(const QStringList &lines, const QString &pageUrl, int cap = kPageScanCap);

// A page's text: by the charset its Content-Type header or a meta tag names,
// else UTF-8 when the bytes are valid UTF-8, else CP932.
QString decodePageText(const QByteArray &bytes, const QByteArray &contentType);

} // namespace kalvuno
