#include "OtherTags.h"

#include "LocalFile.h"

#include <QFile>
#include <fileref.h>
#include <id3v2tag.h>
#include <mutex>
#include <tag.h>

namespace kalvuno {

namespace {

// ID3v2 text frames marked Latin-1 hold CP932 or UTF-8 bytes in practice.
class TagBytesHandler : public TagLib::ID3v2::Latin1StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override
    {
        const QByteArray utf8 = decodeTagBytes(QByteArrayView(data.data(), data.size())).toUtf8();
        return TagLib::String(utf8.constData(), TagLib::String::UTF8);
    }
};

QString fromTagLib(const TagLib::String &text) { return QString::fromUtf8(text.toCString(true)); }

} // namespace

std::optional<TagText> readOtherTags(const QString &path)
{
    static std::once_flag once;
    std::call_once(once, [] {
        static const TagBytesHandler handler;
        TagLib::ID3v2::Tag::setLatin1StringHandler(&handler);
    });
    if (!isRegularFile(path))
        return std::nullopt;
    const QByteArray name = QFile::encodeName(path);
    // Tags only: the length of the audio is of no use here and costs a scan.
    const TagLib::FileRef file(name.constData(), false);
    const TagLib::Tag *tag = file.isNull() ? nullptr : file.tag();
    if (!tag)
        return std::nullopt;
    TagText text{fromTagLib(tag->title()), fromTagLib(tag->artist()), fromTagLib(tag->genre())};
    if (text.title.isEmpty() && text.artist.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace kalvuno
