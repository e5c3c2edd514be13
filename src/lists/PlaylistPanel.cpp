#include "PlaylistPanel.h"

#include "PlaylistModel.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

using namespace kalvuno;

namespace {

void giveHint(QWidget *w, const QString &hint)
{
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

QToolButton *moveButton(const char *name, QStyle::StandardPixmap arrow, const QString &hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(parent->style()->standardIcon(arrow));
    b->setAutoRaise(true);
    b->setFixedSize(21, 21);
    b->setAccessibleName(hint);
    giveHint(b, hint);
    b->setEnabled(false);
    return b;
}

// Draws the playing entry's line bold, after a play mark.
class PlayingLineDelegate : public QStyledItemDelegate
{
public:
    PlayingLineDelegate(const PlaylistPanel *panel) : QStyledItemDelegate(const_cast<PlaylistPanel *>(panel)), m_panel(panel) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.row() != m_panel->playingRow())
            return;
        option->font.setBold(true);
        option->text = QStringLiteral("▶ ") + option->text;
    }

private:
    const PlaylistPanel *m_panel;
};

} // namespace

PlaylistPanel::PlaylistPanel(CurrentPlaylist &playlist, QWidget *parent) : QWidget(parent), m_playlist(playlist)
{
    setObjectName(QStringLiteral("Pa_PlayListBase"));

    Pa_Playlist = new QWidget(this);
    Pa_Playlist->setObjectName(QStringLiteral("Pa_Playlist"));
    Pa_Playlist->setFixedHeight(25);
    La_PlayList = new QLabel(m_playlist.caption(), Pa_Playlist);
    La_PlayList->setObjectName(QStringLiteral("La_PlayList"));
    Bu_Up = moveButton("Bu_Up", QStyle::SP_ArrowUp, QStringLiteral("選択中の曲を上に移動します"), Pa_Playlist);
    Bu_Down = moveButton("Bu_Down", QStyle::SP_ArrowDown, QStringLiteral("選択中の曲を下に移動します"), Pa_Playlist);
    auto *header = new QHBoxLayout(Pa_Playlist);
    header->setContentsMargins(4, 0, 2, 0);
    header->setSpacing(1);
    header->addWidget(La_PlayList, 1);
    header->addWidget(Bu_Up);
    header->addWidget(Bu_Down);

    // A view over a model that reads the playlist, not a list of items: a
    // list of 50,000 entries is neither copied into the widget nor laid out
    // line by line, and only the lines on screen are read.
    m_model = new PlaylistModel(m_playlist, this);
    LB_Play = new QListView(this);
    LB_Play->setObjectName(QStringLiteral("LB_Play"));
    LB_Play->setAccessibleName(m_playlist.caption());
    LB_Play->setUniformItemSizes(true);
    LB_Play->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LB_Play->setModel(m_model);
    giveHint(LB_Play, QStringLiteral("ダブルクリックもしくはEnterキーで再生します。"));
    LB_Play->installEventFilter(this);
    LB_Play->setItemDelegate(new PlayingLineDelegate(this));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Pa_Playlist);
    layout->addWidget(LB_Play, 1);

    connect(Bu_Up, &QToolButton::clicked, this, &PlaylistPanel::Bu_UpClick);
    connect(Bu_Down, &QToolButton::clicked, this, &PlaylistPanel::Bu_DownClick);
    // Qt reports selection changes made by code too; refresh() and showSelection()
    // mark theirs, so only the user's choices reach LB_PlayClick. (Blocking the
    // selection model's signals would also keep the view from scrolling to and
    // redrawing the current line.)
    connect(
        LB_Play->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
            if (!m_showingSelection)
                userSelected(current.row());
        });
    // A click on the line that is already current changes no row, but its
    // texts may be stale (after a removal): show them again.
    connect(LB_Play, &QListView::clicked, this, [this] { userSelected(LB_Play->currentIndex().row()); });
    connect(LB_Play, &QListView::doubleClicked, this, [this] {
        if (m_playlist.selected() >= 0)
            emit playRequested();
    });
}

void PlaylistPanel::refresh()
{
    const QScopedValueRollback quiet(m_showingSelection, true);
    m_model->reload();
    findPlayingRow();
    showCaption();
    showSelection();
}

void PlaylistPanel::showCaption()
{
    La_PlayList->setText(m_playlist.caption());
    LB_Play->setAccessibleName(m_playlist.caption());
}

void PlaylistPanel::setPlayingKey(const QString &key)
{
    if (key == m_playingKey)
        return;
    m_playingKey = key;
    findPlayingRow();
    LB_Play->viewport()->update();
}

void PlaylistPanel::findPlayingRow()
{
    m_playingRow = m_playingKey.isEmpty() ? -1 : m_playlist.indexOf(m_playingKey);
}

int PlaylistPanel::playingRow() const
{
    return m_playingRow;
}

void PlaylistPanel::showSelection()
{
    const QScopedValueRollback quiet(m_showingSelection, true);
    LB_Play->selectionModel()->setCurrentIndex(
        m_model->index(m_playlist.selected()), QItemSelectionModel::ClearAndSelect);
}

void PlaylistPanel::LoadCurrentList(int index, bool forget)
{
    m_playlist.load(index, forget);
    refresh();
}

void PlaylistPanel::FreeCurrentList()
{
    m_playlist.release();
    refresh();
}

bool PlaylistPanel::insertEntry(const QString &key, const EntryValues &values)
{
    const int before = m_playlist.count();
    const bool written = m_playlist.insertEntry(key, values);
    return showAdded(before, written, m_playlist.selected());
}

bool PlaylistPanel::appendEntry(const QString &key, const EntryValues &values)
{
    const int before = m_playlist.count();
    const bool written = m_playlist.appendEntry(key, values);
    return showAdded(before, written, before);
}

bool PlaylistPanel::showAdded(int countBefore, bool written, int row)
{
    if (!report(written))
        return false;
    if (m_playlist.count() == countBefore)
        return true; // no file open yet: nothing was added
    // One new line, not a refill: lists of thousands stay quick.
    const QScopedValueRollback quiet(m_showingSelection, true);
    m_model->rowAdded(row);
    findPlayingRow();
    showSelection();
    return true;
}

void PlaylistPanel::clear()
{
    m_playlist.clear();
    refresh();
}

void PlaylistPanel::UpdateMoveButtons()
{
    if (Bu_Up->isEnabled() != m_playlist.canMoveUp())
        Bu_Up->setEnabled(m_playlist.canMoveUp());
    if (Bu_Down->isEnabled() != m_playlist.canMoveDown())
        Bu_Down->setEnabled(m_playlist.canMoveDown());
}

void PlaylistPanel::LB_PlayClick()
{
    if (const auto info = m_playlist.selectedInfo())
        emit informationChanged(*info);
}

void PlaylistPanel::Bu_UpClick()
{
    report(m_playlist.moveSelectedUp());
    refresh();
}

void PlaylistPanel::Bu_DownClick()
{
    report(m_playlist.moveSelectedDown());
    refresh();
}

void PlaylistPanel::removeSelected()
{
    // Playback goes on, even when the removed entry is the one playing.
    report(m_playlist.removeSelected());
    refresh();
}

void PlaylistPanel::userSelected(int row)
{
    m_playlist.select(row);
    LB_PlayClick();
}

bool PlaylistPanel::report(bool ok)
{
    if (!ok)
        emit writeFailed(m_playlist.path());
    return ok;
}

bool PlaylistPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LB_Play && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete && m_playlist.selected() >= 0) {
            removeSelected();
            return true;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_playlist.selected() >= 0) {
            emit playRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
