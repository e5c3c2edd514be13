#include "OnTimer.h"

#include "IniFile.h"
#include "OffTimer.h"

namespace kalvuno {

namespace {
constexpr char16_t kTime[] = u"Time";
constexpr char16_t kTarget[] = u"Target";
constexpr char16_t kFavoriteTarget[] = u"FavoriteTarget";
constexpr char16_t kPlaylistTarget[] = u"PlaylistTarget";
constexpr char16_t kFavorite[] = u"Favorite";
constexpr char16_t kPlaylist[] = u"Playlist";
constexpr char16_t kUseOffTimer[] = u"UseOffTimer";
constexpr char16_t kOffTimer[] = u"OffTimer";
constexpr char16_t kPriority[] = u"Priority";
} // namespace

QTime parseTimeOfDay(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QString &format : {QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}) {
        const QTime time = QTime::fromString(trimmed, format);
        if (time.isValid())
            return time;
    }
    return QTime(0, 0);
}

QString formatTimeOfDay(const QTime &time) { return time.toString(QStringLiteral("H:mm:ss")); }

OnTimerSettings LoadOnTimerSettings(const IniFile &file, const QString &section)
{
    OnTimerSettings s;
    s.time = parseTimeOfDay(file.readString(section, kTime, QStringLiteral("00:00")));
    s.target = file.readInteger(section, kTarget, 2);
    s.favoriteTarget = file.readInteger(section, kFavoriteTarget, 0);
    s.playlistTarget = file.readInteger(section, kPlaylistTarget, 0);
    s.favorite = file.readString(section, kFavorite);
    s.playlist = file.readString(section, kPlaylist);
    s.useOffTimer = file.readInteger(section, kUseOffTimer, 0) != 0;
    s.offTimer = file.readInteger(section, kOffTimer, 0);
    s.priority = file.readInteger(section, kPriority, 0) != 0;
    return s;
}

bool SaveOnTimerSettings(IniFile &file, const QString &section, const OnTimerSettings &s)
{
    IniBatch batch(file);
    file.writeString(section, kTime, formatTimeOfDay(s.time));
    file.writeInteger(section, kTarget, s.target);
    file.writeInteger(section, kFavoriteTarget, s.favoriteTarget);
    file.writeInteger(section, kPlaylistTarget, s.playlistTarget);
    file.writeString(section, kFavorite, s.favorite);
    file.writeString(section, kPlaylist, s.playlist);
    file.writeBool(section, kUseOffTimer, s.useOffTimer);
    file.writeInteger(section, kOffTimer, s.offTimer);
    file.writeBool(section, kPriority, s.priority);
    return batch.commit();
}

bool OnTimerCheck::check(const QDateTime &now, const QTime &time)
{
    if (!m_last.isValid())
        m_last = QDateTime(now.date(), QTime(0, 0));
    QDateTime latest(now.date(), time);
    if (latest > now)
        latest = QDateTime(now.date().addDays(-1), time);
    const bool fire = latest > m_last;
    m_last = now;
    return fire;
}

void RunOnTimer(const OnTimerSettings &settings, OnTimerHost &host, OffTimer &offTimer)
{
    if (!settings.priority && host.isPlayingOrPaused())
        return;
    switch (settings.target) {
    case 0:
        host.playSelectedEntry();
        break;
    case 1:
        host.playFirstEntry();
        break;
    case 2:
    case 3: {
        const int list = settings.target - 2;
        const bool named = (list == 0 ? settings.favoriteTarget : settings.playlistTarget) != 0;
        const QStringList names = host.names(list);
        if (named) {
            const qsizetype at = names.indexOf(list == 0 ? settings.favorite : settings.playlist);
            if (at < 0)
                break;
            host.selectName(list, int(at));
        } else {
            if (names.isEmpty())
                break;
            if (host.selectedName(list) < 0)
                host.selectName(list, 0);
        }
        host.openSelected(list);
        break;
    }
    default:
        break;
    }
    if (host.isClosing())
        return;
    host.showCurrentList();
    if (settings.useOffTimer)
        offTimer.arm(OffTimer::lengthOrDefault(settings.offTimer));
}

} // namespace kalvuno
