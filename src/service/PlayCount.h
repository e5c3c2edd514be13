#pragma once

#include <QByteArray>
#include <QString>

namespace kalvuno {

// An entry key of exactly 16 characters with neither "." nor "\" (nor "/"):
// a song of the library, the only entries whose plays are reported.
bool isLibraryId(const QString &key);

// The play-count body: request token, CR, the random text.
QByteArray playCountBody(const QString &key, const QByteArray &randomText, int32_t day);
// 16 to 35 characters of the token alphabet, from the program's random numbers.
QByteArray randomTokenText();

} // namespace kalvuno
