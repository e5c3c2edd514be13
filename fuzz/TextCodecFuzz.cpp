// The text codec: any bytes decode (CP932 keeps even invalid bytes), and any
// text that can be encoded decodes back to the same text, whole files and
// appended pieces alike.
//
// Input: bytes, used both as CP932 and, for the text side, as UTF-8 and as
// UTF-16 code units.
#include "FuzzSupport.h"
#include "TextCodec.h"

#include <cstring>

using namespace kalvuno;

namespace {

void checkTextRoundTrips(const QString &text)
{
    if (const std::optional<QByteArray> cp932 = encodeCp932(text))
        FUZZ_CHECK(decodeCp932(*cp932) == text);

    const EncodedText file = encodeFileText(text);
    const DecodedText back = decodeFileText(file.bytes);
    FUZZ_CHECK(back.text == text);
    FUZZ_CHECK(back.encoding == file.encoding);
    FUZZ_CHECK(encodingOfFileHead(file.bytes) == file.encoding);

    // A piece appended to a file in either encoding reads back as part of it.
    static const QString kHead = QStringLiteral("[a]\r\nTitle=x\r\n");
    for (const TextEncoding encoding : { TextEncoding::Cp932, TextEncoding::Utf8Bom }) {
        const QByteArray head = encoding == TextEncoding::Cp932 ? kHead.toLatin1() : kUtf8Bom + kHead.toUtf8();
        if (const std::optional<QByteArray> piece = encodeForAppend(text, encoding))
            FUZZ_CHECK(decodeFileText(head + *piece).text == kHead + text);
        else
            FUZZ_CHECK(encoding == TextEncoding::Cp932 && !encodeCp932(text));
    }

    // Lines split at every break and at nothing else.
    qsizetype kept = 0;
    for (const QStringView line : splitLines(text)) {
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
        kept += line.size();
    }
    FUZZ_CHECK(kept == text.size() - text.count(u'\r') - text.count(u'\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // CP932 bytes, damaged ones too: the text they decode to goes back to a
    // file without loss. (Not always to the same bytes: CP932 gives some
    // characters both an NEC and an IBM code and encoding picks one; an invalid
    // byte next to such a character may then leave CP932 unable to hold the
    // text, which is written as UTF-8 instead.)
    const QString decoded = decodeCp932(bytes);
    checkTextRoundTrips(decoded);

    // The same bytes as text of any kind: what can be encoded decodes back.
    checkTextRoundTrips(QString::fromUtf8(bytes));
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, size / 2 * 2); // the input need not be aligned for char16_t
    // Text in memory comes from decoding and never holds a lone surrogate,
    // which no file encoding can carry.
    if (units.isValidUtf16())
        checkTextRoundTrips(units);
    return 0;
}
