#pragma once

#include "AppPaths.h"
#include "CommandLine.h"
#include "Configuration.h"
#include "CurrentPlaylist.h"
#include "EarlyStart.h"
#include "BootClock.h"
#include "CleanupRun.h"
#include "HttpTransport.h"
#include "OffTimer.h"
#include "OnTimer.h"
#include "PlayCountQueue.h"
#include "Playback.h"
#include "ServiceAddressing.h"
#include "TickDoorbell.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class PlaylistPanel;
class QActionGroup;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class ListSection;
class ControlPanel;
class InformationPanel;
class TFo_Search;
class Mpris;
class TFo_Video;
class BrowserBar;
class BrowserModule;
class BrowserPane;

namespace kalvuno {
class TrayIcon;
class SongDownloads;
}

// The main window. Its life: created (FormCreate), first shown (FormShow),
// closed (FormClose), destroyed (FormDestroy).
class TFo_Kalvuno : public QMainWindow, private kalvuno::PlaybackHost, private kalvuno::OnTimerHost
{
    Q_OBJECT
public:
    // arguments: the command line after the program's name.
    TFo_Kalvuno(const QString &profileFolder, const QStringList &arguments, QWidget *parent = nullptr);
    ~TFo_Kalvuno() override;

    void setVideoWindow(TFo_Video *video) { m_video = video; }
    // The first song, when main() could start it before the window existed.
    void setEarlyStart(kalvuno::EarlyStart early) { m_early = std::move(early); }

    const kalvuno::AppPaths &paths() const { return m_paths; }
    const kalvuno::ServiceAddressing &service() const { return m_service; }
    kalvuno::Configuration &configuration() { return *m_config; }
    const kalvuno::HttpTransport &transport() const { return m_transport; }
    bool isTrayIconShown() const;
    bool isFirstShow() const { return m_firstShow; }
    int videoMode() const { return m_videoMode; }
    int repeatMode() const { return m_playback.repeatMode; }
    kalvuno::CurrentPlaylist &playlist() { return m_playlist; }
    PlaylistPanel *playlistPanel() const { return m_playlistPanel; }
    // The information panel's six texts, as the last LB_PlayClick left them.
    const kalvuno::EntryInfo &information() const { return m_information; }

    kalvuno::Playback &playback() { return m_playback; }

    void PlaySelectedEntry() { m_playback.PlaySelectedEntry(); }
    void StopPlayback() { m_playback.StopPlayback(); }
    void Bu_SearchClick();
    void MF_NewSearchClick();
    void RunFavorite(const QString &file);
    void OpenPlaylistFile(const QString &path);
    void MV_VideoSizeClick(int mode);
    void MS_RepeatClick(int mode);

    void ShowTrayIcon();
    void HideTrayIcon();
    void MF_ExitClick();
    // timed: the 50 ms timer's own tick. Others (tickSoon) run the same
    // steps at once but count no time: no open wait, no held-button step.
    void Ti_CheckTimer(bool timed = true);
    // A tick as soon as the event loop is back, from any thread: the player
    // changed, a list action is pending or a remote command is queued.
    void tickSoon() { m_tickBell->ring(); }
    // What a player calls when its state changes: the tick runs at once.
    std::function<void()> tickOnPlayerChange() const;

    // The list section that fills the right column: 0 favourites, 1 saved
    // playlists, 2 the current playlist.
    int activeSection() const { return m_activeSection; }
    void Pa_ChangeList(int section);
    void FormResize();
    void MV_StatusBarClick();
    void MH_AboutClick();
    void MH_ContentsClick();

    // Restores the window from the tray, as a left click on the icon does.
    void restoreFromTray();

    // A close request from outside (a new launch, a termination signal, a
    // remote control): open message boxes and dialogs are dismissed, a
    // request in progress is aborted, and once they have unwound the window
    // closes with its normal close and destroy work.
    void requestClose();
    bool isClosing() const override { return m_closing; }
    // Runs a remote-control command now, or, while a tick, a message box it
    // opened or a request is on the stack, once they have returned.
    void whenIdle(std::function<void()> command);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate(const QStringList &arguments);
    void FormShow();
    void FormClose();
    void FormDestroy();
    void ApplicationMinimize();
    void ApplicationRestore();
    void createMenus();
    void createStatusBar();
    void createRightColumn();
    void createBrowserBar();
    void createSearchBar();
    void OpenFileByType(const QString &file, bool &stop);
    // A new search or a favourite's: the answer replaces the list and plays.
    void replaceBySearch(const QString &query);
    bool searchInto(const QString &query, bool append);
    std::unique_ptr<TFo_Search> searchDialogFrom(const QString &favoriteFile);
    QString defaultFavorite() const { return m_paths.profile + QStringLiteral("default.fvr"); }
    template <class T> void setIfChanged(T *widgetOrAction, bool checked);

    // The playback rules' view of the window.
    std::shared_ptr<TPlay> createPlayer(const QString &location, const QString &caption) override;
    std::shared_ptr<TPlay> preparePlayer(const QString &location, const QString &caption) override;
    void setCaption(const QString &caption) override;
    void showList() override;
    void showEntry() override;
    void navigate(const QString &url) override;
    void repaintControls() override;
    void downloadFinishedEntry(const QString &key) override;
    void sendPlayCount(const QString &key) override;
    void searchAgain(const QString &query) override;
    void runFavorite(const QString &path) override { RunFavorite(path); }
    void openPlaylistFile(const QString &path) override { OpenPlaylistFile(path); }
    QStringList savedPlaylists() const override { return names(1); }
    int selectedSavedPlaylist() const override { return selectedRow(1); }
    bool canSaveOverPlaylist() const override;
    void openSavedPlaylist(int index) override;
    bool firstRunSetup();
    void restorePlacement();
    bool savePlacement();
    // Shows the write error for the configuration file; returns ok unchanged.
    bool checkWrite(bool ok);
    // A tick, a timer step or a request is on the stack.
    bool workOnStack() const;
    // The same, or a modal loop.
    bool isNested() const;
    void closeWhenUnwound();
    void runQueuedCommands();

    kalvuno::AppPaths m_paths;
    std::unique_ptr<kalvuno::Configuration> m_config;
    kalvuno::CommandLine m_commandLine;
    kalvuno::ServiceAddressing m_service;
    kalvuno::SystemClock m_clock;
    kalvuno::HttpTransport m_transport{m_clock};
    kalvuno::PlayCountQueue m_playCounts;
    const std::shared_ptr<kalvuno::TickDoorbell> m_tickBell =
        std::make_shared<kalvuno::TickDoorbell>(this, [this] { Ti_CheckTimer(false); });
    kalvuno::EarlyStart m_early;
    bool m_firstShow = true;
    bool m_closing = false;
    bool m_closed = false;
    QList<std::function<void()>> m_queuedCommands;
    bool m_startMinimized = false;
    int m_videoMode = 1;
    bool m_onTimerEnabled = false;
    kalvuno::CurrentPlaylist m_playlist;
    kalvuno::EntryInfo m_information;
    kalvuno::Playback m_playback{m_playlist, *m_config, *this};

    TFo_Video *m_video = nullptr;
    kalvuno::TrayIcon *m_tray = nullptr;
    QTimer *Ti_Check = nullptr;
    QMenu *MF_File = nullptr;
    QAction *MF_Exit = nullptr;
    QLabel *m_statusText = nullptr;
    PlaylistPanel *m_playlistPanel = nullptr;
    ListSection *m_favoritesSection = nullptr;
    ListSection *m_playlistsSection = nullptr;
    QWidget *Pa_CtrlBase = nullptr;
    InformationPanel *PB_Information = nullptr;
    ControlPanel *PB_Control = nullptr;
    QAction *MV_StatusBar = nullptr;
    QMenu *M_Help = nullptr;
    int m_activeSection = 0;
    Mpris *m_mpris = nullptr;
    QMenu *MV_VideoSize = nullptr;
    QList<QAction *> m_videoSizeItems; // MVV_Fix, MVV_Original, MVV_Double, MVV_Full
    QMenu *MS_Repeat = nullptr;
    QList<QAction *> m_repeatItems; // MSR_Off, MSR_Item, MSR_List, MSR_Search, MSR_Next
    QLineEdit *Ed_Artist = nullptr;
    QLineEdit *Ed_Title = nullptr;
    QLineEdit *Ed_Genre = nullptr;
    QRadioButton *Ra_Random = nullptr;
    QRadioButton *Ra_New = nullptr;
    QPushButton *Bu_Search = nullptr;
    QPushButton *Bu_NewSearch = nullptr;

    // Local files and downloads (MainWindowFiles.cpp): the open dialog, drops,
    // the dispatch by type (OpenFileByType) and downloadFinishedEntry.
public:
    void MF_OpenClick();

private:
    void createFileIntake();
    // The files chosen in OD_Open, in its order; none when it was cancelled.
    QStringList OD_Open();
    void AddFileEntry(const QString &path, const QString &musicFolder);
    // Every file through OpenFileByType as one write of the list, in list order.
    void openFiles(const QStringList &files);
    void FormDropFiles(const QStringList &files);
    // Drops anywhere on the window, and its close, which ends the downloads.
    bool fileEvent(QObject *receiver, QEvent *event);
    void showDownloadProgress(const QString &text);
    void clearDownloadProgress();
    kalvuno::SongDownloads *m_downloads = nullptr;
    QObject *m_fileWatch = nullptr; // the application-wide filter of dropped files
    QString m_downloadText; // the progress the status bar was last given

    // Saved playlists and favourites (MainWindowLists.cpp).
public:
    void ListPlaylists(const QString &name);
    void ListFavorites(const QString &name);
    void UpdateSaveButtons();
    bool SaveCurrentListTo(const QString &path);
    void MF_SavePlaylistClick();
    void MF_SaveAsPlayListClick();
    void Bu_OpenPlaylistClick();
    void PP_RenameClick();
    void MF_NewFavoriteClick();
    void PF_EditClick();
    void Bu_OpenFavoriteClick();

private:
    void createListSections();
    // list 0: LB_Favorites, 1: LB_PlayLists; -1 when nothing is selected.
    int selectedRow(int list) const;
    QString selectedListName(int list) const;
    void fillList(int list, const QString &name);
    bool canSaveOver() const;
    void deleteSelectedPlaylist();
    void deleteSelectedFavorite();
    QStringList names(int list) const override;
    int selectedName(int list) const override;
    void selectName(int list, int index) override;
    void openSelected(int list) override;
    QPushButton *Bu_NewFavorite = nullptr;
    QPushButton *Bu_OpenFavorite = nullptr;
    QPushButton *Bu_SavePlayList = nullptr;
    QPushButton *Bu_SaveAsPlayList = nullptr;
    QPushButton *Bu_OpenPlaylist = nullptr;
    QAction *MF_NewFavorite = nullptr;
    QAction *MF_SavePlaylist = nullptr;
    QAction *MF_SaveAsPlayList = nullptr;
    QMenu *PM_Favorites = nullptr;
    QAction *PF_Edit = nullptr;
    QMenu *PM_PlayLists = nullptr;
    QAction *PP_Rename = nullptr;

    // The on-timer and the off-timer (MainWindowTimers.cpp).
public:
    void MS_OffTimerClick(uint32_t tag);
    void MSO_ONClick();
    void MSO_SetupClick();
    void MF_ConfigClick();
    // The settings dialog on page 0 (downloads) or 1 (on-timer), modal.
    void OpenSetupDialog(int page);
    const kalvuno::OffTimer &offTimer() const { return m_offTimer; }
    kalvuno::OnTimerSettings &onTimerSettings() { return m_onTimerSettings; }
    bool onTimerEnabled() const { return m_onTimerEnabled; }

private:
    void createTimerMenus(QMenu *settings);
    // The tick's off-timer and on-timer steps, in that order.
    void checkTimers();
    void updateTimerMenus();
    bool isPlayingOrPaused() const override;
    void playSelectedEntry() override { m_playback.PlaySelectedEntry(); }
    void playFirstEntry() override;
    void showCurrentList() override { Pa_ChangeList(2); }
    kalvuno::BootClock m_timerClock;
    kalvuno::OffTimer m_offTimer{m_timerClock};
    kalvuno::OnTimerCheck m_onTimerCheck;
    kalvuno::OnTimerSettings m_onTimerSettings;
    bool m_inTimerStep = false;
    QMenu *MS_OnTimer = nullptr;
    QAction *MSO_ON = nullptr;
    QMenu *MS_OffTimer = nullptr;
    QAction *MSF_ON = nullptr;

    // The browser pane (MainWindowBrowser.cpp). It is made once the window
    // shows, so that the window does not wait for the web engine.
public:
    // Without it (benchmarks, tests of other parts) no web view is made.
    void setBrowserEnabled(bool enabled) { m_browserEnabled = enabled; }
    // Where the web view comes from; the program's own module unless set.
    void setBrowserModule(BrowserModule *module) { m_browserModule = module; }
    BrowserPane *browser() const { return WB_Browser; }
    BrowserBar *browserBar() const { return m_browserBar; }
    void Bu_PlayClick();
    void Bu_BrowserClick();
    void Bu_GoClick(const QString &address);

private:
    void createBrowser();
    void WB_BrowserBeforeNavigate2(const QUrl &url, bool addEntry);
    // Appends a web link at the end of the current playlist; false when the
    // file could not be written.
    bool AddMediaLink(const QString &url, const QString &home);
    void syncAddressBox();
    bool m_browserEnabled = false;
    int m_browserWaits = 0;
    BrowserModule *m_browserModule = nullptr;
    QWidget *m_browserArea = nullptr;
    BrowserPane *WB_Browser = nullptr;
    BrowserBar *m_browserBar = nullptr;

    // Song registration and the maintenance menu (MainWindowMaintenance.cpp).
public:
    void MF_RegistClick();
    void MZ_HideClick(bool all);
    void MZ_NoFileClick();
    void MZ_CleanupClick();
    QString songListPath() const { return m_paths.profile + QStringLiteral("MySongs.dat"); }
    const kalvuno::CleanupRun &cleanupRun() const { return m_cleanup; }

private:
    void createRegistrationMenu();
    void createMaintenanceMenu();
    void showOpenWait(int ms) override;
    void cleanupEntryEnded(const QString &key, bool report) override;
    kalvuno::CleanupRun m_cleanup{m_paths.profile + QStringLiteral("cleanup.log")};
    QAction *MF_Regist = nullptr;
    QMenu *PM_Mente = nullptr;
    QAction *MZ_Hide = nullptr;
    QAction *MZ_HideAll = nullptr;
    QAction *MZ_NoFile = nullptr;
    QAction *MZ_Cleanup = nullptr;
};
