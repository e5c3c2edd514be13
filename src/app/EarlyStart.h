#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>

class TPlay;

namespace kalvuno {

struct AppPaths;

// Where an entry is played from: its downloaded copy while that is still in
// the download folder (only the MP3 download folder is looked in, whatever
// the medium), else the entry's "MP3" value.
QString playLocation(const QString &mp3, const QString &copy, const QString &downloadFolder);

// The song the window will open first when started with these arguments, when
// that is already certain before it exists: a saved playlist is the first
// argument, no switch of the toolkit's own is given, no other instance runs
// (no socket in `instanceFolder`), the first-run settings are done, no
// current playlist was left behind, and the playlist's first entry is a local
// audio file. Otherwise empty.
QString predictedFirstSong(const QStringList &arguments, const AppPaths &paths, const QString &instanceFolder);

// Passes a player's change notices on to whoever is attached; none before that.
class ChangeRelay
{
public:
    void ring();
    void attach(std::function<void()> to);

private:
    std::mutex m_lock;
    std::function<void()> m_to;
};

// That first song, started while the window is being built so that it sounds
// sooner. The window takes the player over when it opens that same song
// first; anything else it opens first, or its first tick passing without
// one, ends this player.
class EarlyStart
{
public:
    EarlyStart() = default;
    EarlyStart(QString location, std::shared_ptr<TPlay> player, std::shared_ptr<ChangeRelay> relay);
    ~EarlyStart();
    EarlyStart(EarlyStart &&) = default;
    EarlyStart &operator=(EarlyStart &&);

    // Starts the predicted song on a player of the program's kind; nothing when there is none.
    static EarlyStart forArguments(const QStringList &arguments, const AppPaths &paths, const QString &instanceFolder);

    // The player when it plays `location`, now telling `changed` of its
    // changes; else none, and the early player (if any) is ended.
    std::shared_ptr<TPlay> takeFor(const QString &location, std::function<void()> changed);
    // Ends the early player unless it was taken.
    void drop();
    bool pending() const { return m_player != nullptr; }

private:
    QString m_location;
    std::shared_ptr<TPlay> m_player;
    std::shared_ptr<ChangeRelay> m_relay;
};

} // namespace kalvuno
