#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kalvuno {

// Whether the path names a regular file (after links). A FIFO, a device or a
// socket is never read: opening or reading one can block the window for ever.
bool isRegularFile(const QString &path);

// The last `count` bytes of a regular file; nothing when the path is no
// regular file, cannot be read, or is shorter than `count`.
std::optional<QByteArray> readFileTail(const QString &path, int count);

} // namespace kalvuno
