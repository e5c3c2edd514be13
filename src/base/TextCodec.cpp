#include "TextCodec.h"

#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace kalvuno {

namespace {

constexpr char16_t kEscapeBase = 0xF700;

// One iconv conversion descriptor for the length of one call.
class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

bool isEscapedByte(char16_t c) { return c >= kEscapeBase && c <= kEscapeBase + 0xFF; }

} // namespace

QString decodeCp932(QByteArrayView bytes)
{
    QString out;
    if (bytes.isEmpty())
        return out;
    Iconv cv("UTF-16LE", "CP932");
    // Every CP932 byte gives at most one UTF-16 unit.
    out.resize(bytes.size());
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *dst = reinterpret_cast<char *>(out.data());
    size_t outLeft = size_t(out.size()) * 2;
    while (inLeft > 0) {
        if (!cv.valid() || iconv(cv.handle(), &in, &inLeft, &dst, &outLeft) == size_t(-1)) {
            if (cv.valid() && errno == E2BIG)
                break; // cannot happen given the size above
            // An invalid or truncated sequence: keep its first byte and go on.
            auto *unit = reinterpret_cast<char16_t *>(dst);
            *unit = char16_t(kEscapeBase + static_cast<unsigned char>(*in));
            dst += 2;
            outLeft -= 2;
            ++in;
            --inLeft;
            if (cv.valid())
                iconv(cv.handle(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    out.resize((reinterpret_cast<QChar *>(dst) - out.data()));
    return out;
}

std::optional<QByteArray> encodeCp932(QStringView text)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    Iconv cv("CP932", "UTF-16LE");
    if (!cv.valid())
        return std::nullopt;
    out.resize(text.size() * 2);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.data()));
    size_t inLeft = size_t(text.size()) * 2;
    char *dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cv.handle(), &in, &inLeft, &dst, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG)
            return std::nullopt; // a character took more than two bytes: not CP932
        const char16_t unit = *reinterpret_cast<const char16_t *>(in);
        if (!isEscapedByte(unit) || outLeft < 1)
            return std::nullopt;
        *dst++ = char(unit - kEscapeBase);
        --outLeft;
        in += 2;
        inLeft -= 2;
        iconv(cv.handle(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(dst - out.data());
    // iconv maps a few characters to a CP932 look-alike (U+301C to the code of
    // U+FF5E, for instance); such text would not read back as written.
    if (decodeCp932(out) != text)
        return std::nullopt;
    return out;
}

TextEncoding encodingOfFileHead(QByteArrayView head)
{
    return head.startsWith(QByteArrayView(kUtf8Bom)) ? TextEncoding::Utf8Bom : TextEncoding::Cp932;
}

DecodedText decodeFileText(QByteArrayView bytes)
{
    if (encodingOfFileHead(bytes) == TextEncoding::Utf8Bom)
        return {QString::fromUtf8(bytes.sliced(3)), TextEncoding::Utf8Bom};
    return {decodeCp932(bytes), TextEncoding::Cp932};
}

EncodedText encodeFileText(QStringView text)
{
    // CP932 bytes that begin like the byte-order mark would read back as
    // UTF-8 (text that kept the bytes EF BB BF of a damaged file, say).
    if (auto cp932 = encodeCp932(text); cp932 && encodingOfFileHead(*cp932) == TextEncoding::Cp932)
        return {std::move(*cp932), TextEncoding::Cp932};
    // Reading skips a second mark after the first (some editors write two),
    // so text that starts with U+FEFF gets one more, or it would lose that
    // character and "\uFEFF[a]" would read back as a section header.
    QByteArray bytes(kUtf8Bom);
    if (text.startsWith(QChar(0xFEFF)))
        bytes += kUtf8Bom;
    return {bytes + text.toUtf8(), TextEncoding::Utf8Bom};
}

std::optional<QByteArray> encodeForAppend(QStringView text, TextEncoding fileEncoding)
{
    if (fileEncoding == TextEncoding::Utf8Bom)
        return text.toUtf8();
    return encodeCp932(text);
}

QString textFromUtf8(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return QStringLiteral("");
    if (!utf8.startsWith(kUtf8Bom))
        return QString::fromUtf8(utf8.data(), utf8.size());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder(utf8);
}

QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lines.append(text.sliced(pos, end - pos));
        pos = end;
        if (pos < n && text[pos] == u'\r')
            ++pos;
        if (pos < n && text[pos] == u'\n' && (pos == end || text[end] == u'\r'))
            ++pos;
    }
    return lines;
}

} // namespace kalvuno
