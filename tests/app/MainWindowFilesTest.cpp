#include "EarlyStart.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PlaylistPanel.h"
#include "SilentPlayer.h"
#include "TPlay.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QMimeData>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include "QtTry.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kalvuno;

namespace {

// A profile with a music folder, and a folder of files to open.
class WindowFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("HOME", m_tmp.dir.path().toUtf8());
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
        messagebox::clearAnsweredTexts();
        QDir().mkpath(m_profile);
        QDir().mkpath(m_music);
        QDir().mkpath(m_files);
        writeBytes(m_profile + "Kalvuno.ini",
                   ("[General]\r\nSetup=1\r\nBrowse=0\r\nDownload=" + m_music + "\r\n").toUtf8());
    }
    void TearDown() override { EXPECT_TRUE(TPlay::waitForAllClosed(5000)); }
    QString file(const QString &name, const QByteArray &bytes = "not really media") const
    {
        writeBytes(m_files + name, bytes);
        return m_files + name;
    }
    QStringList titles(TFo_Kalvuno &w) const
    {
        QStringList shown;
        const QAbstractItemModel *lines = w.playlistPanel()->LB_Play->model();
        for (int i = 0; i < lines->rowCount(); ++i)
            shown.append(lines->index(i, 0).data().toString());
        return shown;
    }

    TempDir m_tmp;
    QString m_profile = m_tmp.path("profile/");
    QString m_music = m_tmp.path("music/");
    QString m_files = m_tmp.path("files/");
};

// The file names the dialog offers under its current choice.
QStringList offered(QFileDialog *dialog)
{
    auto *model = dialog->findChild<QFileSystemModel *>();
    const QModelIndex folder = model->index(dialog->directory().absolutePath());
    QStringList names;
    for (int row = 0; row < model->rowCount(folder); ++row) {
        const QModelIndex item = model->index(row, 0, folder);
        if (!model->isDir(item) && (model->flags(item) & Qt::ItemIsEnabled))
            names.append(model->fileName(item));
    }
    names.sort();
    return names;
}

TEST_F(WindowFilesTest, TheOpenDialogOffersItsFourChoicesInTheMusicFolder)
{
    for (const char *name : {"a.mp3", "LOUD.MP3", "b.Wav", "c.mid", "d.mpg", "e.AVI", "f.fvr", "g.pl", "h.txt"})
        writeBytes(m_music + name, "x");
    TFo_Kalvuno w(m_profile, {});
    w.show();
    auto *open = w.findChild<QAction *>("MF_Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), u"開く(&O)..."_qs);
    EXPECT_EQ(open->shortcut(), QKeySequence(u"Ctrl+O"_qs));
    const QList<QAction *> items = w.findChild<QMenu *>("MF_File")->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items.at(1), open) << "right after 新規検索";

    QStringList filters;
    QString selected;
    QString folder;
    QList<QStringList> offers;
    bool multi = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != u"OD_Open")
            return;
        filters = dialog->nameFilters();
        selected = dialog->selectedNameFilter();
        folder = dialog->directory().absolutePath() + u'/';
        multi = dialog->fileMode() == QFileDialog::ExistingFiles;
        auto *choice = dialog->findChild<QComboBox *>("fileTypeCombo");
        for (int i = 0; i < 4; ++i) {
            if (i > 0)
                QTest::keyClick(choice, Qt::Key_Down);
            static_cast<void>(QTest::qWaitFor([&] { return offered(dialog).size() > 0; }, 3000));
            QTest::qWait(50);
            offers.append(offered(dialog));
        }
        dialog->reject();
    });
    open->trigger();
    EXPECT_EQ(filters, (QStringList{u"全てのメディア(*.mp3,*.mpg,*.avi,*.mid)"_qs, u"お気に入り(*.fvr)"_qs,
                                    u"プレイリスト(*.pl)"_qs, u"全てのファイル(*.*)"_qs}));
    EXPECT_EQ(selected, filters.value(0));
    EXPECT_EQ(folder, m_music);
    EXPECT_TRUE(multi);
    ASSERT_EQ(offers.size(), 4);
    EXPECT_EQ(offers[0], (QStringList{"LOUD.MP3", "a.mp3", "b.Wav", "c.mid", "d.mpg", "e.AVI"}));
    EXPECT_EQ(offers[1], QStringList{"f.fvr"});
    EXPECT_EQ(offers[2], QStringList{"g.pl"});
    EXPECT_EQ(offers[3].size(), 9);
    w.close();
}

TEST_F(WindowFilesTest, OpeningFilesEmptiesTheListAndForgetsTheSavedPlaylist)
{
    const QStringList media{file("one.mp3"), file("two.wav"), file("three.mid")};
    const QString later = file("later.mp3");
    const QString saved = file("saved.pl", ("[" + later + "]\r\nTitle=Later\r\nMP3=" + later + "\r\n").toUtf8());
    writeBytes(m_profile + "Current.ini", "[old]\r\nTitle=Old\r\nMP3=/nowhere/old.mp3\r\n");
    TFo_Kalvuno w(m_profile, {});
    w.show();
    w.playlist().setLoadedPlaylist("/lists/mine.pl", "mine");
    w.playback().pending = {};
    const auto choose = [&](const QStringList &files) {
        QTimer::singleShot(0, [files] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QStringList quoted;
            for (const QString &f : files)
                quoted.append(u'"' + QFileInfo(f).fileName() + u'"');
            dialog->setDirectory(QFileInfo(files.first()).absolutePath());
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(quoted.join(u' '));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        w.findChild<QAction *>("MF_Open")->trigger();
    };
    choose(media);
    EXPECT_EQ(w.playlist().keys(), media);
    EXPECT_EQ(titles(w), (QStringList{"one.mp3", "two.wav", "three.mid"})) << "outside the music folder";
    EXPECT_EQ(IniFile(m_profile + "Current.ini").sectionNames(), media);
    EXPECT_TRUE(w.playlist().loadedPlaylistPath().isEmpty());
    EXPECT_EQ(w.playback().pending.code, int(PendingListAction::PlayFirst));
    EXPECT_FALSE(w.playback().player()) << "playback stopped; the tick starts the first file";

    // Three media files, then a playlist: the playlist replaces them; a file after it is ignored.
    choose({media[0], media[1], media[2], saved, file("ignored.mp3")});
    EXPECT_EQ(w.playlist().keys(), media);
    EXPECT_EQ(w.playback().pending.code, int(PendingListAction::OpenPlaylist));
    QTRY_COMPARE(w.playlist().keys(), QStringList{later});
    EXPECT_EQ(w.playlist().caption(), u"saved");
    w.close();
}

void sendDrop(QWidget *target, const QList<QUrl> &urls, bool &accepted)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    accepted = enter.isAccepted();
    if (!accepted)
        return;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

TEST_F(WindowFilesTest, ADropAddsAfterTheSelectionInOneWriteInListOrder)
{
    writeBytes(m_profile + "Current.ini", "[first]\r\nTitle=First\r\n[last]\r\nTitle=Last\r\n");
    QDir().mkpath(m_music + "[2001] Band");
    const QString inFolder = m_music + "[2001] Band/Song [live].mp3";
    writeBytes(inFolder, "x");
    const QStringList media{file("a.mp3"), inFolder, file("c.avi")};
    const QString list = file("list.pl", "[x]\r\nTitle=X\r\n");
    TFo_Kalvuno w(m_profile, {});
    w.show();
    // Neither entry has media: left playing, they would fail in turn and move the selection.
    w.playback().StopPlayback();
    w.playlist().select(0);
    w.playlistPanel()->showSelection();
    const int writesBefore = w.playlist().file()->fileWrites();
    // Ticks would take the list actions the drops leave.
    const Playback::TickHold hold(w.playback());
    QList<QUrl> urls;
    for (const QString &f : media)
        urls.append(QUrl::fromLocalFile(f));
    urls.append(QUrl::fromLocalFile(list));
    urls.append(QUrl::fromLocalFile(file("after.mp3")));
    bool accepted = false;
    sendDrop(w.playlistPanel()->LB_Play->viewport(), urls, accepted);
    EXPECT_TRUE(accepted);
    QTRY_COMPARE(w.playlist().count(), 5);
    const QStringList keys{"first", media[0], media[1], media[2], "last"};
    EXPECT_EQ(w.playlist().keys(), keys);
    EXPECT_EQ(titles(w), (QStringList{"First", "a.mp3", "Song [live]", "c.avi", "Last"}));
    EXPECT_EQ(w.playlist().value(2, u"Artist"), u"[2001] Band");
    EXPECT_EQ(IniFile(m_profile + "Current.ini").sectionNames(), keys) << "rewritten in list order";
    EXPECT_EQ(w.playlist().file()->fileWrites(), writesBefore + 1) << "one write for the whole drop";
    EXPECT_EQ(w.playback().pending.code, int(PendingListAction::OpenPlaylist));
    EXPECT_EQ(w.playback().pending.path, list);
    w.playback().pending = {};

    // Dropped on a part that would take a dropped file itself (as the browser
    // pane does): the window takes it instead.
    auto *pane = new QTextEdit(w.centralWidget());
    pane->setAcceptDrops(true);
    pane->show();
    sendDrop(pane, {QUrl::fromLocalFile(file("on the pane.mp3"))}, accepted);
    EXPECT_TRUE(accepted);
    QTRY_COMPARE(w.playlist().count(), 6);
    EXPECT_TRUE(pane->toPlainText().isEmpty());
    EXPECT_EQ(w.playback().pending.code, int(PendingListAction::PlayFirst));

    // Only local files count.
    sendDrop(w.playlistPanel()->LB_Play->viewport(), {QUrl("http://example.jp/a.mp3")}, accepted);
    EXPECT_FALSE(accepted);
    w.close();
}

TEST_F(WindowFilesTest, AFifoOnTheCommandLineIsAddedWithoutBlocking)
{
    const QString fifo = m_music + "Band/pipe.mp3";
    QDir().mkpath(m_music + "Band");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    TFo_Kalvuno w(m_profile, {fifo, file("b.mp3")});
    w.show();
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(w.playlist().keys(), (QStringList{fifo, m_files + "b.mp3"}));
    EXPECT_EQ(titles(w), (QStringList{"pipe", "b.mp3"}));
    EXPECT_EQ(w.playlist().value(0, u"Artist"), u"Band");
    // The tick starts the FIFO, which ends at once as unopenable, and goes on.
    QTest::qWait(300);
    w.close();
    EXPECT_LT(timer.elapsed(), 10000);
}

TEST_F(WindowFilesTest, ASongStartedBeforeTheWindowIsTakenOverOnlyWhenItIsTheFirstTheWindowOpens)
{
    const QString first = file("a.mp3");
    const QString list = file("list.pl", ("[" + first + "]\r\nTitle=A\r\nMP3=" + first + "\r\n").toUtf8());
    for (const bool same : {true, false}) {
        const QString started = same ? first : m_files + "other.mp3";
        const auto early = std::make_shared<SilentPlayer>(started);
        TFo_Kalvuno w(m_profile, {list});
        w.setEarlyStart(EarlyStart(started, early, std::make_shared<ChangeRelay>()));
        w.show();
        // The first tick opens the playlist and plays its first entry.
        QTRY_VERIFY(w.playback().player() != nullptr);
        EXPECT_EQ(w.playback().player() == early, same);
        EXPECT_EQ(early->terminated(), !same);
        EXPECT_EQ(w.playback().currentKey(), first);
        w.close();
    }
}

} // namespace
