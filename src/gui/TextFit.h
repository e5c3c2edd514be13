#pragma once

#include <QString>
#include <functional>

namespace kalvuno {

// A text too wide for its box: whole characters come off its end until it is
// maxWidth or narrower, then "..." is added. A character is what the reader
// sees as one (a surrogate pair, a base letter with its marks), so nothing is
// ever cut in half. A text that fits is returned as it is.
QString fitWithEllipsis(const QString &text, int maxWidth, const std::function<int(const QString &)> &width);

} // namespace kalvuno
