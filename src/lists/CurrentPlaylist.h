#pragma once

#include "EntryKeys.h"
#include "IniFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

namespace kalvuno {

// The six texts the information panel shows for an entry.
struct EntryInfo
{
    QString artist;
    QString title;
    QString genre;
    QString playCount; // "--" for none
    QString home;
    QString rank;
};

using EntryValues = QList<std::pair<QString, QString>>;

inline constexpr char16_t kCurrentPlaylistCaption[] = u"現在のプレイリスト";

// The current playlist: the file "Current.ini" (one section per entry) and
// the section list (the entry keys in the list box's order), kept in step.
// The list box only shows what this holds; a line's title is read from the
// file when the line is drawn, so a long list is held once, as file text.
//
// Operations that write return false when the file could not be written; the
// caller then shows the write error and ends what it was doing.
class CurrentPlaylist
{
public:
    explicit CurrentPlaylist(QString path);

    const QString &path() const { return m_path; }
    // Until the first load there is no file handle and nothing can be added.
    bool isOpen() const { return m_file != nullptr; }
    // The open file, so that many inserts (a drop of many files) can be one
    // write with an IniBatch; none until the first load.
    IniFile *file() { return m_file.get(); }
    // Every line's key, made on request.
    QStringList keys() const { return m_keys.toList(); }
    // The key of line i, which must exist.
    QString key(int i) const { return m_keys.at(i); }
    // The first line with this key, or -1.
    int indexOf(const QString &key) const { return int(m_keys.indexOf(key)); }
    // The title shown on line i.
    QString title(int i) const { return value(i, u"Title"); }
    // Every line's title, made on request.
    QStringList titles() const;
    int count() const { return int(m_keys.size()); }
    int selected() const { return m_selected; }
    // Selects line i, or nothing when i is out of range.
    void select(int i);

    // The saved playlist the list came from or was saved to; empty otherwise.
    const QString &loadedPlaylistPath() const { return m_loadedPlaylistPath; }
    void setLoadedPlaylist(const QString &path, const QString &caption);
    const QString &caption() const { return m_caption; }

    // Reads the file afresh; selects line `index` when it exists, else the
    // first line. `forget` also forgets the saved playlist's name.
    void load(int index, bool forget);
    // Drops the section list and the file handle.
    void release();
    // Empties the list: the file is deleted and new entries go into an empty
    // list. A saved playlist it came from is forgotten, so that saving cannot
    // overwrite that playlist with other songs.
    void clear();
    // Rewrites the file with its sections in list order, atomically.
    bool rewriteInListOrder();
    // Writes an entry into the file (a new key at its end, a known key in
    // place) and inserts its line after the selection, selecting it. Does
    // nothing while no file is open.
    bool insertEntry(const QString &key, const EntryValues &values);
    // Writes an entry and adds its line at the end of the list; the selection
    // is left on the line that was last before.
    bool appendEntry(const QString &key, const EntryValues &values);
    // Removes the selected entry from the file and the list.
    bool removeSelected();
    bool moveSelectedUp();
    bool moveSelectedDown();
    bool canMoveUp() const { return m_selected > 0; }
    bool canMoveDown() const { return m_selected >= 0 && m_selected < count() - 1; }

    // The panel texts of the selected entry; nothing when no line is selected.
    std::optional<EntryInfo> selectedInfo() const;
    QString selectedKey() const { return m_selected >= 0 ? m_keys.at(m_selected) : QString(); }
    // A value of the entry behind line i.
    QString value(int i, QStringView key) const;

private:
    bool move(int from, int to);

    QString m_path;
    std::unique_ptr<IniFile> m_file;
    EntryKeys m_keys;
    int m_selected = -1;
    QString m_loadedPlaylistPath;
    QString m_caption = QString::fromUtf16(kCurrentPlaylistCaption);
};

// A request left for the next tick of the main loop.
struct PendingListAction
{
    enum Code { None = 0, OpenFavorite = 1, OpenPlaylist = 2, PlayFirst = 3, PlayLast = 4 };
    int code = None;
    QString path; // for OpenFavorite and OpenPlaylist
};

// What a file handed to the program (command line, drop, open dialog) asks
// for: a favourite or a saved playlist becomes the action of the next tick;
// anything else is a media file (code None) for the current playlist.
PendingListAction pendingActionForFile(const QString &path);

} // namespace kalvuno
