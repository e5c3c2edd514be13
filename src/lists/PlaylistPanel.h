#pragma once

#include "CurrentPlaylist.h"

#include <QWidget>

class QLabel;
class QListView;
class QToolButton;

namespace kalvuno {
class PlaylistModel;
}

// The current-playlist section of the main window: the header Pa_Playlist
// with La_PlayList and the move buttons, and the list box LB_Play. It shows
// what the CurrentPlaylist holds and passes the user's actions to it.
class PlaylistPanel : public QWidget
{
    Q_OBJECT
public:
    PlaylistPanel(kalvuno::CurrentPlaylist &playlist, QWidget *parent = nullptr);

    // Reads "Current.ini" afresh into the list (see CurrentPlaylist::load).
    void LoadCurrentList(int index, bool forget);
    void FreeCurrentList();
    // Adds an entry after the selection and selects it.
    bool insertEntry(const QString &key, const kalvuno::EntryValues &values);
    // Adds an entry at the end; the selection stays on the line that was last.
    bool appendEntry(const QString &key, const kalvuno::EntryValues &values);
    // Empties the list and deletes its file (see CurrentPlaylist::clear).
    void clear();
    void UpdateMoveButtons();
    // Shows the selected entry's texts (emits informationChanged).
    void LB_PlayClick();
    void Bu_UpClick();
    void Bu_DownClick();
    // Shows the model's selection in the list box, without LB_PlayClick.
    void showSelection();
    // Shows the model's lines, caption and selection again.
    void refresh();
    // Shows the caption again (the list was saved or named), not the lines.
    void showCaption();
    // Marks the line of the entry that plays (none for an empty key), so it
    // stays visible when the selection moves; the entry's text is unchanged.
    void setPlayingKey(const QString &key);
    int playingRow() const;

    QListView *LB_Play = nullptr;
    QWidget *Pa_Playlist = nullptr;
    QLabel *La_PlayList = nullptr;
    QToolButton *Bu_Up = nullptr;
    QToolButton *Bu_Down = nullptr;

signals:
    // The user asked to play the selected entry (double click or Enter).
    void playRequested();
    // The information panel's six texts of the selected entry.
    void informationChanged(const kalvuno::EntryInfo &info);
    // "Current.ini" could not be written.
    void writeFailed(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void removeSelected();
    void userSelected(int row);
    bool report(bool ok);
    // Shows the line that an insert or an append added at row.
    bool showAdded(int countBefore, bool written, int row);

    void findPlayingRow();

    kalvuno::CurrentPlaylist &m_playlist;
    kalvuno::PlaylistModel *m_model = nullptr;
    QString m_playingKey;
    int m_playingRow = -1; // found again whenever the lines change, not on every line drawn
    bool m_showingSelection = false; // the current line changes by code, not by the user
};
