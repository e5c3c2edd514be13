#include "HttpTransport.h"

#include "AddressSubstitution.h"
#include "BusyIndicator.h"
#include "CurlLibrary.h"
#include "TextCodec.h"

#include <QBuffer>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kalvuno {

namespace {

constexpr int kSubstitutionTail = 200;

std::atomic<bool> g_aborted{false};

// Requests may run on more than one thread; each takes its own reference, so
// the hook can be replaced while another thread runs it. The hook belongs to
// the thread that installed it.
std::mutex g_hookMutex;
std::shared_ptr<const std::function<void()>> g_waitHook;
std::thread::id g_hookThread;

// The hook, when this thread installed it.
std::shared_ptr<const std::function<void()>> currentWaitHook()
{
    const std::lock_guard<std::mutex> lock(g_hookMutex);
    return g_hookThread == std::this_thread::get_id() ? g_waitHook : nullptr;
}

// Whether a request of this thread is the user interface's: it shows the
// program busy. Without a hook no thread has claimed that role, and every
// request shows it.
bool onInterfaceThread()
{
    const std::lock_guard<std::mutex> lock(g_hookMutex);
    return !g_waitHook || g_hookThread == std::this_thread::get_id();
}

// How a request waits: whether it runs the wait hook, and what else ends it.
struct Waiting
{
    bool runsHook = true;
    const std::atomic<bool> *cancel = nullptr;
    bool ended() const { return g_aborted || (cancel && *cancel); }
};

struct Transfer
{
    CURLcode result = CURLE_FAILED_INIT;
    bool aborted = false;
};

std::optional<CURLcode> finishedResult(CURLM *multi)
{
    int queued = 0;
    while (const CURLMsg *msg = curl().multi_info_read(multi, &queued)) {
        if (msg->msg == CURLMSG_DONE)
            return msg->data.result;
    }
    return std::nullopt;
}

// Runs one prepared transfer to its end on the calling thread. libcurl never
// blocks for long here: we wait in polls of at most kWaitSliceMs and call the
// wait hook between them, so the window stays alive and an abort ends the wait
// at once. Each call has its own multi handle, so the hook may start another
// request while this one waits.
Transfer perform(CURL *easy, const Waiting &waiting = {})
{
    Transfer t;
    if (waiting.ended()) {
        t.aborted = true;
        return t;
    }
    CURLM *multi = curl().multi_init();
    if (!multi)
        return t;
    if (curl().multi_add_handle(multi, easy) != CURLM_OK) {
        curl().multi_cleanup(multi);
        return t;
    }
    using Steady = std::chrono::steady_clock;
    auto lastHook = Steady::now();
    while (true) {
        if (waiting.ended()) {
            t.aborted = true;
            break;
        }
        int running = 0;
        if (curl().multi_perform(multi, &running) != CURLM_OK)
            break;
        if (const auto done = finishedResult(multi)) {
            t.result = *done;
            break;
        }
        if (running == 0)
            break;
        if (curl().multi_poll(multi, nullptr, 0, kWaitSliceMs, nullptr) != CURLM_OK)
            break;
        // While data flows the poll returns at once; the hook still runs only
        // about once a slice, so it does not slow a transfer down.
        const auto now = Steady::now();
        if (!waiting.runsHook || now - lastHook < std::chrono::milliseconds(kWaitSliceMs) || waiting.ended())
            continue;
        lastHook = now;
        if (const auto hook = currentWaitHook(); hook && *hook)
            (*hook)();
    }
    curl().multi_remove_handle(multi, easy);
    curl().multi_cleanup(multi);
    return t;
}

struct Easy
{
    CURL *handle = curl().easy_init();
    curl_slist *headers = nullptr;
    ~Easy()
    {
        curl().slist_free_all(headers);
        if (handle)
            curl().easy_cleanup(handle);
    }
    void header(const char *line) { headers = curl().slist_append(headers, line); }
    long responseCode() const
    {
        long code = 0;
        curl().easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }
};

// Options every request shares.
void commonOptions(Easy &e, const QByteArray &url, const char *agent, uint32_t limitMs)
{
    curl().easy_setopt(e.handle, CURLOPT_URL, url.constData());
    curl().easy_setopt(e.handle, CURLOPT_USERAGENT, agent);
    curl().easy_setopt(e.handle, CURLOPT_NOSIGNAL, 1L);
    curl().easy_setopt(e.handle, CURLOPT_CONNECTTIMEOUT_MS, long(limitMs));
    curl().easy_setopt(e.handle, CURLOPT_BUFFERSIZE, long(kReadChunk));
    // Media locations come from service answers and web pages: never let one
    // reach a local file or another protocol.
    curl().easy_setopt(e.handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl().easy_setopt(e.handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
}

// GETs always come from the origin server, never from a cache.
void getOptions(Easy &e)
{
    curl().easy_setopt(e.handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl().easy_setopt(e.handle, CURLOPT_MAXREDIRS, 10L);
    e.header("Cache-Control: no-cache");
    e.header("Pragma: no-cache");
    curl().easy_setopt(e.handle, CURLOPT_HTTPHEADER, e.headers);
}

struct StreamSink
{
    QIODevice *stream;
    qint64 received = 0;
    bool capped = false;
};

size_t writeToStream(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<StreamSink *>(user);
    const size_t bytes = size * count;
    sink->stream->write(data, qint64(bytes));
    sink->received += qint64(bytes);
    // The answer is cut after the read that reaches the cap.
    sink->capped = sink->received >= kAnswerCap;
    return sink->capped ? 0 : bytes;
}

// Whether a GET's answer arrived whole (the cap counts as whole: it is ours).
bool answerComplete(CURL *easy, const Transfer &t, const StreamSink &sink)
{
    long redirects = 0;
    curl().easy_getinfo(easy, CURLINFO_REDIRECT_COUNT, &redirects);
    if (t.aborted || redirects > kCompleteAnswerRedirects)
        return false;
    if (sink.capped)
        return true;
    curl_off_t announced = -1;
    curl().easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    return t.result == CURLE_OK && (announced < 0 || announced == sink.received);
}

struct FileSink
{
    QSaveFile *file;
    const Clock *clock;
    uint32_t limitMs;
    uint32_t passStart;
    qint64 budget;
    const DownloadOptions *options;
    qint64 received = 0;
    bool stalled = false;
    bool writeFailed = false;
    bool overBudget = false;
};

size_t writeToFile(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<FileSink *>(user);
    const size_t bytes = size * count;
    // Without a Content-Length an endless body would fill the disk.
    if (sink->received + qint64(bytes) > sink->budget) {
        sink->overBudget = true;
        return 0;
    }
    if (sink->file->write(data, qint64(bytes)) != qint64(bytes)) {
        sink->writeFailed = true;
        return 0;
    }
    sink->received += qint64(bytes);
    sink->passStart = sink->clock->milliseconds();
    return bytes;
}

// Called by libcurl at least once a second while a transfer waits.
int watchFileTransfer(void *user, curl_off_t total, curl_off_t, curl_off_t, curl_off_t)
{
    auto *sink = static_cast<FileSink *>(user);
    if (sink->clock->milliseconds() - sink->passStart >= sink->limitMs) {
        sink->stalled = true;
        return 1;
    }
    if (sink->options->cancel && *sink->options->cancel)
        return 1;
    if (sink->options->progress)
        sink->options->progress(sink->received, total > 0 ? qint64(total) : -1);
    return 0;
}

// What may be written: the cap, and the free space less the reserve.
qint64 downloadBudget(const QString &fileName, const DownloadOptions &options)
{
    const QStorageInfo storage(QFileInfo(fileName).absolutePath());
    if (!storage.isValid())
        return 0;
    return std::min(options.sizeCap, storage.bytesAvailable() - options.freeSpaceReserve);
}

size_t discard(char *, size_t size, size_t count, void *) { return size * count; }

bool needsEscape(unsigned char byte, bool inQuery, bool escapeQuery)
{
    if (byte <= 0x20 || byte >= 0x7F)
        return true;
    // A "?" inside the query means nothing there, but our service's HTTP
    // library refuses request lines with two of them (cpp-httplib 0.11), and
    // the hide command carries URLs that have queries of their own.
    return inQuery && escapeQuery && (byte == '#' || byte == '%' || byte == '+' || byte == '?');
}

// CP932 where the text fits, else each character that does not fit as UTF-8.
QByteArray urlTextBytes(const QString &url)
{
    if (auto bytes = encodeCp932(url))
        return *bytes;
    QByteArray out;
    for (qsizetype i = 0; i < url.size(); ++i) {
        const qsizetype len = (url[i].isHighSurrogate() && i + 1 < url.size()) ? 2 : 1;
        const QStringView one = QStringView(url).sliced(i, len);
        const auto bytes = encodeCp932(one);
        out += bytes ? *bytes : one.toUtf8();
        i += len - 1;
    }
    return out;
}

} // namespace

void SubstituteAddress(QString &url)
{
    const SubstitutionValues values = addressSubstitution();
    if (values.domain.isEmpty())
        return;
    const qsizetype at = url.indexOf(values.domain, 0, Qt::CaseSensitive);
    if (at < 0)
        return;
    url = QStringLiteral("http://") + values.address + url.mid(at + values.domain.size(), kSubstitutionTail);
}

QByteArray requestUrlBytes(const QString &url, bool escapeQuery)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    bool inQuery = false;
    for (const char c : urlTextBytes(url)) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte, inQuery, escapeQuery)) {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
        inQuery = inQuery || c == '?';
    }
    return out;
}

QByteArray queryValueBytes(const QString &value)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : urlTextBytes(value)) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte, true, true) || byte == '&') {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

HttpTransport::HttpTransport(const Clock &clock, uint32_t timeLimitMs) : m_clock(clock), m_timeLimitMs(timeLimitMs) {}

void HttpTransport::setWaitHook(std::function<void()> hook)
{
    auto shared = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
    const std::lock_guard<std::mutex> lock(g_hookMutex);
    g_waitHook = std::move(shared);
    g_hookThread = g_waitHook ? std::this_thread::get_id() : std::thread::id();
}

void HttpTransport::abortAll() { g_aborted = true; }

void HttpTransport::resetAbort() { g_aborted = false; }

bool HttpTransport::GetToStream(QIODevice &stream, const QString &url, int *status, bool *complete) const
{
    return getToStream(stream, wireUrlOf(url), status, complete);
}

bool HttpTransport::GetPage(QByteArray &body, QByteArray &contentType, const QString &url, int *status) const
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    if (!getToStream(buffer, wireUrlOf(url), status, nullptr, &contentType))
        return false;
    body = buffer.data();
    return true;
}

QByteArray HttpTransport::wireUrlOf(const QString &url) const
{
    // Service commands carry what users typed in their queries.
    const bool serviceCommand = !m_addressing.baseUrl.isEmpty() && url.startsWith(m_addressing.baseUrl);
    return requestUrlBytes(url, serviceCommand);
}

bool HttpTransport::getToStream(QIODevice &stream, const QByteArray &wireUrl, int *status, bool *complete,
                                QByteArray *contentType) const
{
    if (complete)
        *complete = false;
    std::optional<BusyScope> busy;
    if (onInterfaceThread())
        busy.emplace();
    Easy e;
    if (!e.handle)
        return false;
    commonOptions(e, wireUrl, "Kalvuno", m_timeLimitMs);
    getOptions(e);
    // One deadline for connecting and reading.
    curl().easy_setopt(e.handle, CURLOPT_TIMEOUT_MS, long(m_timeLimitMs));
    StreamSink sink{&stream};
    curl().easy_setopt(e.handle, CURLOPT_WRITEFUNCTION, writeToStream);
    curl().easy_setopt(e.handle, CURLOPT_WRITEDATA, &sink);
    const Transfer t = perform(e.handle);
    const long code = e.responseCode();
    if (status)
        *status = int(code);
    if (complete)
        *complete = answerComplete(e.handle, t, sink);
    if (contentType) {
        const char *type = nullptr;
        curl().easy_getinfo(e.handle, CURLINFO_CONTENT_TYPE, &type);
        *contentType = QByteArray(type);
    }
    // Once the server has answered, whatever arrived is the answer, cut or not;
    // an aborted request has no answer: nobody is waiting for it any more.
    stream.seek(0);
    return code > 0 && !t.aborted;
}

QStringList answerLines(QByteArray bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    const QString text = decodeFileText(bytes).text;
    QStringList lines;
    for (const QStringView line : splitLines(text))
        lines.append(line.toString());
    return lines;
}

bool HttpTransport::GetLines(QStringList &lines, const QString &url, int *status, bool *complete) const
{
    return getLines(lines, wireUrlOf(url), status, complete);
}

bool HttpTransport::GetLinesEncoded(QStringList &lines, const QByteArray &wireUrl, int *status) const
{
    return getLines(lines, wireUrl, status, nullptr);
}

bool HttpTransport::getLines(QStringList &lines, const QByteArray &wireUrl, int *status, bool *complete) const
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    if (!getToStream(buffer, wireUrl, status, complete))
        return false;
    lines = answerLines(buffer.data());
    return true;
}

bool HttpTransport::DownloadToFile(const QString &fileName, const QString &url, int *status) const
{
    return DownloadToFile(fileName, url, DownloadOptions(), status);
}

bool HttpTransport::DownloadToFile(const QString &fileName, const QString &url, const DownloadOptions &options,
                                   int *status) const
{
    if (status)
        *status = 0;
    std::optional<BusyScope> busy;
    const bool foreground = !options.background && onInterfaceThread();
    if (foreground)
        busy.emplace();
    QString location = url;
    SubstituteAddress(location);
    const qint64 budget = downloadBudget(fileName, options);
    if (budget <= 0)
        return false;
    // The body goes to a temporary file beside the target; the target is
    // replaced only by a complete download.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    Easy e;
    if (!e.handle)
        return false;
    commonOptions(e, requestUrlBytes(location, false), "Kalvuno", m_timeLimitMs);
    getOptions(e);
    curl().easy_setopt(e.handle, CURLOPT_TIMEOUT_MS, long(options.totalLimitMs));
    // An announced length beyond the budget fails before the body comes.
    curl().easy_setopt(e.handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(budget));
    FileSink sink{&file, &m_clock, m_timeLimitMs, m_clock.milliseconds(), budget, &options};
    curl().easy_setopt(e.handle, CURLOPT_WRITEFUNCTION, writeToFile);
    curl().easy_setopt(e.handle, CURLOPT_WRITEDATA, &sink);
    curl().easy_setopt(e.handle, CURLOPT_NOPROGRESS, 0L);
    curl().easy_setopt(e.handle, CURLOPT_XFERINFOFUNCTION, watchFileTransfer);
    curl().easy_setopt(e.handle, CURLOPT_XFERINFODATA, &sink);
    const Transfer t = perform(e.handle, Waiting{foreground, options.cancel});
    const long code = e.responseCode();
    if (status)
        *status = int(code);
    curl_off_t announced = -1;
    curl().easy_getinfo(e.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    // An error page or a cut body is no song: keep whatever copy was there.
    const bool complete = t.result == CURLE_OK && !t.aborted && !sink.stalled && !sink.writeFailed
        && !sink.overBudget && code >= 200 && code < 300 && sink.received > 0
        && (announced < 0 || announced == sink.received);
    if (!complete) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString HttpTransport::serviceRequestUrl(const QString &path) const
{
    // The host may carry a port; without one, port 80.
    return QStringLiteral("http://") + m_addressing.host + m_addressing.scriptPath + path;
}

bool HttpTransport::PostToService(const QByteArray &body, const QString &path, int *status,
                                  const DownloadOptions &options) const
{
    std::optional<BusyScope> busy;
    const bool foreground = !options.background && onInterfaceThread();
    if (foreground)
        busy.emplace();
    Easy e;
    if (!e.handle)
        return false;
    commonOptions(e, requestUrlBytes(serviceRequestUrl(path), false), "WININET Sample Program", m_timeLimitMs);
    // A server that never answers must not freeze the program.
    curl().easy_setopt(e.handle, CURLOPT_TIMEOUT_MS, long(m_timeLimitMs));
    const QByteArray referer = m_addressing.folderUrl.toUtf8();
    curl().easy_setopt(e.handle, CURLOPT_REFERER, referer.constData());
    curl().easy_setopt(e.handle, CURLOPT_POST, 1L);
    curl().easy_setopt(e.handle, CURLOPT_POSTFIELDS, body.constData());
    curl().easy_setopt(e.handle, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    // The body goes as it is: no Content-Type, no Accept, no 100-continue wait.
    e.header("Content-Type:");
    e.header("Accept:");
    e.header("Expect:");
    curl().easy_setopt(e.handle, CURLOPT_HTTPHEADER, e.headers);
    curl().easy_setopt(e.handle, CURLOPT_WRITEFUNCTION, discard);
    const Transfer t = perform(e.handle, Waiting{foreground, options.cancel});
    if (status)
        *status = int(e.responseCode());
    return t.result == CURLE_OK && !t.aborted;
}

} // namespace kalvuno
