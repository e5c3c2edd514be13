#pragma once

#include <QString>
#include <cstdint>
#include <utility>

namespace kalvuno {

// The maintenance clean-up's tally and log. The counters run for the whole
// program run: switching the mode off and on again goes on counting.
class CleanupRun
{
public:
    explicit CleanupRun(QString logPath) : m_logPath(std::move(logPath)) {}

    // An entry ended in clean-up mode; failed when it was reported.
    void count(bool failed);
    int32_t failures() const { return m_failures; }
    int32_t total() const { return m_total; }
    // "F / T  P%", P the whole per cent of failures.
    QString caption() const;

    // Appends the key and CR LF to the log, which is made when missing. The
    // first failed write is the caller's to report; once the log has failed,
    // later lines are skipped without a word, so a broken log never stops
    // the run nor asks the user again and again.
    enum class LogResult { Written, FirstFailure, Skipped };
    LogResult log(const QString &key);
    const QString &logPath() const { return m_logPath; }

private:
    QString m_logPath;
    int32_t m_failures = 0;
    int32_t m_total = 0;
    bool m_logBroken = false;
};

} // namespace kalvuno
