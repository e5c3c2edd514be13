#include "CurrentPlaylist.h"

#include <QFile>
#include <QFileInfo>

namespace kalvuno {

CurrentPlaylist::CurrentPlaylist(QString path) : m_path(std::move(path)) {}

void CurrentPlaylist::select(int i) { m_selected = (i >= 0 && i < count()) ? i : -1; }

void CurrentPlaylist::setLoadedPlaylist(const QString &path, const QString &caption)
{
    m_loadedPlaylistPath = path;
    m_caption = caption;
}

void CurrentPlaylist::load(int index, bool forget)
{
    release();
    // Other code replaces the file behind our back (a search answer, a saved
    // playlist copied over it): always read it from disk.
    m_file = std::make_unique<IniFile>(m_path);
    m_keys = EntryKeys(m_file->sectionNames());
    select(index >= 0 && index < count() ? index : 0);
    if (forget)
        setLoadedPlaylist(QString(), QString::fromUtf16(kCurrentPlaylistCaption));
}

void CurrentPlaylist::release()
{
    m_file.reset();
    m_keys.clear();
    m_selected = -1;
}

void CurrentPlaylist::clear()
{
    release();
    QFile::remove(m_path);
    m_file = std::make_unique<IniFile>(m_path);
    setLoadedPlaylist(QString(), QString::fromUtf16(kCurrentPlaylistCaption));
}

bool CurrentPlaylist::rewriteInListOrder()
{
    if (!m_file)
        return true;
    // A temporary copy of an interrupted rewrite of older versions is of no use any more.
    QFile::remove(m_path.chopped(1) + u'~');
    return m_file->rewriteInSectionOrder(m_keys.toList());
}

bool CurrentPlaylist::insertEntry(const QString &key, const EntryValues &values)
{
    if (!m_file)
        return true;
    IniBatch batch(*m_file);
    for (const auto &[name, text] : values)
        m_file->writeString(key, name, text);
    if (!batch.commit())
        return false;
    const int at = m_selected + 1;
    m_keys.insert(at, key);
    m_selected = at;
    return true;
}

bool CurrentPlaylist::appendEntry(const QString &key, const EntryValues &values)
{
    if (!m_file)
        return true;
    const int lastBefore = count() - 1;
    select(lastBefore);
    if (!insertEntry(key, values))
        return false;
    select(lastBefore);
    return true;
}

bool CurrentPlaylist::removeSelected()
{
    if (!m_file || m_selected < 0)
        return true;
    const int s = m_selected;
    if (!m_file->eraseSection(m_keys.at(s)))
        return false;
    m_keys.removeAt(s);
    load(s, false);
    return true;
}

bool CurrentPlaylist::move(int from, int to)
{
    if (!m_file || from < 0 || to < 0 || from >= count() || to >= count())
        return true;
    m_keys.swapItemsAt(from, to);
    if (!rewriteInListOrder())
        return false;
    load(to, false);
    return true;
}

bool CurrentPlaylist::moveSelectedUp() { return move(m_selected, m_selected - 1); }

bool CurrentPlaylist::moveSelectedDown() { return move(m_selected, m_selected + 1); }

QStringList CurrentPlaylist::titles() const
{
    QStringList titles;
    titles.reserve(count());
    for (int i = 0; i < count(); ++i)
        titles.append(title(i));
    return titles;
}

std::optional<EntryInfo> CurrentPlaylist::selectedInfo() const
{
    if (!m_file || m_selected < 0)
        return std::nullopt;
    const QString key = m_keys.at(m_selected);
    EntryInfo info;
    info.artist = m_file->readString(key, u"Artist");
    info.title = m_file->readString(key, u"Title");
    info.genre = m_file->readString(key, u"Genre");
    info.playCount = m_file->readString(key, u"MP3Count");
    if (info.playCount == u"0")
        info.playCount = QStringLiteral("--");
    info.home = m_file->readString(key, u"Home");
    info.rank = m_file->readString(key, u"Rank");
    return info;
}

QString CurrentPlaylist::value(int i, QStringView key) const
{
    if (!m_file || i < 0 || i >= count())
        return QString();
    return m_file->readString(m_keys.at(i), key);
}

PendingListAction pendingActionForFile(const QString &path)
{
    const QFileInfo file(path);
    const QString extension = file.suffix().toUpper();
    if (extension == u"FVR")
        return {PendingListAction::OpenFavorite, file.absoluteFilePath()};
    if (extension == u"PL" || extension == u"PLF")
        return {PendingListAction::OpenPlaylist, file.absoluteFilePath()};
    return {};
}

} // namespace kalvuno
