// The main window's saved playlists and favourites: their sections' buttons,
// pop-up menus and keys, listing, saving, opening, renaming and deleting.
#include "MainWindow.h"

#include "ListSection.h"
#include "MessageBox.h"
#include "PlaylistNameDialog.h"
#include "PlaylistPanel.h"
#include "SavedLists.h"
#include "SearchDialog.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

using namespace kalvuno;

namespace {

// Enter and Delete in a list, before the list box handles them itself.
class ListKeys : public QObject
{
public:
    ListKeys(QObject *parent, std::function<void()> enter, std::function<void()> remove)
        : QObject(parent), m_enter(std::move(enter)), m_remove(std::move(remove))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_enter();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            m_remove();
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_enter;
    std::function<void()> m_remove;
};

QPushButton *headerButton(const char *name, QStyle::StandardPixmap icon, const QString &caption, const QString &hint,
                          QWidget *parent)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(parent->style()->standardIcon(icon));
    b->setFixedSize(23, 23);
    b->setFlat(true);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAccessibleName(caption);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

template <class T> void enableIfChanged(T *item, bool enabled)
{
    if (item->isEnabled() != enabled)
        item->setEnabled(enabled);
}

} // namespace

int TFo_Kalvuno::selectedRow(int list) const
{
    const QListWidget *lb = list == 0 ? m_favoritesSection->list() : m_playlistsSection->list();
    const QList<QListWidgetItem *> items = lb->selectedItems();
    return items.isEmpty() ? -1 : lb->row(items.first());
}

QString TFo_Kalvuno::selectedListName(int list) const
{
    const int row = selectedRow(list);
    const QListWidget *lb = list == 0 ? m_favoritesSection->list() : m_playlistsSection->list();
    return row < 0 ? QString() : lb->item(row)->text();
}

void TFo_Kalvuno::createListSections()
{
    QWidget *favorites = m_favoritesSection->header();
    Bu_NewFavorite = headerButton("Bu_NewFavorite", QStyle::SP_FileDialogNewFolder, QStringLiteral("お気に入りの新規作成"),
                                  QStringLiteral("新しいお気に入り検索条件を作成します"), favorites);
    Bu_OpenFavorite = headerButton("Bu_OpenFavorite", QStyle::SP_MediaPlay, QStringLiteral("お気に入りを再生"),
                                   QStringLiteral("選択中のお気に入り検索条件で曲を検索し、再生します"), favorites);
    m_favoritesSection->headerRow()->addWidget(Bu_NewFavorite);
    m_favoritesSection->headerRow()->addWidget(Bu_OpenFavorite);
    connect(Bu_NewFavorite, &QPushButton::clicked, this, &TFo_Kalvuno::MF_NewFavoriteClick);
    connect(Bu_OpenFavorite, &QPushButton::clicked, this, &TFo_Kalvuno::Bu_OpenFavoriteClick);

    QWidget *playlists = m_playlistsSection->header();
    Bu_SavePlayList = headerButton("Bu_SavePlayList", QStyle::SP_DialogSaveButton, QStringLiteral("プレイリストの保存"),
                                   QStringLiteral("選択中のプレイリストに現在のプレイリストを保存します"), playlists);
    Bu_SaveAsPlayList =
        headerButton("Bu_SaveAsPlayList", QStyle::SP_FileDialogNewFolder, QStringLiteral("名前を付けて保存"),
                     QStringLiteral("現在のプレイリストに名前を付けて保存します"), playlists);
    Bu_OpenPlaylist = headerButton("Bu_OpenPlaylist", QStyle::SP_MediaPlay, QStringLiteral("プレイリストを再生"),
                                   QStringLiteral("選択中のプレイリストを再生します"), playlists);
    for (QPushButton *b : {Bu_SavePlayList, Bu_SaveAsPlayList, Bu_OpenPlaylist}) {
        b->setEnabled(false);
        m_playlistsSection->headerRow()->addWidget(b);
    }
    connect(Bu_SavePlayList, &QPushButton::clicked, this, &TFo_Kalvuno::MF_SavePlaylistClick);
    connect(Bu_SaveAsPlayList, &QPushButton::clicked, this, &TFo_Kalvuno::MF_SaveAsPlayListClick);
    connect(Bu_OpenPlaylist, &QPushButton::clicked, this, &TFo_Kalvuno::Bu_OpenPlaylistClick);

    QListWidget *LB_Favorites = m_favoritesSection->list();
    QListWidget *LB_PlayLists = m_playlistsSection->list();
    LB_Favorites->setToolTip(QStringLiteral("お気に入りのリストです。ダブルクリックもしくはEnterキーで検索を実行、再生、"
                                            "Deleteキーで削除、右クリックで編集します"));
    LB_PlayLists->setToolTip(QStringLiteral("保存されたプレイリストです。ダブルクリックもしくはEnterキーで再生、"
                                            "Deleteキーで削除、右クリックで名前を変更します"));
    for (QListWidget *lb : {LB_Favorites, LB_PlayLists})
        lb->setStatusTip(lb->toolTip());

    PM_Favorites = new QMenu(this);
    PM_Favorites->setObjectName(QStringLiteral("PM_Favorites"));
    PF_Edit = PM_Favorites->addAction(QStringLiteral("編集(&E)..."));
    PF_Edit->setObjectName(QStringLiteral("PF_Edit"));
    connect(PF_Edit, &QAction::triggered, this, &TFo_Kalvuno::PF_EditClick);
    PM_PlayLists = new QMenu(this);
    PM_PlayLists->setObjectName(QStringLiteral("PM_PlayLists"));
    PP_Rename = PM_PlayLists->addAction(QStringLiteral("名前の変更(&N)..."));
    PP_Rename->setObjectName(QStringLiteral("PP_Rename"));
    connect(PP_Rename, &QAction::triggered, this, &TFo_Kalvuno::PP_RenameClick);

    const std::pair<QListWidget *, QMenu *> popups[] = {{LB_Favorites, PM_Favorites}, {LB_PlayLists, PM_PlayLists}};
    for (const auto &[lb, menu] : popups) {
        lb->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(lb, &QWidget::customContextMenuRequested, this,
                [lb = lb, menu = menu](const QPoint &at) { menu->popup(lb->viewport()->mapToGlobal(at)); });
    }
    // LB_FavoritesClick and LB_PlayListsClick.
    connect(LB_Favorites, &QListWidget::itemSelectionChanged, this, [this] {
        const bool selected = selectedRow(0) >= 0;
        Bu_OpenFavorite->setEnabled(selected);
        PF_Edit->setEnabled(selected);
    });
    connect(LB_PlayLists, &QListWidget::itemSelectionChanged, this, [this] {
        const bool selected = selectedRow(1) >= 0;
        Bu_OpenPlaylist->setEnabled(selected);
        PP_Rename->setEnabled(selected);
    });
    connect(LB_Favorites, &QListWidget::itemDoubleClicked, this, &TFo_Kalvuno::Bu_OpenFavoriteClick);
    connect(LB_PlayLists, &QListWidget::itemDoubleClicked, this, &TFo_Kalvuno::Bu_OpenPlaylistClick);
    LB_Favorites->installEventFilter(
        new ListKeys(this, [this] { Bu_OpenFavoriteClick(); }, [this] { deleteSelectedFavorite(); }));
    LB_PlayLists->installEventFilter(
        new ListKeys(this, [this] { Bu_OpenPlaylistClick(); }, [this] { deleteSelectedPlaylist(); }));
    Bu_OpenFavorite->setEnabled(false);
    PF_Edit->setEnabled(false);
    PP_Rename->setEnabled(false);
}

void TFo_Kalvuno::fillList(int list, const QString &name)
{
    QListWidget *lb = list == 0 ? m_favoritesSection->list() : m_playlistsSection->list();
    const QStringList names = list == 0 ? listSavedNames(m_paths.favorites, QString::fromUtf16(kFavoriteSuffix))
                                        : listSavedNames(m_paths.playlists, QString::fromUtf16(kPlaylistSuffix));
    const QSignalBlocker quiet(lb);
    lb->clear();
    lb->addItems(names);
    const qsizetype at = name.isEmpty() ? -1 : names.indexOf(name);
    if (at >= 0) {
        lb->setCurrentRow(int(at));
        if (at > 0)
            lb->setFocus();
    }
    const bool selected = at >= 0;
    if (list == 0) {
        Bu_OpenFavorite->setEnabled(selected);
        PF_Edit->setEnabled(selected);
    } else {
        Bu_OpenPlaylist->setEnabled(selected);
        PP_Rename->setEnabled(selected);
    }
}

void TFo_Kalvuno::ListFavorites(const QString &name) { fillList(0, name); }

void TFo_Kalvuno::ListPlaylists(const QString &name) { fillList(1, name); }

bool TFo_Kalvuno::canSaveOver() const
{
    // Only the file the current list came from or was saved to, and only
    // while it is the one selected: a same-named list opened from elsewhere
    // never overwrites it.
    // (Asked on every tick: the cheap conditions come first.)
    return m_playlist.count() > 0 && !m_playlist.loadedPlaylistPath().isEmpty() && selectedRow(1) >= 0
        && m_playlist.loadedPlaylistPath()
               == m_paths.playlists + selectedListName(1) + QString::fromUtf16(kPlaylistSuffix);
}

void TFo_Kalvuno::UpdateSaveButtons()
{
    const bool over = canSaveOver();
    enableIfChanged(Bu_SavePlayList, over);
    enableIfChanged(MF_SavePlaylist, over);
    enableIfChanged(Bu_SaveAsPlayList, m_playlist.count() > 0);
    enableIfChanged(MF_SaveAsPlayList, m_playlist.count() > 0);
}

bool TFo_Kalvuno::SaveCurrentListTo(const QString &path)
{
    int folderError = 0;
    switch (saveListCopy(m_paths.currentList, path, &folderError)) {
    case SaveListResult::FolderFailed:
        messagebox::showError(this, QStringLiteral("I/O エラー (%1)").arg(folderError));
        return false;
    case SaveListResult::WriteFailed:
        messagebox::showWriteError(this, path);
        return false;
    case SaveListResult::Saved:
        break;
    }
    const QString name = QFileInfo(path).fileName().chopped(3);
    m_playlist.setLoadedPlaylist(path, name);
    m_playlistPanel->showCaption();
    return true;
}

void TFo_Kalvuno::MF_SavePlaylistClick()
{
    if (canSaveOver())
        SaveCurrentListTo(m_playlist.loadedPlaylistPath());
}

void TFo_Kalvuno::MF_SaveAsPlayListClick()
{
    if (m_playlist.count() == 0)
        return;
    TFo_PLName dialog(m_paths.playlists, this);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (m_closing || !ok)
        return;
    SaveCurrentListTo(dialog.TargetPath);
    if (!m_closing)
        ListPlaylists(dialog.Ed_Name->text());
}

void TFo_Kalvuno::Bu_OpenPlaylistClick()
{
    const QString name = selectedListName(1);
    if (selectedRow(1) >= 0)
        OpenPlaylistFile(m_paths.playlists + name + QString::fromUtf16(kPlaylistSuffix));
}

void TFo_Kalvuno::deleteSelectedPlaylist()
{
    if (selectedRow(1) < 0)
        return;
    // The name is taken now: ticks run while the box is open.
    const QString name = selectedListName(1);
    const auto answer = messagebox::show(this, QMessageBox::Question,
                                         QStringLiteral("プレイリスト\"") + name + QStringLiteral("\"を削除してよろしいですか？"),
                                         QMessageBox::Ok | QMessageBox::Cancel, QStringLiteral("プレイリストの削除"));
    if (m_closing || answer != QMessageBox::Ok)
        return;
    QFile::remove(m_paths.playlists + name + QString::fromUtf16(kPlaylistSuffix));
    ListPlaylists(QString());
}

void TFo_Kalvuno::PP_RenameClick()
{
    if (selectedRow(1) < 0)
        return;
    const QString oldName = selectedListName(1);
    TFo_PLName dialog(m_paths.playlists, this);
    dialog.Mode = TFo_PLName::Rename;
    dialog.OldName = oldName;
    dialog.Ed_Name->setText(oldName);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (m_closing || !ok)
        return;
    const QString newName = dialog.Ed_Name->text();
    if (newName != oldName)
        QFile::rename(m_paths.playlists + oldName + QString::fromUtf16(kPlaylistSuffix), dialog.TargetPath);
    ListPlaylists(newName);
}

void TFo_Kalvuno::MF_NewFavoriteClick()
{
    auto dialog = std::make_unique<TFo_Search>(m_paths.favorites, this);
    dialog->Mode = TFo_Search::NewFavorite;
    const bool ok = dialog->exec() == QDialog::Accepted;
    if (m_closing || !ok)
        return;
    const QString name = dialog->Ed_Name->text();
    const QString path = m_paths.favorites + name + QString::fromUtf16(kFavoriteSuffix);
    if (!dialog->SaveFavorite(path))
        messagebox::showWriteError(this, path);
    if (!m_closing)
        ListFavorites(name);
}

void TFo_Kalvuno::PF_EditClick()
{
    if (selectedRow(0) < 0)
        return;
    const QString oldName = selectedListName(0);
    const QString suffix = QString::fromUtf16(kFavoriteSuffix);
    auto dialog = searchDialogFrom(m_paths.favorites + oldName + suffix);
    dialog->Mode = TFo_Search::EditFavorite;
    dialog->FormerName = oldName;
    dialog->Ed_Name->setText(oldName);
    const bool ok = dialog->exec() == QDialog::Accepted;
    if (m_closing || !ok)
        return;
    const QString newName = dialog->Ed_Name->text();
    const QString path = m_paths.favorites + newName + suffix;
    // The new file first: a rename whose write fails keeps the old one.
    if (dialog->SaveFavorite(path)) {
        if (newName != oldName)
            QFile::remove(m_paths.favorites + oldName + suffix);
    } else {
        messagebox::showWriteError(this, path);
        if (m_closing)
            return;
    }
    ListFavorites(newName);
}

void TFo_Kalvuno::Bu_OpenFavoriteClick()
{
    if (selectedRow(0) >= 0)
        RunFavorite(m_paths.favorites + selectedListName(0) + QString::fromUtf16(kFavoriteSuffix));
}

void TFo_Kalvuno::deleteSelectedFavorite()
{
    if (selectedRow(0) < 0)
        return;
    const QString name = selectedListName(0);
    const auto answer = messagebox::show(this, QMessageBox::Question,
                                         QStringLiteral("お気に入り\"") + name + QStringLiteral("\"を削除してよろしいですか？"),
                                         QMessageBox::Ok | QMessageBox::Cancel, QStringLiteral("お気に入りの削除"));
    if (m_closing || answer != QMessageBox::Ok)
        return;
    QFile::remove(m_paths.favorites + name + QString::fromUtf16(kFavoriteSuffix));
    ListFavorites(QString());
}

QStringList TFo_Kalvuno::names(int list) const
{
    const QListWidget *lb = list == 0 ? m_favoritesSection->list() : m_playlistsSection->list();
    QStringList out;
    for (int i = 0; i < lb->count(); ++i)
        out.append(lb->item(i)->text());
    return out;
}

int TFo_Kalvuno::selectedName(int list) const { return selectedRow(list); }

void TFo_Kalvuno::selectName(int list, int index)
{
    (list == 0 ? m_favoritesSection->list() : m_playlistsSection->list())->setCurrentRow(index);
}

void TFo_Kalvuno::openSelected(int list)
{
    if (list == 0)
        Bu_OpenFavoriteClick();
    else
        Bu_OpenPlaylistClick();
}

void TFo_Kalvuno::openSavedPlaylist(int index)
{
    selectName(1, index);
    Bu_OpenPlaylistClick();
}

bool TFo_Kalvuno::canSaveOverPlaylist() const { return Bu_SavePlayList->isEnabled(); }
