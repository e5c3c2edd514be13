#include "TagText.h"

#include "TextCodec.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace kalvuno {

namespace {

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString decodeTagBytes(QByteArrayView bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(bytes);
    if (auto text = strictUtf8(bytes))
        return *text;
    // A fixed-size field may cut the last UTF-8 character short: drop its
    // first bytes rather than read the whole field as CP932.
    for (qsizetype cut = 1; cut <= 3 && cut < bytes.size(); ++cut) {
        if (uchar(bytes[bytes.size() - cut]) < 0xC2)
            continue;
        if (auto text = strictUtf8(bytes.first(bytes.size() - cut)))
            return *text;
        break;
    }
    return decodeCp932(bytes);
}

} // namespace kalvuno
