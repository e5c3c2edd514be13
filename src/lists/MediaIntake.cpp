#include "MediaIntake.h"

#include "Id3v1.h"
#include "OtherTags.h"

#include <QDir>
#include <QFileInfo>

namespace kalvuno {

namespace {

// The name up to the last "." of the file name.
QString withoutExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= 0 ? fileName.first(dot) : fileName;
}

// Title and artist from where the file lies below the music folder.
void nameFromFolder(const QString &path, QString folder, TagText &text)
{
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    if (!path.startsWith(folder, Qt::CaseInsensitive))
        return;
    const QStringView rest = QStringView(path).sliced(folder.size());
    const QString fileName = QFileInfo(path).fileName();
    switch (rest.count(u'/')) {
    case 0:
        text.title = withoutExtension(fileName);
        break;
    case 1:
        text.artist = rest.first(rest.indexOf(u'/')).toString();
        text.title = withoutExtension(fileName);
        break;
    default:
        break;
    }
}

} // namespace

MediaEntry mediaEntryFor(const QString &path, const QString &musicFolder)
{
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    TagText text{QFileInfo(full).fileName(), QString(), QString()};
    if (auto tag = ReadID3v1(full))
        text = *tag;
    else if (auto other = readOtherTags(full))
        text = *other;
    else
        nameFromFolder(full, QDir::cleanPath(musicFolder), text);
    if (text.artist.isEmpty())
        text.artist = QStringLiteral("Unknown");
    if (text.title.isEmpty())
        text.title = QStringLiteral("No Title");
    MediaEntry entry{full, {{QStringLiteral("Title"), text.title}, {QStringLiteral("Artist"), text.artist}}};
    if (!text.genre.isEmpty())
        entry.values.append({QStringLiteral("Genre"), text.genre});
    entry.values.append({QStringLiteral("MP3"), full});
    return entry;
}

} // namespace kalvuno
