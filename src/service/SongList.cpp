#include "SongList.h"

namespace kalvuno {

SongFields SongList::fields(const QString &id) const
{
    return {m_file.readString(id, u"Artist"), m_file.readString(id, u"Title"), m_file.readString(id, u"Genre"),
            m_file.readString(id, u"MP3"), m_file.readString(id, u"Home")};
}

bool SongList::add(const QString &id, const SongFields &shown)
{
    const bool first = m_file.sectionNames().isEmpty();
    const QString http = QStringLiteral("http://");
    IniBatch batch(m_file);
    bool ok = m_file.writeString(id, u"Artist", first ? QStringLiteral("Unknown") : shown.artist);
    ok = m_file.writeString(id, u"Genre", first ? QString() : shown.genre) && ok;
    ok = m_file.writeString(id, u"Home", first ? http : shown.home) && ok;
    ok = m_file.writeString(id, u"MP3", first ? http : shown.mp3) && ok;
    ok = m_file.writeString(id, u"Title", QStringLiteral("No Title")) && ok;
    return batch.commit() && ok;
}

bool SongList::save(const QString &id, const SongFields &f)
{
    IniBatch batch(m_file);
    bool ok = m_file.writeString(id, u"Artist", f.artist);
    ok = m_file.writeString(id, u"Title", f.title) && ok;
    ok = m_file.writeString(id, u"Genre", f.genre) && ok;
    ok = m_file.writeString(id, u"MP3", f.mp3) && ok;
    ok = m_file.writeString(id, u"Home", f.home) && ok;
    return batch.commit() && ok;
}

bool SongList::setPublic(const QString &id, bool open)
{
    if (!m_file.hasSection(id))
        return true;
    return m_file.writeInteger(id, u"Open", open ? 1 : 0);
}

bool SongList::setAllPublic(bool open)
{
    IniBatch batch(m_file);
    bool ok = true;
    for (const QString &id : m_file.sectionNames())
        ok = m_file.writeInteger(id, u"Open", open ? 1 : 0) && ok;
    return batch.commit() && ok;
}

} // namespace kalvuno
