#pragma once

#include <QString>
#include <optional>

namespace kalvuno {

// The download settings of "Kalvuno.ini". A folder is a full path; an empty
// one turns downloads of its type off.
struct DownloadSettings
{
    bool enabled = true;     // DownloadON
    bool libraryOnly = true; // DownloadKalvunoOnly
    QString mp3Folder;       // DownLoad, also the music folder
    QString wavFolder;       // DownLoadWAV
    QString mpegFolder;      // DownLoadMpeg
    QString midiFolder;      // DownLoadMIDI
};

// What the playlist says of the entry that was heard to the end.
struct FinishedEntry
{
    QString key;
    QString location; // its MP3
    QString artist;
    QString title;
};

// One download: the entry's media into folder/artist/fileName.
struct DownloadJob
{
    QString key;
    QString url;
    QString folder;   // the download folder of the medium's type, ending in "/"
    QString artist;   // a safe folder name
    QString fileName; // a safe title with the medium's extension
    QString title;    // as the entry shows it
    // The download record's value: where the copy lies below the folder.
    QString relativePath() const { return artist + u'/' + fileName; }
    QString target() const { return folder + relativePath(); }
};

// A local file's entry: an absolute path, a file: URL, or a key with "\".
// ("/" alone cannot tell a path from a URL.)
bool isLocalEntryKey(const QString &key);

// The extension of a media location, dot included and letter case kept: from
// the last "." of its path (a URL's query and fragment do not count), empty
// when a "/", "\" or ":" follows that ".".
QString mediaExtension(const QString &location);

// The download folder of an extension's media type, or nothing for a type
// that is never downloaded.
std::optional<QString> downloadFolderFor(const QString &extension, const DownloadSettings &settings);

// The download of an entry that was heard to the end, when it is due: not a
// local file, downloads on, library content unless links are allowed, a
// download folder that exists for its type, an artist and a title, and no
// copy recorded (`record`) that is still there. Artist and title become safe
// file names, so the copy always lands inside the folder.
std::optional<DownloadJob> planDownload(const FinishedEntry &entry, const DownloadSettings &settings,
                                        const QString &record);

} // namespace kalvuno
