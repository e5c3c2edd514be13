#include "PlaylistPanel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
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

    LB_Play = new QListWidget(this);
    LB_Play->setObjectName(QStringLiteral("LB_Play"));
    LB_Play->setAccessibleName(m_playlist.caption());
    LB_Play->setUniformItemSizes(true); // keeps a 10,000-line list cheap to fill
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
    // block this signal, so only the user's choices reach LB_PlayClick.
    connect(LB_Play, &QListWidget::currentRowChanged, this, &PlaylistPanel::userSelected);
    // A click on the line that is already current changes no row, but its
    // texts may be stale (after a removal): show them again.
    connect(LB_Play, &QListWidget::itemClicked, this, [this] { userSelected(LB_Play->currentRow()); });
    connect(LB_Play, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_playlist.selected() >= 0)
            emit playRequested();
    });
}

void PlaylistPanel::refresh()
{
    const QSignalBlocker blocker(LB_Play);
    LB_Play->clear();
    LB_Play->addItems(m_playlist.titles());
    La_PlayList->setText(m_playlist.caption());
    LB_Play->setAccessibleName(m_playlist.caption());
    showSelection();
}

void PlaylistPanel::setPlayingKey(const QString &key)
{
    if (key == m_playingKey)
        return;
    m_playingKey = key;
    LB_Play->viewport()->update();
}

int PlaylistPanel::playingRow() const
{
    return m_playingKey.isEmpty() ? -1 : int(m_playlist.keys().indexOf(m_playingKey));
}

void PlaylistPanel::showSelection()
{
    const QSignalBlocker blocker(LB_Play);
    LB_Play->setCurrentRow(m_playlist.selected());
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
    const QSignalBlocker blocker(LB_Play);
    LB_Play->insertItem(row, m_playlist.titles().at(row));
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
