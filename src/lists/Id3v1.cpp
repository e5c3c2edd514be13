#include "Id3v1.h"

#include "LocalFile.h"

#include <QFileInfo>
#include <iterator>

namespace kalvuno {

namespace {

// In the published order: the tag format's own 80 names, then Winamp's.
constexpr const char *kGenres[] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal", "New Age",
    "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska",
    "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion",
    "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave",
    "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro",
    "Musical", "Rock & Roll", "Hard Rock",
    // 80 on
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
    "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music",
    "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba",
    "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo",
    "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal", "Black Metal",
    "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Thrash Metal", "Anime", "JPop",
    "Synthpop"};
static_assert(std::size(kGenres) == kId3v1Genres);

// A text field up to its first zero byte; blanks that pad it stay.
QString field(QByteArrayView tail, int offset, int length)
{
    QByteArrayView bytes = tail.sliced(offset, length);
    const qsizetype zero = bytes.indexOf('\0');
    return decodeTagBytes(zero >= 0 ? bytes.first(zero) : bytes);
}

} // namespace

QString id3v1Genre(int number)
{
    return number >= 0 && number < kId3v1Genres ? QString::fromLatin1(kGenres[number]) : QString();
}

std::optional<TagText> parseId3v1(QByteArrayView tail)
{
    if (tail.size() != kId3v1Size || !tail.startsWith("TAG"))
        return std::nullopt;
    return TagText{field(tail, 3, 30), field(tail, 33, 30), id3v1Genre(uchar(tail[127]))};
}

std::optional<TagText> ReadID3v1(const QString &path)
{
    if (QFileInfo(path).suffix().compare(u"mp3", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const auto tail = readFileTail(path, kId3v1Size);
    return tail ? parseId3v1(*tail) : std::nullopt;
}

} // namespace kalvuno
