#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace kalvuno {

// How a text file is stored on disk. Files are CP932 unless they start with a
// UTF-8 byte-order mark, which we use when the text has characters that CP932
// cannot hold.
enum class TextEncoding { Cp932, Utf8Bom };

struct DecodedText
{
    QString text;
    TextEncoding encoding = TextEncoding::Cp932;
};

struct EncodedText
{
    QByteArray bytes;
    TextEncoding encoding = TextEncoding::Cp932;
};

// Decodes CP932 bytes. A byte that is not valid CP932 is kept as the private
// use character U+F700 + byte, and encodeCp932 turns it back into that byte,
// so damaged files survive a read and a write unchanged.
QString decodeCp932(QByteArrayView bytes);

// Encodes text as CP932. Returns nothing when a character has no exact CP932
// form (including characters CP932 would only approximate, such as U+301C).
std::optional<QByteArray> encodeCp932(QStringView text);

// Reads a file's bytes: UTF-8 after a BOM, CP932 otherwise.
DecodedText decodeFileText(QByteArrayView bytes);

// Bytes for a whole file: CP932 when every character fits and the bytes do
// not begin like a UTF-8 BOM, UTF-8 with a BOM otherwise.
EncodedText encodeFileText(QStringView text);

// Bytes of a piece of text to be appended to a file stored in the given
// encoding. Returns nothing when the file is CP932 and the text does not fit.
std::optional<QByteArray> encodeForAppend(QStringView text, TextEncoding fileEncoding);

// The encoding of a file as told by its first bytes.
TextEncoding encodingOfFileHead(QByteArrayView head);

// Text held as UTF-8, exactly: a leading U+FEFF is a character here, not a
// byte-order mark to drop, and no bytes give an empty text, not a null one.
QString textFromUtf8(QByteArrayView utf8);

// Splits text into lines at CR LF, a lone CR or a lone LF. A line break at
// the very end does not make an empty last line.
QList<QStringView> splitLines(QStringView text);

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

} // namespace kalvuno
