#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

namespace kalvuno {

class IniFile;
class OffTimer;

// The on-timer's settings, one key each in their section of "Kalvuno.ini".
struct OnTimerSettings
{
    QTime time{0, 0};
    int target = 2; // 0 selected entry, 1 first entry, 2 favourite, 3 saved playlist
    int favoriteTarget = 0; // 0 the selected favourite, 1 the one named below
    int playlistTarget = 0; // likewise for saved playlists
    QString favorite;
    QString playlist;
    bool useOffTimer = false;
    int offTimer = 0; // milliseconds
    bool priority = false;

    bool operator==(const OnTimerSettings &) const = default;
};

OnTimerSettings LoadOnTimerSettings(const IniFile &file, const QString &section);
// Writes the nine keys in their order, as one write of the file.
bool SaveOnTimerSettings(IniFile &file, const QString &section, const OnTimerSettings &settings);
// "H:mm" or "H:mm:ss"; anything else reads as midnight.
QTime parseTimeOfDay(const QString &text);
QString formatTimeOfDay(const QTime &time);

// Decides when the on-timer fires: when the latest occurrence of its time at
// or before now lies after the previous check. Comparing local date-times
// rather than times of day keeps a check across midnight (a suspended
// machine) right, and fires at most once per occurrence, also in the hour a
// daylight-saving change repeats.
class OnTimerCheck
{
public:
    // The first check of a run looks back to that day's midnight, so a time
    // already past today fires at once, and midnight itself does not.
    bool check(const QDateTime &now, const QTime &time);

private:
    QDateTime m_last;
};

// What the on-timer starts, as the window offers it.
class OnTimerHost
{
public:
    virtual ~OnTimerHost() = default;
    // A player exists and is playing or paused.
    virtual bool isPlayingOrPaused() const = 0;
    virtual void playSelectedEntry() = 0;
    // Selects the first entry of the current playlist and plays it, if any.
    virtual void playFirstEntry() = 0;
    // list 0: the favourites, 1: the saved playlists.
    virtual QStringList names(int list) const = 0;
    virtual int selectedName(int list) const = 0;
    virtual void selectName(int list, int index) = 0;
    // Runs the selected favourite or opens the selected saved playlist.
    virtual void openSelected(int list) = 0;
    // The current playlist becomes the section on show.
    virtual void showCurrentList() = 0;
    virtual bool isClosing() const = 0;
};

// Starts the on-timer's target. With priority off, a playing or paused entry
// blocks it altogether.
void RunOnTimer(const OnTimerSettings &settings, OnTimerHost &host, OffTimer &offTimer);

} // namespace kalvuno
