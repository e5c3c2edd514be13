#include "Cp932.h"

#include "TextCodec.h"

#include <algorithm>

namespace kalvuno::server {

std::string toCp932(std::string_view utf8)
{
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(utf8);
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    if (auto bytes = encodeCp932(text))
        return bytes->toStdString();
    std::string out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const auto bytes = encodeCp932(QStringView(text).sliced(i, len));
        out += bytes ? bytes->toStdString() : std::string("?");
        i += len - 1;
    }
    return out;
}

std::string fromClientBytes(std::string_view bytes)
{
    return decodeFileText(QByteArrayView(bytes.data(), qsizetype(bytes.size()))).text.toStdString();
}

std::string foldAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return out;
}

} // namespace kalvuno::server
