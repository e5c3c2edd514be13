// The registration dialog and the maintenance menu against the real service.
#include "Configuration.h"
#include "DemoMedia.h"
#include "HttpTransport.h"
#include "InProcessService.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PlaylistPanel.h"
#include "RawHttpServer.h"
#include "Registration.h"
#include "RegistrationDialog.h"
#include "TPlay.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include "QtTry.h"
#include <gtest/gtest.h>

using namespace kalvuno;
using kalvuno::server::makeTune;
using kalvuno::server::writeWav;

namespace {

const QString kSent = QStringLiteral("送信に成功しました。");
const QString kNotSent = QStringLiteral("送信に失敗しました。");

struct RegistrationTest : ::testing::Test
{
    InProcessService library;
    TempDir tmp;
    Configuration config{tmp.path("Kalvuno.ini")};
    SystemClock clock;
    HttpTransport transport{clock};
    QString listPath = tmp.path("MySongs.dat");

    void SetUp() override
    {
        library.start();
        transport.setAddressing(ServiceAddressing::forHost(library.host(), QString::fromUtf16(kServiceScriptPath)));
        messagebox::clearAnsweredTexts();
    }
    std::unique_ptr<TFo_Regist> dialog()
    {
        auto d = std::make_unique<TFo_Regist>(listPath, config, transport, [] { return false; });
        d->show();
        return d;
    }
    QStringList openValues()
    {
        IniFile file(listPath);
        QStringList out;
        for (const QString &id : file.sectionNames())
            out.append(file.readString(id, u"Open", "-"));
        return out;
    }
};

TEST_F(RegistrationTest, NewSaveChecksAndDelete)
{
    auto d = dialog();
    EXPECT_EQ(d->LB_Songs->count(), 0);
    EXPECT_FALSE(d->Ed_Title->isEnabled());
    EXPECT_FALSE(d->Bu_Delete->isEnabled());

    d->Bu_New->click();
    ASSERT_EQ(d->LB_Songs->count(), 1);
    EXPECT_EQ(d->LB_Songs->item(0)->text(), u"No Title");
    EXPECT_EQ(d->Ed_Artist->text(), u"Unknown");
    EXPECT_EQ(d->Ed_MP3->text(), u"http://");
    EXPECT_EQ(d->Ed_Title->selectedText(), u"No Title");
    EXPECT_FALSE(d->Bu_Save->isEnabled());

    QTest::keyClicks(d->Ed_Artist, " Mina");
    EXPECT_EQ(d->Ed_Artist->text(), u"Unknown Mina");
    EXPECT_TRUE(d->Bu_Save->isEnabled());
    d->Ed_Title->setText("朝の歌");
    d->Ed_Genre->setEditText("Folk");
    d->Bu_Save->click();
    EXPECT_FALSE(d->Bu_Save->isEnabled());
    EXPECT_EQ(d->LB_Songs->item(0)->text(), u"朝の歌");

    d->Bu_New->click(); // copies the shown artist, genre and URLs
    ASSERT_EQ(d->LB_Songs->count(), 2);
    EXPECT_EQ(d->LB_Songs->currentRow(), 1);
    EXPECT_EQ(d->Ed_Artist->text(), u"Unknown Mina");
    EXPECT_EQ(d->Ed_Genre->currentText(), u"Folk");
    EXPECT_EQ(d->Ed_Title->text(), u"No Title");

    // Unchecking the first item, while the second is selected, makes the first private.
    d->LB_Songs->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(openValues(), (QStringList{"0", "-"}));
    const QByteArray before = readBytes(listPath);
    d->RefreshSongs(QString());
    EXPECT_EQ(readBytes(listPath), before) << "a refresh writes nothing";
    EXPECT_EQ(d->LB_Songs->item(0)->checkState(), Qt::Unchecked);
    d->PM_OpenAll->trigger();
    EXPECT_EQ(openValues(), (QStringList{"1", "1"}));
    d->PM_CloseAll->trigger();
    EXPECT_EQ(openValues(), (QStringList{"0", "0"}));
    EXPECT_EQ(d->LB_Songs->item(1)->checkState(), Qt::Unchecked);

    // A click selects and shows another song; unsaved edits are dropped.
    d->Ed_Title->setText("unsaved");
    QTest::mouseClick(d->LB_Songs->viewport(), Qt::LeftButton, {},
                      d->LB_Songs->visualItemRect(d->LB_Songs->item(0)).center());
    QTRY_COMPARE(d->Ed_Title->text(), QStringLiteral("朝の歌"));
    EXPECT_EQ(d->LB_Songs->item(1)->text(), u"No Title");
    EXPECT_FALSE(d->Bu_Save->isEnabled());

    // Delete key: Cancel keeps the song, OK removes it.
    d->LB_Songs->setFocus();
    messagebox::setNextAnswers({QMessageBox::Cancel, QMessageBox::Ok});
    QTest::keyClick(d->LB_Songs, Qt::Key_Delete);
    EXPECT_EQ(d->LB_Songs->count(), 2);
    QTest::keyClick(d->LB_Songs, Qt::Key_Delete);
    EXPECT_EQ(d->LB_Songs->count(), 1);
    EXPECT_EQ(messagebox::answeredTexts().last(), u"この曲を曲リストから削除します。よろしいですか？");
    messagebox::setNextAnswers({QMessageBox::Ok});
    d->Bu_Delete->click();
    EXPECT_EQ(d->LB_Songs->count(), 0);
    EXPECT_FALSE(d->Ed_Artist->isEnabled());
    EXPECT_TRUE(d->Ed_Artist->text().isEmpty());
}

TEST_F(RegistrationTest, EscapeAnywhereClosesAsCancel)
{
    writeBytes(listPath, "[0123456789abcdef]\r\nTitle=A\r\n");
    const auto widgets = [](TFo_Regist &d) {
        QList<QWidget *> all;
        all << d.LB_Songs << d.Ed_Artist << d.Ed_Title << d.Ed_Genre->lineEdit() << d.Ed_MP3 << d.Ed_Home << d.Memo1;
        return all;
    };
    for (int i = 0; i < 7; ++i) {
        auto d = dialog();
        QWidget *target = widgets(*d).at(i);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(d->isVisible()) << target->objectName().toStdString();
        EXPECT_EQ(d->result(), QDialog::Rejected);
    }
}

TEST_F(RegistrationTest, SendReusesTheStoredAccessIdAndReportsRefusals)
{
    QStringList lines;
    ASSERT_TRUE(transport.GetLines(lines, transport.addressing().baseUrl + "/aid"));
    const QString access = lines.value(0);
    config.write(keys::AccessID, access);
    auto d = dialog();
    d->Bu_New->click();
    d->Ed_Title->setText("公開");
    d->Ed_MP3->setText("http://mina.example.jp/a.mp3");
    d->Bu_Save->click();

    messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    d->PM_Send->trigger();
    EXPECT_EQ(messagebox::answeredTexts().last(), kSent);
    // Had the program asked for a new access ID, the service's songs would
    // belong to that one and this one would be gone from the file.
    EXPECT_EQ(config.read(keys::AccessID), access);
    const std::string found = library.service->search("Max=5&Sort=New&Open=3", "h").body;
    EXPECT_NE(found.find("Title=\x8c\xf6\x8a\x4a"), std::string::npos) << found; // 公開 in CP932

    // A token the service refuses: the failure, and the stored ID stays.
    config.write(keys::AccessID, u"ffffffff00000000");
    messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    d->PM_Send->trigger();
    EXPECT_EQ(messagebox::answeredTexts().last(), kNotSent);
    EXPECT_EQ(config.read(keys::AccessID), u"ffffffff00000000");

    // A stored value that cannot be an access ID (an older program kept an
    // error page's first line) is replaced by a fresh ID. The songs already
    // belong to the first one, so the service refuses this list.
    config.write(keys::AccessID, u"Not Found");
    messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    d->PM_Send->trigger();
    EXPECT_EQ(messagebox::answeredTexts().last(), kNotSent);
    EXPECT_TRUE(isAccessId(config.read(keys::AccessID))) << config.read(keys::AccessID).toStdString();

    // Cancel sends nothing.
    messagebox::clearAnsweredTexts();
    messagebox::setNextAnswers({QMessageBox::Cancel});
    d->PM_Send->trigger();
    EXPECT_EQ(messagebox::answeredTexts().size(), 1);
}

TEST_F(RegistrationTest, AnErrorPageNeverBecomesAnId)
{
    RawHttpServer broken([](int fd, const std::string &) {
        RawHttpServer::send(fd, httpAnswer(404, "<html>Not Found</html>\r\n"));
    });
    transport.setAddressing(ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(broken.port()),
                                                       QString::fromUtf16(kServiceScriptPath)));
    auto d = dialog();
    messagebox::setNextAnswers({QMessageBox::Ok});
    d->Bu_New->click();
    EXPECT_EQ(d->LB_Songs->count(), 0);
    EXPECT_TRUE(messagebox::answeredTexts().last().startsWith(u"IDの取得に失敗しました。"));

    writeBytes(listPath, "[0123456789abcdef]\r\nTitle=A\r\n");
    d->RefreshSongs(QString());
    messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    d->PM_Send->trigger();
    EXPECT_TRUE(messagebox::answeredTexts().last().startsWith(u"IDの取得に失敗しました。"));
    EXPECT_TRUE(config.read(keys::AccessID).isEmpty());
}

// The window with the service as a development server ("/develop"), whose
// maintenance menu is there.
struct WindowTest : ::testing::Test
{
    InProcessService library;
    TempDir home;
    QString profile = home.path("profile/");

    void SetUp() override
    {
        qputenv("HOME", home.dir.path().toUtf8());
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
        QDir().mkpath(profile);
        writeBytes(profile + "Kalvuno.ini", "[General]\r\nSetup=1\r\nBrowse=0\r\n");
        messagebox::clearAnsweredTexts();
    }
    void TearDown() override
    {
        qunsetenv("KALVUNO_SERVICE_HOST");
        EXPECT_TRUE(TPlay::waitForAllClosed(5000));
    }
    void startService(std::vector<kalvuno::server::Song> songs)
    {
        library.store.insertSongs(songs);
        library.start();
        // The default host by name: "/develop" reaches the same service by address.
        qputenv("KALVUNO_SERVICE_HOST", QStringLiteral("localhost:%1").arg(library.port).toUtf8());
    }
    QString playCount(const QString &id)
    {
        IniFile answer{QString()};
        answer.loadBytes(QByteArray::fromStdString(library.service->search("Max=10&Sort=New&Open=3", "h").body));
        return answer.readString(id, u"MP3Count", "absent");
    }
};

kalvuno::server::Song songOf(const std::string &id, const std::string &title, const std::string &media)
{
    kalvuno::server::Song s;
    s.id = id;
    s.title = title;
    s.artist = "Band";
    s.media = media;
    s.home = "http://example.jp/";
    s.web = id.empty();
    return s;
}

TEST_F(WindowTest, MaintenanceMenuOnlyForAnotherServer)
{
    startService({});
    TFo_Kalvuno plain(profile, {});
    plain.show();
    EXPECT_FALSE(plain.findChild<QMenu *>("PM_Mente"));
    EXPECT_EQ(plain.playlistPanel()->LB_Play->contextMenuPolicy(), Qt::DefaultContextMenu);
    plain.close();
}

TEST_F(WindowTest, HideNoFileAndTheCleanupRun)
{
    const std::string media = library.mediaFolder();
    ASSERT_TRUE(writeWav(media + "/ok.wav", makeTune(1, 1500)));
    startService({songOf("f000000100000000", "Playable", "/kalvuno/media/ok.wav"),
                  songOf("", "Gone", "http://127.0.0.1:1/gone.mp3"),
                  songOf("f000000200000000", "Hidden soon", "/kalvuno/media/missing.wav"),
                  songOf("f000000300000000", "No file soon", "/kalvuno/media/missing2.wav")});
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(library.port);
    // The web entry that cannot be reached first, then a library song that
    // cannot be opened, then one that plays.
    writeBytes(profile + "Current.ini",
               ("[http://127.0.0.1:1/gone.mp3]\r\nTitle=Gone\r\nMP3=http://127.0.0.1:1/gone.mp3\r\n"
                "[f000000200000000]\r\nTitle=Hidden soon\r\nHome=http://example.jp/\r\nMP3=" + base
                + "/kalvuno/media/missing.wav\r\n[f000000300000000]\r\nTitle=No file soon\r\nMP3=" + base
                + "/kalvuno/media/missing2.wav\r\n[f000000100000000]\r\nTitle=Playable\r\nMP3=" + base
                + "/kalvuno/media/ok.wav\r\n")
                   .toUtf8());
    TFo_Kalvuno w(profile, {"/develop"});
    w.show();
    auto *menu = w.findChild<QMenu *>("PM_Mente");
    ASSERT_TRUE(menu);
    QAction *hide = w.findChild<QAction *>("MZ_Hide");
    QAction *noFile = w.findChild<QAction *>("MZ_NoFile");
    QAction *cleanup = w.findChild<QAction *>("MZ_Cleanup");
    ASSERT_TRUE(hide && noFile && cleanup);

    // Hide and NoFile act on the selected entry.
    w.StopPlayback();
    w.playlist().select(1);
    hide->trigger();
    w.playlist().select(2);
    noFile->trigger();
    EXPECT_EQ(playCount("f000000200000000"), u"absent");
    EXPECT_EQ(playCount("f000000300000000"), u"absent");
    EXPECT_EQ(playCount("f000000100000000"), u"0");
    EXPECT_EQ(playCount("http://127.0.0.1:1/gone.mp3"), u"0");

    cleanup->trigger();
    EXPECT_TRUE(cleanup->isChecked());
    w.playlist().select(0);
    w.playlistPanel()->showSelection();
    w.PlaySelectedEntry();
    QMenu *help = w.findChild<QMenu *>("M_Help");
    QTRY_COMPARE_WITH_TIMEOUT(help->title(), QStringLiteral("1 / 1  100%"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.playback().player(), 40000);
    EXPECT_EQ(help->title(), QStringLiteral("1 / 4  25%"));
    EXPECT_EQ(w.cleanupRun().total(), 4);
    EXPECT_EQ(readBytes(profile + "cleanup.log"), "http://127.0.0.1:1/gone.mp3\r\n");
    EXPECT_EQ(playCount("f000000100000000"), u"0") << "a probe is no play";
    // The report reached the service: the web entry is marked missing.
    EXPECT_EQ(playCount("http://127.0.0.1:1/gone.mp3"), u"absent");
    w.close();
}

TEST_F(WindowTest, TestingTheSongListPlaysIt)
{
    const std::string media = library.mediaFolder();
    ASSERT_TRUE(writeWav(media + "/mine.wav", makeTune(2, 3000)));
    startService({});
    const QString mine = QStringLiteral("http://127.0.0.1:%1/kalvuno/media/mine.wav").arg(library.port);
    const QByteArray list = ("[0123456789abcdef]\r\nArtist=Me\r\nTitle=私の曲\r\nMP3=" + mine + "\r\nOpen=0\r\n").toUtf8();
    writeBytes(profile + "MySongs.dat", "\xEF\xBB\xBF" + list);
    writeBytes(profile + "Current.ini", "[k]\r\nTitle=before\r\n");
    TFo_Kalvuno w(profile, {});
    w.show();
    QTimer::singleShot(100, [] {
        if (auto *d = qobject_cast<TFo_Regist *>(QApplication::activeModalWidget()))
            d->PM_Test->trigger();
    });
    w.MF_RegistClick();
    EXPECT_EQ(readBytes(profile + "Current.ini"), "\xEF\xBB\xBF" + list);
    EXPECT_EQ(w.playlist().keys(), QStringList{"0123456789abcdef"});
    EXPECT_EQ(w.activeSection(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), QStringLiteral("Kalvuno - 私の曲"), 5000);
    w.close();
}

} // namespace
