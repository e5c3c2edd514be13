#pragma once

#include "Configuration.h"
#include "OnTimer.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;

// The main window's copies of settings that the dialog puts in force on OK.
struct SetupTargets
{
    bool &onTimerEnabled;
    kalvuno::OnTimerSettings &onTimer;
    bool &browseOnPlay;
};

// The settings dialog: downloads, on-timer, local server, browser. It reads
// its values when shown and writes all of them on OK.
class TFo_Setup : public QDialog
{
    Q_OBJECT
public:
    TFo_Setup(kalvuno::Configuration &config, const SetupTargets &targets, QWidget *parent = nullptr);

    // 0 the download page, 1 the on-timer page.
    int StartPage = 0;

    void FormShow();
    // Writes the settings; false while a download folder does not exist,
    // which keeps the dialog open.
    bool Bu_OKClick();
    void Ti_CheckTimer();
    void BrowseFolderField(QLineEdit *field);

    QTabWidget *PC_Page;
    QCheckBox *Ch_DownloadON;
    QCheckBox *Ch_DownloadKalvunoOnly;
    QGroupBox *Pa_DownloadPath;
    QLineEdit *Ed_DownloadMP3;
    QLineEdit *Ed_DownloadWAV;
    QLineEdit *Ed_DownloadMpeg;
    QLineEdit *Ed_DownloadMIDI;
    QPlainTextEdit *Memo1;
    QCheckBox *Ch_OnTimerON;
    QComboBox *Co_Hour;
    QComboBox *Co_Minute;
    QGroupBox *RG_Target;
    QGroupBox *RG_Favorite;
    QComboBox *Co_Favorite;
    QGroupBox *RG_Playlist;
    QComboBox *Co_Playlist;
    QCheckBox *Ch_Priority;
    QCheckBox *Ch_UseOffTimer;
    QGroupBox *RG_OffTimer;
    QLineEdit *Ed_DomainName;
    QLineEdit *Ed_PrivateAddress;
    QPlainTextEdit *Memo2;
    QCheckBox *Ch_Browse;
    QPushButton *Bu_OK;
    QPushButton *Bu_Cancel;
    QTimer *Ti_Check;
    // The radio items of the four radio groups.
    QButtonGroup *m_target;
    QButtonGroup *m_favorite;
    QButtonGroup *m_playlist;
    QButtonGroup *m_offTimer;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *downloadPage();
    QWidget *onTimerPage();
    QWidget *hostPage();
    QWidget *browserPage();
    // Checks one folder field and writes it; 0 keeps the dialog open.
    int CheckFolderField(QLineEdit *field, const kalvuno::TextKey &key, int result);

    kalvuno::Configuration &m_config;
    SetupTargets m_targets;
    bool m_shown = false;
};
