#include "CleanupRun.h"

#include "TextCodec.h"

#include <QFile>

namespace kalvuno {

void CleanupRun::count(bool failed)
{
    if (failed)
        ++m_failures;
    ++m_total;
}

QString CleanupRun::caption() const
{
    const int64_t percent = m_total > 0 ? int64_t(m_failures) * 100 / m_total : 0;
    return QStringLiteral("%1 / %2  %3%").arg(m_failures).arg(m_total).arg(percent);
}

CleanupRun::LogResult CleanupRun::log(const QString &key)
{
    if (m_logBroken)
        return LogResult::Skipped;
    // Keys are written as the program's other text files are: CP932 where
    // the key fits, else UTF-8, so that no key is lost.
    const std::optional<QByteArray> cp932 = encodeCp932(key);
    const QByteArray line = (cp932 ? *cp932 : key.toUtf8()) + "\r\n";
    QFile file(m_logPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size() && file.flush())
        return LogResult::Written;
    m_logBroken = true;
    return LogResult::FirstFailure;
}

} // namespace kalvuno
