#pragma once

#include <QString>
#include <QStringView>

namespace kalvuno {

// The most bytes a file or folder name may have on the file systems we write to.
inline constexpr int kFileNameBytes = 255;

// A name from outside (an artist or a title from the service) made safe as one
// part of a path: "/", "\", NUL and the other control characters become "_",
// "." and ".." become "_", a leading "." becomes "_" (nothing becomes
// hidden), and the name is cut to at most maxBytes bytes of
// UTF-8 on a character boundary. The result never leaves the folder it is
// put in.
QString safeFileNamePart(QStringView name, int maxBytes = kFileNameBytes);

} // namespace kalvuno
