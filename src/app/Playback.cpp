#include "Playback.h"

#include "BrowserRules.h"
#include "EarlyStart.h"

#include "PlayCount.h"
#include "TPlay.h"

#include <QFileInfo>

namespace kalvuno {

QString loopStatusOf(int repeatMode)
{
    switch (repeatMode) {
    case 0:
        return QStringLiteral("None");
    case 1:
        return QStringLiteral("Track");
    default:
        return QStringLiteral("Playlist");
    }
}

int repeatModeForLoopStatus(const QString &status, int currentMode)
{
    if (status == loopStatusOf(currentMode))
        return currentMode;
    if (status == u"None")
        return 0;
    if (status == u"Track")
        return 1;
    if (status == u"Playlist")
        return 2;
    return currentMode;
}

Playback::Playback(CurrentPlaylist &playlist, Configuration &config, PlaybackHost &host)
    : m_playlist(playlist), m_config(config), m_host(host)
{
}

void Playback::StopPlayback()
{
    if (m_player)
        m_player->terminate();
    m_player.reset();
    m_host.setCaption(QString::fromUtf16(kIdleCaption));
    m_host.repaintControls();
}

void Playback::shutDown()
{
    StopPlayback();
    dropPrepared();
    m_shutDown = true;
}

void Playback::PausePlayback()
{
    if (m_player)
        m_player->addCommand(QStringLiteral("Pause"));
}

void Playback::ResumePlayback()
{
    if (m_player)
        m_player->addCommand(QStringLiteral("Resume"));
}

void Playback::stepSelection(int delta)
{
    const bool enabled = delta < 0 ? m_playlist.canMoveUp() : m_playlist.canMoveDown();
    if (!enabled)
        return;
    m_playlist.select(m_playlist.selected() + delta);
    m_host.showList();
    m_host.showEntry();
    if (!m_player)
        return;
    if (m_player->State == 2)
        StopPlayback();
    else
        PlaySelectedEntry();
}

void Playback::playOrPause()
{
    if (!m_player) {
        PlaySelectedEntry();
        return;
    }
    if (m_player->State == 1)
        PausePlayback();
    else if (m_player->State == 2)
        ResumePlayback();
}

void Playback::PlaySelectedEntry()
{
    if (m_shutDown)
        return;
    m_openWaitMs = 0;
    if (m_player)
        StopPlayback();
    const int selected = m_playlist.selected();
    if (selected < 0) {
        m_host.setCaption(QString::fromUtf16(kIdleCaption));
        m_host.repaintControls();
        return;
    }
    m_currentKey = m_playlist.key(selected);
    const QString title = m_playlist.title(selected);
    m_host.setCaption(QStringLiteral("Kalvuno - ") + title);
    const QString location = locationOf(selected);
    if (browseOnPlay) {
        // A home page that is no web page (javascript:, file:, data:) counts as none.
        const QString home = m_playlist.value(selected, u"Home");
        m_host.navigate(webAddress(home).isEmpty() ? homePage : home);
    }
    m_player = takePrepared(location);
    if (!m_player)
        m_player = m_host.createPlayer(location, title);
    m_host.showEntry();
    m_host.repaintControls();
}

QString Playback::locationOf(int index) const
{
    return playLocation(m_playlist.value(index, u"MP3"),
                        m_config.file().readString(keys::kDownloadedCopies, m_playlist.key(index)),
                        m_config.read(keys::Download));
}

bool Playback::movesDown() const
{
    const int selected = m_playlist.selected();
    return selected >= 0 && selected < m_playlist.count() - 1 && repeatMode != 1 &&
           m_playlist.key(selected) == m_currentKey;
}

void Playback::prepareNext(const std::shared_ptr<TPlay> &player)
{
    if (m_prepared.after.lock() == player)
        return; // asked once per entry
    const int64_t left = int64_t(double(player->Duration) * (1.0 - double(m_panel.position())));
    if (left > int64_t(kPrepareAheadMs) * 10000)
        return;
    dropPrepared();
    const int selected = m_playlist.selected();
    int next = -1;
    if (movesDown())
        next = selected + 1;
    else if (repeatMode == 1 && selected >= 0)
        next = selected;
    else if (repeatMode == 2 && m_playlist.count() > 0)
        next = 0;
    if (next < 0)
        return;
    const QString location = locationOf(next);
    m_prepared = {m_host.preparePlayer(location, m_playlist.title(next)), location, player};
}

std::shared_ptr<TPlay> Playback::takePrepared(const QString &location)
{
    if (!m_prepared.player || m_prepared.location != location) {
        dropPrepared();
        return nullptr;
    }
    std::shared_ptr<TPlay> player = std::exchange(m_prepared, Prepared()).player;
    player->release();
    return player;
}

void Playback::dropPrepared()
{
    if (m_prepared.player)
        m_prepared.player->terminate();
    m_prepared = Prepared();
}

void Playback::selectAndPlay(int index)
{
    m_playlist.select(index);
    m_host.showList();
    PlaySelectedEntry();
}

void Playback::tick(bool timed)
{
    if (m_tickDepth > 0 || m_shutDown)
        return;
    ++m_tickDepth;
    runTick(timed);
    --m_tickDepth;
}

void Playback::runTick(bool timed)
{
    if (pending.code > PendingListAction::None) {
        const PendingListAction action = pending;
        pending = PendingListAction();
        switch (action.code) {
        case PendingListAction::OpenFavorite:
            m_host.runFavorite(action.path);
            break;
        case PendingListAction::OpenPlaylist:
            m_host.openPlaylistFile(action.path);
            break;
        case PendingListAction::PlayFirst:
            if (m_playlist.count() > 0)
                selectAndPlay(0);
            break;
        case PendingListAction::PlayLast:
            if (m_playlist.count() > 0)
                selectAndPlay(m_playlist.count() - 1);
            break;
        default:
            break;
        }
        return;
    }

    // The control panel's part: the thumb follows a playing entry, goes back
    // to 0 without one, and moves while rewind or fast forward is held.
    const std::shared_ptr<TPlay> player = m_player;
    const int state = player ? player->State.load() : 0;
    if (m_panel.tick(timed))
        m_host.repaintControls();
    // Prepared for an entry that is no longer playing (stopped, replaced).
    if (!player || m_prepared.after.lock() != player)
        dropPrepared();
    if (!player)
        return;
    if (state == 0) {
        if (timed)
            m_openWaitMs += kTickMs;
        if (cleanupMode)
            m_host.showOpenWait(m_openWaitMs);
    } else if (state == 2) {
        return; // a paused entry never ends
    }

    const bool hasLength = player->Duration > 0;
    if (hasLength)
        m_unopenableRun = 0;
    const float position = m_panel.position();
    const bool reachedEnd = (state == 1 && position == 1.0f) || (state == 0 && m_openWaitMs > kOpenLimitMs);
    const bool probed = cleanupMode && state == 1 && position > 0.0f;
    if (!reachedEnd && !probed) {
        if (state == 1 && hasLength && !cleanupMode)
            prepareNext(player);
        return;
    }
    if (cleanupMode) {
        const QString key = m_currentKey;
        m_host.cleanupEntryEnded(key, reachedEnd && !hasLength && !isLibraryId(key));
        if (m_host.isClosing())
            return;
        // Nobody listened: a probe is neither a download nor a play.
    } else if (hasLength && !player->Seeked) {
        const QString key = m_currentKey;
        StopPlayback();
        m_host.downloadFinishedEntry(key);
        if (isLibraryId(key))
            m_host.sendPlayCount(key);
        if (m_host.isClosing())
            return;
    }
    if (probed && !reachedEnd)
        m_unopenableRun = 0; // it played for a moment: it opens
    else if (!hasLength && ++m_unopenableRun >= m_playlist.count()) {
        m_unopenableRun = 0;
        StopPlayback();
        return;
    }
    advance(hasLength);
    if (!m_player)
        m_unopenableRun = 0; // the round ended anyway

}

void Playback::advance(bool hasLength)
{
    const int selected = m_playlist.selected();
    const int count = m_playlist.count();
    // Go on down the list while the selection still stands on the entry that ended.
    if (movesDown()) {
        selectAndPlay(selected + 1);
        return;
    }
    switch (repeatMode) {
    case 0:
        StopPlayback();
        break;
    case 1:
        if (hasLength)
            PlaySelectedEntry();
        else if (count == 0)
            StopPlayback();
        else // an entry that never played is skipped, not repeated
            selectAndPlay((selected + 1) % count);
        break;
    case 3:
        if (!currentQuery.isEmpty()) {
            StopPlayback();
            m_host.setCaption(QString::fromUtf16(kSearchingCaption));
            m_host.searchAgain(currentQuery);
            if (m_host.isClosing())
                break;
            m_playlist.load(-1, true);
            m_host.showList();
            PlaySelectedEntry();
            break;
        }
        selectAndPlay(0);
        break;
    case 2:
        selectAndPlay(0);
        break;
    case 4:
        playNextSavedPlaylist();
        break;
    default:
        break;
    }
}

void Playback::playNextSavedPlaylist()
{
    const int count = int(m_host.savedPlaylists().size());
    if (count == 0) { // without saved playlists the next list is this one again
        selectAndPlay(0);
        return;
    }
    int next = m_host.selectedSavedPlaylist();
    // A list that came from elsewhere (a search, a favourite) gives way to
    // the selected saved playlist itself; only that playlist moves on.
    if (next < 0 || next >= count)
        next = 0;
    else if (m_host.canSaveOverPlaylist())
        next = (next + 1) % count;
    m_host.openSavedPlaylist(next);
}

} // namespace kalvuno
