// Tags of local media files: ReadID3v1 over a file agrees with the tag in its
// last 128 bytes, its fields stop at their first zero byte and fit their 30
// bytes, and its genre is a known name or nothing; the other tags (TagLib over
// the same file) are read without harm and only when they name something.
//
// Input: one byte that picks the file's extension, then the file's bytes.
#include "FuzzSupport.h"
#include "Id3v1.h"
#include "OtherTags.h"
#include "TagText.h"

#include <QFile>
#include <iterator>

using namespace kalvuno;

namespace {

constexpr const char *kExtensions[] = { "mp3", "MP3", "wav", "mpg", "avi", "mid", "flac", "ogg" };

bool knownGenre(const QString &genre)
{
    if (genre.isEmpty())
        return true;
    for (int i = 0; i < kId3v1Genres; ++i)
        if (id3v1Genre(i) == genre)
            return true;
    return false;
}

void checkField(const QString &text)
{
    FUZZ_CHECK(text.size() <= 30);
    FUZZ_CHECK(!text.contains(QChar(0)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const char *extension = kExtensions[data[0] % std::size(kExtensions)];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString path = fuzz::tempPath(QStringLiteral("song.") + QLatin1String(extension));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    const std::optional<TagText> tail
        = bytes.size() >= kId3v1Size ? parseId3v1(QByteArrayView(bytes).last(kId3v1Size)) : std::nullopt;
    FUZZ_CHECK(
        tail.has_value() == (bytes.size() >= kId3v1Size && bytes.sliced(bytes.size() - kId3v1Size).startsWith("TAG")));
    const std::optional<TagText> v1 = ReadID3v1(path);
    const bool mp3 = QLatin1String(extension).compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0;
    FUZZ_CHECK(v1.has_value() == (mp3 && tail.has_value()));
    if (v1) {
        FUZZ_CHECK(v1->title == tail->title && v1->artist == tail->artist && v1->genre == tail->genre);
        checkField(v1->title);
        checkField(v1->artist);
        FUZZ_CHECK(knownGenre(v1->genre));
    }

    // Any bytes of a tag field give text, the same text every time.
    const QString field = decodeTagBytes(bytes);
    FUZZ_CHECK(field.size() <= bytes.size());
    FUZZ_CHECK(decodeTagBytes(bytes) == field);

    if (const std::optional<TagText> other = readOtherTags(path)) {
        FUZZ_CHECK(!other->title.isEmpty() || !other->artist.isEmpty());
        const std::optional<TagText> again = readOtherTags(path);
        FUZZ_CHECK(
            again && again->title == other->title && again->artist == other->artist && again->genre == other->genre);
    }
    return 0;
}
