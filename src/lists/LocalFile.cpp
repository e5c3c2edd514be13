#include "LocalFile.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvuno {

bool isRegularFile(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<QByteArray> readFileTail(const QString &path, int count)
{
    if (!isRegularFile(path))
        return std::nullopt;
    // Non-blocking, in case something else took the name since the check.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> tail;
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= count) {
        QByteArray bytes(count, '\0');
        if (::pread(fd, bytes.data(), size_t(count), st.st_size - count) == count)
            tail = bytes;
    }
    ::close(fd);
    return tail;
}

} // namespace kalvuno
