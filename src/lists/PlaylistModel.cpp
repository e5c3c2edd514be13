#include "PlaylistModel.h"

namespace kalvuno {

PlaylistModel::PlaylistModel(const CurrentPlaylist &playlist, QObject *parent)
    : QAbstractListModel(parent)
    , m_playlist(playlist)
{
}

int PlaylistModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_playlist.count();
}

QVariant PlaylistModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_playlist.count())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_playlist.title(index.row());
    return QVariant();
}

void PlaylistModel::reload()
{
    beginResetModel();
    endResetModel();
}

void PlaylistModel::rowAdded(int row)
{
    beginInsertRows(QModelIndex(), row, row);
    endInsertRows();
}

} // namespace kalvuno
