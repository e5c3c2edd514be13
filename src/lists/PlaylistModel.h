#pragma once

#include "CurrentPlaylist.h"

#include <QAbstractListModel>

namespace kalvuno {

// The lines of the current playlist for a list view. It holds nothing of its
// own: the row count and each line's title come from the CurrentPlaylist, so
// only the lines on screen are ever read, and a list of 50,000 entries costs
// the view nothing per line.
//
// The playlist is changed first and the view told afterwards: nothing reads
// the old lines in between, as the view asks for rows only when it draws.
class PlaylistModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit PlaylistModel(const CurrentPlaylist &playlist, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The playlist changed as a whole (loaded, emptied, an entry moved or removed).
    void reload();
    // The playlist gained the line at row; the lines below it moved down.
    void rowAdded(int row);

private:
    const CurrentPlaylist &m_playlist;
};

} // namespace kalvuno
