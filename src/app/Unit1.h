#pragma once

#include "AppPaths.h"
#include "CommandLine.h"
#include "Configuration.h"
#include "CurrentPlaylist.h"
#include "HttpTransport.h"
#include "ServiceAddressing.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class PlaylistPanel;
class QTimer;
class TFo_Video;

namespace kalvuno {
class TrayIcon;
}

// The main window. Its life: created (FormCreate), first shown (FormShow),
// closed (FormClose), destroyed (FormDestroy).
class TFo_Kalvuno : public QMainWindow
{
    Q_OBJECT
public:
    // arguments: the command line after the program's name.
    TFo_Kalvuno(const QString &profileFolder, const QStringList &arguments, QWidget *parent = nullptr);
    ~TFo_Kalvuno() override;

    void setVideoWindow(TFo_Video *video) { m_video = video; }

    const kalvuno::AppPaths &paths() const { return m_paths; }
    const kalvuno::ServiceAddressing &service() const { return m_service; }
    kalvuno::Configuration &configuration() { return *m_config; }
    const kalvuno::HttpTransport &transport() const { return m_transport; }
    bool isTrayIconShown() const;
    bool isFirstShow() const { return m_firstShow; }
    int videoMode() const { return m_videoMode; }
    int repeatMode() const { return m_repeatMode; }
    kalvuno::CurrentPlaylist &playlist() { return m_playlist; }
    PlaylistPanel *playlistPanel() const { return m_playlistPanel; }
    // The information panel's six texts, as the last LB_PlayClick left them.
    const kalvuno::EntryInfo &information() const { return m_information; }

    void ShowTrayIcon();
    void HideTrayIcon();
    void MF_ExitClick();
    void Ti_CheckTimer();

    // Restores the window from the tray, as a left click on the icon does.
    void restoreFromTray();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

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
    bool firstRunSetup();
    void restorePlacement();
    bool savePlacement();
    // Shows the write error for the configuration file; returns ok unchanged.
    bool checkWrite(bool ok);

    kalvuno::AppPaths m_paths;
    std::unique_ptr<kalvuno::Configuration> m_config;
    kalvuno::CommandLine m_commandLine;
    kalvuno::ServiceAddressing m_service;
    kalvuno::SystemClock m_clock;
    kalvuno::HttpTransport m_transport{m_clock};
    QString m_homePage;
    bool m_firstShow = true;
    bool m_startMinimized = false;
    int m_videoMode = 1;
    int m_repeatMode = 0;
    bool m_onTimerEnabled = false;
    bool m_browseOnPlay = true;
    kalvuno::CurrentPlaylist m_playlist;
    kalvuno::EntryInfo m_information;
    kalvuno::PendingListAction m_pendingAction;

    TFo_Video *m_video = nullptr;
    kalvuno::TrayIcon *m_tray = nullptr;
    QTimer *Ti_Check = nullptr;
    QMenu *MF_File = nullptr;
    QAction *MF_Exit = nullptr;
    QLabel *m_statusText = nullptr;
    PlaylistPanel *m_playlistPanel = nullptr;
};
