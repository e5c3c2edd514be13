#pragma once

#include "IniFile.h"

#include <QString>
#include <QStringList>

namespace kalvuno {

// The fields of one registered song, as the registration dialog edits them.
struct SongFields
{
    QString artist;
    QString title;
    QString genre;
    QString mp3;
    QString home;
};

// "MySongs.dat": the user's own songs for the library service, one section a
// song under the song ID the service issued, in the shape of a playlist file.
// Every change goes to disk at once; each returns false when the file could
// not be written.
class SongList
{
public:
    explicit SongList(const QString &path) : m_file(path) {}

    const QString &path() const { return m_file.path(); }
    // Reads the file again from disk; false when it exists but cannot be read.
    bool reload() { return m_file.reload(); }

    QStringList ids() const { return m_file.sectionNames(); }
    bool contains(const QString &id) const { return m_file.hasSection(id); }
    QString title(const QString &id) const { return m_file.readString(id, u"Title"); }
    SongFields fields(const QString &id) const;
    // A song without an Open key is public.
    bool isPublic(const QString &id) const { return m_file.readInteger(id, u"Open", 1) > 0; }

    // A new song titled "No Title": the first of an empty list gets "Unknown",
    // no genre and "http://" for both URLs, a later one the given fields (the
    // artist, genre and URLs of the song shown). Keys in the order Artist,
    // Genre, Home, MP3, Title, written as one change.
    bool add(const QString &id, const SongFields &shown);
    // Artist, Title, Genre, MP3, Home from the fields, as one change.
    bool save(const QString &id, const SongFields &fields);
    bool setPublic(const QString &id, bool open);
    bool setAllPublic(bool open);
    bool remove(const QString &id) { return m_file.eraseSection(id); }

private:
    IniFile m_file;
};

} // namespace kalvuno
