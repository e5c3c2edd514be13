#pragma once

#include "SongList.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;

namespace kalvuno {
class Configuration;
class HttpTransport;
}

// Edits the user's own songs in "MySongs.dat", tests them as the current
// playlist (the dialog then ends with OK) and uploads them to the service.
// The rules of the list, its upload and the service's IDs live in SongList
// and Registration; this form reads its controls and shows the outcome.
class TFo_Regist : public QDialog
{
    Q_OBJECT
public:
    // closing: whether the program is going away; checked after every box
    // and request, whose nested event loop may have let a close request in.
    TFo_Regist(const QString &songListPath, kalvuno::Configuration &config, const kalvuno::HttpTransport &transport,
               std::function<bool()> closing, QWidget *parent = nullptr);

    // key by value: callers pass one of the IDs this replaces.
    void RefreshSongs(QString key);
    void Bu_NewClick();
    void Bu_DeleteClick();
    void Bu_SaveClick();
    void LB_SongsClick(int row);
    void LB_SongsClickCheck(QListWidgetItem *item);
    void PM_OpenAllClick() { setAllPublic(true); }
    void PM_CloseAllClick() { setAllPublic(false); }
    void PM_TestClick() { accept(); }
    void PM_SendClick();

    // The song ID of each item of LB_Songs, in the list's order.
    const QStringList &songIds() const { return m_ids; }

    QPushButton *Bu_New;
    QPushButton *Bu_Delete;
    QListWidget *LB_Songs;
    QLineEdit *Ed_Artist;
    QLineEdit *Ed_Title;
    QComboBox *Ed_Genre;
    QLineEdit *Ed_MP3;
    QLineEdit *Ed_Home;
    QPushButton *Bu_Save;
    QPlainTextEdit *Memo1;
    QMenu *PM_Menu;
    QAction *PM_OpenAll;
    QAction *PM_CloseAll;
    QAction *PM_Test;
    QAction *PM_Send;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void layOut();
    kalvuno::SongFields shownFields() const;
    void setAllPublic(bool open);
    QString selectedId() const;
    // The write error for the song list when ok is false; returns ok.
    bool checkWrite(bool ok);
    bool stillOpen() const;
    void showIdFailure();
    // The stored access ID, or a new one from the service, stored; empty on failure.
    QString accessId();

    kalvuno::SongList m_list;
    kalvuno::Configuration &m_config;
    const kalvuno::HttpTransport &m_transport;
    std::function<bool()> m_closing;
    QStringList m_ids;
    bool m_refreshing = false;
    bool m_shown = false;
};
