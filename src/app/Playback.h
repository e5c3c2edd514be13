#pragma once

#include "Configuration.h"
#include "ControlPanelRules.h"
#include "CurrentPlaylist.h"

#include <QString>
#include <memory>

class TPlay;

namespace kalvuno {

// What the playback rules need of the program around them.
class PlaybackHost
{
public:
    virtual ~PlaybackHost() = default;
    // A started player for a location; caption is the video window's.
    virtual std::shared_ptr<TPlay> createPlayer(const QString &location, const QString &caption) = 0;
    // A player for the entry expected next, prepared now and held silent
    // until its turn (TPlay::release), or none when the location is not one
    // to prepare ahead (the default).
    virtual std::shared_ptr<TPlay> preparePlayer(const QString & /*location*/, const QString & /*caption*/)
    {
        return nullptr;
    }
    virtual void setCaption(const QString &caption) = 0;
    // The list box shows the playlist's lines and selection again.
    virtual void showList() = 0;
    // The information texts of the selected entry (LB_PlayClick).
    virtual void showEntry() = 0;
    virtual void navigate(const QString &url) = 0;
    virtual void repaintControls() = 0;
    virtual void downloadFinishedEntry(const QString &key) = 0;
    virtual void sendPlayCount(const QString &key) = 0;
    // Runs the query again, its answer replacing "Current.ini"; the failure
    // message is the host's to show.
    virtual void searchAgain(const QString &query) = 0;
    virtual void runFavorite(const QString &path) = 0;
    virtual void openPlaylistFile(const QString &path) = 0;
    // The saved playlists in their list's order, the selected one (-1 for
    // none), and whether saving over the selected one is offered as this
    // tick found it, which means the current playlist is that playlist.
    virtual QStringList savedPlaylists() const = 0;
    virtual int selectedSavedPlaylist() const = 0;
    virtual bool canSaveOverPlaylist() const = 0;
    // Selects a saved playlist and opens it, which plays it from the top.
    virtual void openSavedPlaylist(int index) = 0;
    // The window is closing: whatever a handler was doing stops at once.
    virtual bool isClosing() const = 0;
    // Clean-up mode: how long the current entry has been opening, and an
    // entry that ended; report when it never opened and is no library song
    // (log it, tell the service). A host without that mode ignores both.
    virtual void showOpenWait(int /*ms*/) {}
    virtual void cleanupEntryEnded(const QString & /*key*/, bool /*report*/) {}
};

// The repeat mode as remote controls name it: "None", "Track" or "Playlist"
// (the list, a new search and the next list all read as "Playlist").
QString loopStatusOf(int repeatMode);
// The repeat mode a remote control's loop status asks for. Asking for what is
// already read keeps the mode, so re-search and next-list survive a round
// trip; an unknown status keeps it too.
int repeatModeForLoopStatus(const QString &status, int currentMode);

inline constexpr char16_t kIdleCaption[] = u"Kalvuno ";
inline constexpr char16_t kSearchingCaption[] = u"Kalvuno - 検索中...";
inline constexpr int kTickMs = 50;
inline constexpr int kOpenLimitMs = 30000;
// How long before an entry's end the next one is prepared.
inline constexpr int kPrepareAheadMs = 2000;

// Starting and stopping entries, the player poll of the main loop, and what
// plays next by the repeat mode. The form owns the timer and the widgets.
class Playback : public ControlPanelHost
{
public:
    Playback(CurrentPlaylist &playlist, Configuration &config, PlaybackHost &host);

    void PlaySelectedEntry();
    void StopPlayback() override;
    // The window closes: playback stops and nothing starts a player after it.
    void shutDown();
    void PausePlayback() override;
    void ResumePlayback();

    // The control panel's previous and next buttons (delta -1 or +1): move
    // the selection; a paused entry stops, otherwise the new one starts.
    void stepSelection(int delta) override;
    // The play/pause button: pause, resume, or start the selected entry.
    void playOrPause() override;

    // The tick from its deferred action on: the pending list action, the
    // player poll, end detection, heard-to-the-end and the advance. A tick
    // that arrives while another is still on the stack (inside a message box
    // or a request the first one opened) does nothing. Only timed ticks (the
    // 50 ms timer's) count time: the open wait and a held button's steps.
    void tick(bool timed = true);
    bool isTicking() const { return m_tickDepth > 0; }
    // While one is held, ticks do nothing, as inside another tick: a list
    // action left pending stays there to be looked at.
    class TickHold
    {
    public:
        explicit TickHold(Playback &playback) : m_playback(playback) { ++m_playback.m_tickDepth; }
        ~TickHold() { --m_playback.m_tickDepth; }
        TickHold(const TickHold &) = delete;
        TickHold &operator=(const TickHold &) = delete;

    private:
        Playback &m_playback;
    };

    std::shared_ptr<TPlay> player() const override { return m_player; }
    // The control panel's state: its thumb, buttons and mouse modes.
    ControlPanelRules &panel() { return m_panel; }
    const QString &currentKey() const { return m_currentKey; }
    int openWaitMs() const { return m_openWaitMs; }
    float panelPosition() const { return m_panel.position(); }

    int repeatMode = 0;       // 0 off, 1 item, 2 list, 3 re-search, 4 next list
    // Maintenance clean-up: every entry is only probed, left as soon as it
    // plays, and the ones that never open are reported.
    bool cleanupMode = false;
    QString currentQuery;     // the last search's query
    bool browseOnPlay = true;
    QString homePage;
    PendingListAction pending;

private:
    void runTick(bool timed);
    // Where the entry at index plays from: its own location or its downloaded copy.
    QString locationOf(int index) const;
    // Whether an end moves down to the next entry of the list.
    bool movesDown() const;
    // Near the end of a playing entry, prepares the one the end will start,
    // when that is plain to see now (the next one down, the same one again,
    // the top of the list).
    void prepareNext(const std::shared_ptr<TPlay> &player);
    // The prepared player when it is for this location, released; otherwise
    // the prepared player (if any) is dropped and none is returned.
    std::shared_ptr<TPlay> takePrepared(const QString &location);
    void dropPrepared();
    void advance(bool hasLength);
    void selectAndPlay(int index);
    void playNextSavedPlaylist();

    CurrentPlaylist &m_playlist;
    Configuration &m_config;
    PlaybackHost &m_host;
    std::shared_ptr<TPlay> m_player;
    QString m_currentKey;
    struct Prepared
    {
        std::shared_ptr<TPlay> player; // none when the host prepared none
        QString location;
        std::weak_ptr<TPlay> after;     // the player whose end it waits for
    };
    Prepared m_prepared;
    int m_openWaitMs = 0;
    ControlPanelRules m_panel{*this};
    int m_tickDepth = 0;
    bool m_shutDown = false;
    // Entries that ended without ever opening, one after the other. Once
    // every entry of the list has failed in a row, playback stops instead of
    // asking for the same failing locations many times a second.
    int m_unopenableRun = 0;
};

} // namespace kalvuno
