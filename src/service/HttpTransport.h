#pragma once

#include "Clock.h"
#include "ServiceAddressing.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>

namespace kalvuno {

inline constexpr uint32_t kTransportTimeLimitMs = 30000;
inline constexpr int kReadChunk = 1025;
inline constexpr int kAnswerCap = 65536;
// How often, at most, the wait hook runs while a request waits.
inline constexpr int kWaitSliceMs = 20;
// A GET answer reached through more redirects than this is not complete.
inline constexpr long kCompleteAnswerRedirects = 5;
// A download longer than this is no song: it is refused.
inline constexpr qint64 kDownloadSizeCap = 200LL * 1024 * 1024;
// A download that keeps trickling in still ends after this long.
inline constexpr uint32_t kDownloadTotalLimitMs = 10 * 60 * 1000;
// A download never takes the last of the free space.
inline constexpr qint64 kDownloadFreeSpaceReserve = 32LL * 1024 * 1024;

// How a download (or a post) runs. The defaults suit a request of the user-interface thread.
struct DownloadOptions
{
    // Without the wait hook and the busy scope: for requests on a worker
    // thread, which must neither run the window's events nor show it busy.
    bool background = false;
    // Ends the transfer as failed once set; abortAll() ends it as well.
    const std::atomic<bool> *cancel = nullptr;
    // Bytes received so far and the announced length (-1 when unknown); called
    // on the requesting thread about once a second and as data arrives.
    std::function<void(qint64 received, qint64 total)> progress;
    qint64 sizeCap = kDownloadSizeCap;
    uint32_t totalLimitMs = kDownloadTotalLimitMs;
    // The free space a download must leave on its disk.
    qint64 freeSpaceReserve = kDownloadFreeSpaceReserve;
};

// Replaces everything up to and including the first occurrence of the
// substitution domain with "http://" + the private address, keeping at most
// 200 characters after it. An empty domain never matches.
void SubstituteAddress(QString &url);

// The bytes of a request URL as they go on the wire: text in CP932, bytes
// that a URL cannot carry (blanks, control characters, non-ASCII bytes)
// percent-encoded. With escapeQuery, "#", "%", "+" and a further "?" after
// the first "?" are encoded too, so that values a user typed reach the
// service as typed; "&", "=" and "/" stay as built.
QByteArray requestUrlBytes(const QString &url, bool escapeQuery);
// One value for a query whose separators the caller writes itself: as
// requestUrlBytes encodes a query, and "&" too, so that the value reaches
// the service unchanged whatever it holds.
QByteArray queryValueBytes(const QString &value);

// The text lines of an answer body, as GetLines hands them out.
QStringList answerLines(QByteArray bytes);

// The program's HTTP client: synchronous requests on the calling thread, each
// bounded in time, with no cache, cookies or retries of its own. Helpers report
// the HTTP status through `status` when asked; they never judge it.
//
// A request waits in short polls instead of inside libcurl: between them the
// wait hook runs (the program keeps its window alive there), and an abort ends
// the wait. A request started from the hook runs beside the one that waits.
class HttpTransport
{
public:
    explicit HttpTransport(const Clock &clock, uint32_t timeLimitMs = kTransportTimeLimitMs);

    // Runs about every kWaitSliceMs while a request of the calling thread
    // waits, never from inside libcurl; an empty function turns it off.
    // Process-wide; requests of other threads never run it.
    static void setWaitHook(std::function<void()> hook);
    // Ends every waiting request within one poll as failed, and fails every
    // later request before it reaches the network: the program is going away.
    // Safe from any thread; stays in force until resetAbort().
    static void abortAll();
    static void resetAbort();

    void setAddressing(const ServiceAddressing &addressing) { m_addressing = addressing; }
    const ServiceAddressing &addressing() const { return m_addressing; }

    // GET into a stream, from its current position; the stream is then
    // rewound. Succeeds when the URL could be opened, also when the answer was
    // cut at the time limit or after the read that reached 64 KiB; an aborted
    // request fails. `complete`, when asked, tells whether the answer is whole:
    // reached through at most kCompleteAnswerRedirects redirects, and either
    // ended without error with a length that matches any Content-Length, or cut
    // at the 64 KiB cap (a deliberate limit, not a broken answer).
    bool GetToStream(QIODevice &stream, const QString &url, int *status = nullptr, bool *complete = nullptr) const;
    // GET into text lines (CR LF, lone CR, lone LF; a NUL ends the text). The
    // list is left as it was when the URL cannot be opened. `complete` as for
    // GetToStream.
    bool GetLines(QStringList &lines, const QString &url, int *status = nullptr, bool *complete = nullptr) const;
    // GET of a web page: its bytes and its Content-Type header, which may
    // name the charset. Fails as GetToStream does.
    bool GetPage(QByteArray &body, QByteArray &contentType, const QString &url, int *status = nullptr) const;
    // The same for a URL already in its wire form (see queryValueBytes): it
    // goes out exactly as given.
    bool GetLinesEncoded(QStringList &lines, const QByteArray &wireUrl, int *status = nullptr) const;
    // GET into a file. The body goes to a temporary file beside it, which
    // replaces the file only when the download is complete: a 2xx status, a
    // body that is not empty and matches any Content-Length, no read that
    // waited for the time limit or longer, within the size cap, the free space
    // and the total time limit. Otherwise the temporary file is removed and a
    // file already there stays as it was.
    bool DownloadToFile(const QString &fileName, const QString &url, int *status = nullptr) const;
    bool DownloadToFile(const QString &fileName, const QString &url, const DownloadOptions &options,
                        int *status = nullptr) const;
    // POST of a byte block to the service script path + path. True when the
    // request was sent and an answer came back. Of the options only
    // `background` and `cancel` apply.
    bool PostToService(const QByteArray &body, const QString &path, int *status = nullptr,
                       const DownloadOptions &options = {}) const;

private:
    // The URL's bytes on the wire; the queries of service commands with typed values escaped.
    QByteArray wireUrlOf(const QString &url) const;
    bool getToStream(QIODevice &stream, const QByteArray &wireUrl, int *status, bool *complete,
                     QByteArray *contentType = nullptr) const;
    bool getLines(QStringList &lines, const QByteArray &wireUrl, int *status, bool *complete) const;
    QString serviceRequestUrl(const QString &path) const;

    const Clock &m_clock;
    uint32_t m_timeLimitMs;
    ServiceAddressing m_addressing;
};

} // namespace kalvuno
