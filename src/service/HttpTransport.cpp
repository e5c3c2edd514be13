#include "HttpTransport.h"

#include "AddressSubstitution.h"
#include "BusyIndicator.h"
#include "TextCodec.h"

#include <QBuffer>
#include <QFile>
#include <curl/curl.h>
#include <mutex>

namespace kalvuno {

namespace {

constexpr int kSubstitutionTail = 200;

void ensureCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Easy
{
    CURL *handle = curl_easy_init();
    curl_slist *headers = nullptr;
    ~Easy()
    {
        curl_slist_free_all(headers);
        if (handle)
            curl_easy_cleanup(handle);
    }
    void header(const char *line) { headers = curl_slist_append(headers, line); }
    long responseCode() const
    {
        long code = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }
};

// Options every request shares.
void commonOptions(Easy &e, const QByteArray &url, const char *agent, uint32_t limitMs)
{
    curl_easy_setopt(e.handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(e.handle, CURLOPT_USERAGENT, agent);
    curl_easy_setopt(e.handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e.handle, CURLOPT_CONNECTTIMEOUT_MS, long(limitMs));
    curl_easy_setopt(e.handle, CURLOPT_BUFFERSIZE, long(kReadChunk));
    // Media locations come from service answers and web pages: never let one
    // reach a local file or another protocol.
    curl_easy_setopt(e.handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e.handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
}

// GETs always come from the origin server, never from a cache.
void getOptions(Easy &e)
{
    curl_easy_setopt(e.handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e.handle, CURLOPT_MAXREDIRS, 10L);
    e.header("Cache-Control: no-cache");
    e.header("Pragma: no-cache");
    curl_easy_setopt(e.handle, CURLOPT_HTTPHEADER, e.headers);
}

struct StreamSink
{
    QIODevice *stream;
    qint64 received = 0;
};

size_t writeToStream(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<StreamSink *>(user);
    const size_t bytes = size * count;
    sink->stream->write(data, qint64(bytes));
    sink->received += qint64(bytes);
    // The answer is cut after the read that reaches the cap.
    return sink->received >= kAnswerCap ? 0 : bytes;
}

struct FileSink
{
    QFile *file;
    const Clock *clock;
    uint32_t limitMs;
    uint32_t passStart;
    bool stalled = false;
    bool writeFailed = false;
};

size_t writeToFile(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<FileSink *>(user);
    const size_t bytes = size * count;
    if (sink->file->write(data, qint64(bytes)) != qint64(bytes)) {
        sink->writeFailed = true;
        return 0;
    }
    sink->passStart = sink->clock->milliseconds();
    return bytes;
}

// Called by libcurl at least once a second while a transfer waits.
int watchFileTransfer(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *sink = static_cast<FileSink *>(user);
    if (sink->clock->milliseconds() - sink->passStart >= sink->limitMs) {
        sink->stalled = true;
        return 1;
    }
    return 0;
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

HttpTransport::HttpTransport(const Clock &clock, uint32_t timeLimitMs) : m_clock(clock), m_timeLimitMs(timeLimitMs)
{
    ensureCurl();
}

bool HttpTransport::GetToStream(QIODevice &stream, const QString &url, int *status) const
{
    const BusyScope busy;
    Easy e;
    if (!e.handle)
        return false;
    // Service commands carry what users typed in their queries.
    const bool serviceCommand = !m_addressing.baseUrl.isEmpty() && url.startsWith(m_addressing.baseUrl);
    commonOptions(e, requestUrlBytes(url, serviceCommand), "Kalvuno", m_timeLimitMs);
    getOptions(e);
    // One deadline for connecting and reading.
    curl_easy_setopt(e.handle, CURLOPT_TIMEOUT_MS, long(m_timeLimitMs));
    StreamSink sink{&stream};
    curl_easy_setopt(e.handle, CURLOPT_WRITEFUNCTION, writeToStream);
    curl_easy_setopt(e.handle, CURLOPT_WRITEDATA, &sink);
    curl_easy_perform(e.handle);
    const long code = e.responseCode();
    if (status)
        *status = int(code);
    // Once the server has answered, whatever arrived is the answer, cut or not.
    stream.seek(0);
    return code > 0;
}

bool HttpTransport::GetLines(QStringList &lines, const QString &url, int *status) const
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    if (!GetToStream(buffer, url, status))
        return false;
    QByteArray bytes = buffer.data();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    const QString text = decodeFileText(bytes).text;
    lines.clear();
    for (const QStringView line : splitLines(text))
        lines.append(line.toString());
    return true;
}

bool HttpTransport::DownloadToFile(const QString &fileName, const QString &url, int *status) const
{
    const BusyScope busy;
    QString location = url;
    SubstituteAddress(location);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    Easy e;
    if (!e.handle)
        return false;
    commonOptions(e, requestUrlBytes(location, false), "Kalvuno", m_timeLimitMs);
    getOptions(e);
    FileSink sink{&file, &m_clock, m_timeLimitMs, m_clock.milliseconds()};
    curl_easy_setopt(e.handle, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(e.handle, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(e.handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e.handle, CURLOPT_XFERINFOFUNCTION, watchFileTransfer);
    curl_easy_setopt(e.handle, CURLOPT_XFERINFODATA, &sink);
    const CURLcode result = curl_easy_perform(e.handle);
    if (status)
        *status = int(e.responseCode());
    file.close();
    return result == CURLE_OK && !sink.stalled && !sink.writeFailed && file.error() == QFileDevice::NoError;
}

QString HttpTransport::serviceRequestUrl(const QString &path) const
{
    // The host may carry a port; without one, port 80.
    return QStringLiteral("http://") + m_addressing.host + m_addressing.scriptPath + path;
}

bool HttpTransport::PostToService(const QByteArray &body, const QString &path, int *status) const
{
    Easy e;
    if (!e.handle)
        return false;
    commonOptions(e, requestUrlBytes(serviceRequestUrl(path), false), "WININET Sample Program", m_timeLimitMs);
    // A server that never answers must not freeze the program.
    curl_easy_setopt(e.handle, CURLOPT_TIMEOUT_MS, long(m_timeLimitMs));
    const QByteArray referer = m_addressing.folderUrl.toUtf8();
    curl_easy_setopt(e.handle, CURLOPT_REFERER, referer.constData());
    curl_easy_setopt(e.handle, CURLOPT_POST, 1L);
    curl_easy_setopt(e.handle, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(e.handle, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    // The body goes as it is: no Content-Type, no Accept, no 100-continue wait.
    e.header("Content-Type:");
    e.header("Accept:");
    e.header("Expect:");
    curl_easy_setopt(e.handle, CURLOPT_HTTPHEADER, e.headers);
    curl_easy_setopt(e.handle, CURLOPT_WRITEFUNCTION, discard);
    const CURLcode result = curl_easy_perform(e.handle);
    if (status)
        *status = int(e.responseCode());
    return result == CURLE_OK;
}

} // namespace kalvuno
