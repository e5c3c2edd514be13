// The main window's part in playback and searching: the search bar, the
// temporary playback buttons, the search flows and what the playback rules
// ask of the window.
#include "MainWindow.h"

#include "ControlPanel.h"
#include "MessageBox.h"
#include "PlayCount.h"
#include "PlaylistPanel.h"
#include "SearchSongs.h"
#include "TPlayGst.h"
#include "SearchDialog.h"
#include "VideoWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QToolBar>

using namespace kalvuno;

namespace {

QPushButton *button(const char *name, const QString &caption, const QString &hint, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAccessibleName(caption);
    return b;
}

QLineEdit *barEdit(const char *name, const QString &label, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(label);
    e->setMinimumWidth(40);
    return e;
}

} // namespace

void TFo_Kalvuno::createSearchBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("検索"));
    bar->setObjectName(QStringLiteral("Panel1"));
    bar->setMovable(false);
    auto *panel = new QWidget(bar);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 2, 4, 2);
    const auto labelled = [&](const QString &label, QLineEdit *edit) {
        auto *l = new QLabel(label, panel);
        l->setBuddy(edit);
        row->addWidget(l);
        row->addWidget(edit);
        // Enter in the bar searches.
        connect(edit, &QLineEdit::returnPressed, this, &TFo_Kalvuno::Bu_SearchClick);
    };
    Ed_Artist = barEdit("Ed_Artist", QStringLiteral("アーティスト:"), panel);
    Ed_Title = barEdit("Ed_Title", QStringLiteral("曲名:"), panel);
    Ed_Genre = barEdit("Ed_Genre", QStringLiteral("ジャンル:"), panel);
    labelled(QStringLiteral("アーティスト:"), Ed_Artist);
    labelled(QStringLiteral("曲名:"), Ed_Title);
    labelled(QStringLiteral("ジャンル:"), Ed_Genre);
    Ra_Random = new QRadioButton(QStringLiteral("ランダム"), panel);
    Ra_Random->setObjectName(QStringLiteral("Ra_Random"));
    Ra_Random->setChecked(true);
    Ra_New = new QRadioButton(QStringLiteral("新着順"), panel);
    Ra_New->setObjectName(QStringLiteral("Ra_New"));
    Bu_Search = button("Bu_Search", QStringLiteral("検索"), QString(), panel);
    Bu_NewSearch = button("Bu_NewSearch", QStringLiteral("新規検索..."), QStringLiteral("新しい条件で検索を行います"), panel);
    for (QWidget *w : std::initializer_list<QWidget *>{Ra_Random, Ra_New, Bu_Search, Bu_NewSearch})
        row->addWidget(w);
    row->addStretch(1);
    // A narrow window squeezes the bar rather than the bar widening the window.
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panel->setMinimumWidth(0);
    bar->addWidget(panel);
    connect(Bu_Search, &QPushButton::clicked, this, &TFo_Kalvuno::Bu_SearchClick);
    connect(Bu_NewSearch, &QPushButton::clicked, this, &TFo_Kalvuno::MF_NewSearchClick);
}

std::unique_ptr<TFo_Search> TFo_Kalvuno::searchDialogFrom(const QString &favoriteFile)
{
    auto dialog = std::make_unique<TFo_Search>(m_paths.favorites, this);
    dialog->LoadFavorite(favoriteFile);
    return dialog;
}

bool TFo_Kalvuno::searchInto(const QString &query, bool append)
{
    const SearchOutcome outcome = SearchSongs(m_transport, query, m_paths.currentList, append);
    // A request aborted because the window closes is no failure to report.
    if (m_closing)
        return false;
    switch (outcome) {
    case SearchOutcome::Done:
        return true;
    case SearchOutcome::Failed:
        messagebox::show(this, QMessageBox::Warning, QString::fromUtf16(kSearchFailedMessage));
        return false;
    case SearchOutcome::NotWritten:
        messagebox::showWriteError(this, m_paths.currentList);
        return false;
    }
    return false;
}

void TFo_Kalvuno::replaceBySearch(const QString &query)
{
    m_playback.currentQuery = query;
    m_playback.StopPlayback();
    setCaption(QString::fromUtf16(kSearchingCaption));
    // On failure the old list stays, is loaded again and plays from its top.
    searchInto(query, false);
    if (m_closing)
        return;
    m_playlistPanel->LoadCurrentList(-1, true);
    Pa_ChangeList(2);
    m_playback.PlaySelectedEntry();
}

void TFo_Kalvuno::Bu_SearchClick()
{
    auto dialog = searchDialogFrom(defaultFavorite());
    // Only the maximum count of the saved conditions counts here.
    SearchConditions c = dialog->conditions();
    c.target = 0;
    c.library = true;
    c.web = true;
    c.artist = Ed_Artist->text();
    c.title = Ed_Title->text();
    c.genre = Ed_Genre->text();
    c.sort = Ra_New->isChecked() ? 1 : 0;
    dialog->setConditions(c);
    const bool ok = dialog->Bu_OKClick();
    if (ok && !m_closing)
        replaceBySearch(dialog->Query);
}

void TFo_Kalvuno::MF_NewSearchClick()
{
    auto dialog = searchDialogFrom(defaultFavorite());
    if (dialog->exec() != QDialog::Accepted || m_closing)
        return;
    if (!dialog->SaveFavorite(defaultFavorite()))
        messagebox::showWriteError(this, defaultFavorite());
    if (m_closing)
        return;
    if (dialog->SearchMethod == 0) {
        replaceBySearch(dialog->Query);
        return;
    }
    // An adding search: the answer goes to the end, playback goes on.
    m_playback.currentQuery = dialog->Query;
    const QString caption = windowTitle();
    setCaption(QString::fromUtf16(kSearchingCaption));
    searchInto(dialog->Query, true);
    if (m_closing)
        return;
    m_playlistPanel->LoadCurrentList(m_playlist.selected(), false);
    Pa_ChangeList(2);
    setCaption(caption);
}

void TFo_Kalvuno::RunFavorite(const QString &file)
{
    const QString query = searchDialogFrom(file)->Query;
    if (!m_closing)
        replaceBySearch(query);
}

void TFo_Kalvuno::OpenPlaylistFile(const QString &path)
{
    m_playback.StopPlayback();
    QFile source(path);
    bool copied = false;
    if (source.open(QIODevice::ReadOnly)) {
        QSaveFile current(m_paths.currentList);
        const QByteArray bytes = source.readAll();
        copied = current.open(QIODevice::WriteOnly) && current.write(bytes) == bytes.size() && current.commit();
        if (!copied)
            messagebox::showWriteError(this, m_paths.currentList);
    }
    if (m_closing)
        return;
    m_playback.currentQuery.clear();
    m_playlistPanel->LoadCurrentList(-1, true);
    // Only a list that really came from the file may be saved back over it.
    if (copied)
        m_playlist.setLoadedPlaylist(path, QFileInfo(path).completeBaseName());
    m_playlistPanel->showCaption();
    Pa_ChangeList(2);
    m_playback.PlaySelectedEntry();
}

void TFo_Kalvuno::MV_VideoSizeClick(int mode)
{
    m_videoMode = mode;
    TPlayGst::setVideoMode(mode);
    checkWrite(m_config->write(keys::VideoMode, mode));
    if (const auto player = m_playback.player())
        player->ApplyVideoSize(mode);
}

void TFo_Kalvuno::MS_RepeatClick(int mode)
{
    m_playback.repeatMode = mode;
    checkWrite(m_config->write(keys::RepeatMode, mode));
}

std::function<void()> TFo_Kalvuno::tickOnPlayerChange() const
{
    return [bell = m_tickBell] { bell->ring(); };
}

std::shared_ptr<TPlay> TFo_Kalvuno::createPlayer(const QString &location, const QString &caption)
{
    if (auto early = m_early.takeFor(location, tickOnPlayerChange()))
        return early;
    return TPlay::createWatched<TPlayGst>(tickOnPlayerChange(), location, m_video, caption);
}

std::shared_ptr<TPlay> TFo_Kalvuno::preparePlayer(const QString &location, const QString &caption)
{
    if (!TPlayGst::canPrepare(location))
        return nullptr;
    return TPlay::createHeld<TPlayGst>(tickOnPlayerChange(), location, m_video, caption);
}

void TFo_Kalvuno::setCaption(const QString &caption)
{
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TFo_Kalvuno::showList() { m_playlistPanel->refresh(); }

void TFo_Kalvuno::showEntry() { m_playlistPanel->LB_PlayClick(); }

void TFo_Kalvuno::repaintControls() { PB_Control->refresh(); }

void TFo_Kalvuno::sendPlayCount(const QString &key) { m_playCounts.send(m_transport, key); }

void TFo_Kalvuno::searchAgain(const QString &query) { searchInto(query, false); }
