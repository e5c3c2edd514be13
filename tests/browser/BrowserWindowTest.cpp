// The browser pane in the main window, on the real web engine, against
// pages this test serves on 127.0.0.1.
#include "BrowserBar.h"
#include "BrowserModule.h"
#include "DemoMedia.h"
#include "ExternalBrowser.h"
#include "InProcessService.h"
#include "MainWindow.h"
#include "QtTry.h"
#include "RawHttpServer.h"
#include "TPlay.h"
#include "TempDir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>
#include <QTcpServer>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>
#include <atomic>
#include <gtest/gtest.h>
#include <map>

using namespace kalvuno;

namespace {

// Links stand at fixed places so that the pointer can reach them.
const char kTopPage[] = R"(<!DOCTYPE html><html><head><meta charset="utf-8"><style>
a { position: absolute; left: 10px; width: 300px; height: 30px; display: block; }
</style></head><body>
<a id="song" style="top: 10px" href="/dir/song.MP3">song</a>
<a id="blank" style="top: 60px" href="/dir/blank.mp3" target="_blank">new window</a>
<a id="page" style="top: 110px" href="/dir/list.mp3.html">not a song</a>
<a id="zip" style="top: 160px" href="/dir/archive.zip">a download</a>
<iframe style="position: absolute; top: 220px; border: 0" src="/dir/framed.mp3"></iframe>
<iframe style="position: absolute; top: 320px; border: 0" srcdoc="<a href='/dir/inframe.mp3'
  style='display: block; height: 40px'>in a frame</a>"></iframe>
</body></html>)";

const char kThreePage[] = R"(<html><body>
<a href="one.mp3">one</a>
<a href="/two.mp3">two</a>
<a href="http://elsewhere.invalid/three.mp3">three</a>
<a href="play.cgi?f=four.mp3">four</a>
</body></html>)";

// The web view the module made, as the engine's own widget.
QWebEngineView *view(const TFo_Kalvuno &w)
{
    return w.browser() ? qobject_cast<QWebEngineView *>(w.browser()->widget()) : nullptr;
}

class BrowserWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("HOME", m_tmp.dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_tmp.path("config").toUtf8());
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
        qputenv("KALVUNO_SERVICE_HOST", QStringLiteral("127.0.0.1:%1").arg(m_server.port()).toUtf8());
        m_profile = m_tmp.path("profile/");
        QDir().mkpath(m_profile);
        IniFile(m_profile + QStringLiteral("Kalvuno.ini")).writeInteger(u"General", u"Setup", 1);
        ExternalBrowser::openExternally = [this](const QUrl &url) {
            m_opened.append(url);
            return true;
        };
    }
    void TearDown() override { ExternalBrowser::openExternally = nullptr; }

    // A window with its browser showing the start page.
    std::unique_ptr<TFo_Kalvuno> openWindow()
    {
        auto w = std::make_unique<TFo_Kalvuno>(m_profile, QStringList());
        w->setBrowserEnabled(true);
        w->resize(900, 700);
        w->show();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(w->browser() && requests("/kalvuno/top.html") == 1, 20000); }();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!w->browser()->isBusy() && !view(*w)->title().isEmpty(), 20000); }();
        return w;
    }
    QString url(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.port()).arg(QLatin1String(path));
    }
    int requests(const std::string &path)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests[path];
    }
    static void click(TFo_Kalvuno &w, QPoint at)
    {
        QWidget *surface = view(w)->focusProxy();
        QTest::mouseMove(surface, at);
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
    }

    TempDir m_tmp;
    QString m_profile;
    QList<QUrl> m_opened;
    std::mutex m_mutex;
    std::map<std::string, int> m_requests;
    RawHttpServer m_server { [this](int fd, const std::string &request) {
        const size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_requests[path];
        }
        const std::string html = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n";
        if (path == "/kalvuno/top.html")
            RawHttpServer::send(
                fd, html + "Content-Length: " + std::to_string(sizeof kTopPage - 1) + "\r\n\r\n" + kTopPage);
        else if (path == "/dir/three.html")
            RawHttpServer::send(
                fd, html + "Content-Length: " + std::to_string(sizeof kThreePage - 1) + "\r\n\r\n" + kThreePage);
        else if (path == "/dir/archive.zip")
            RawHttpServer::send(fd,
                "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Disposition: attachment; "
                "filename=archive.zip\r\nContent-Length: 4\r\nConnection: close\r\n\r\nPK..");
        else if (path == "/other.html")
            RawHttpServer::send(
                fd, httpAnswer(200, "<html><head><title>other</title></head><body>other</body></html>"));
        else
            RawHttpServer::send(fd, httpAnswer(404, "not here"));
    } };
};

TEST_F(BrowserWindowTest, MediaLinksTheUserFollowsAreAppendedAndPlayed)
{
    auto w = openWindow();
    const QString top = url("/kalvuno/top.html");
    EXPECT_EQ(w->browserBar()->Ed_Address->text(), top) << "the tick shows the location";
    // The frame's media address was cancelled and added nothing.
    EXPECT_EQ(w->playlist().count(), 0);
    EXPECT_EQ(requests("/dir/framed.mp3"), 0);

    // The link under the pointer reaches the status bar.
    QTest::mouseMove(view(*w)->focusProxy(), QPoint(50, 20));
    QTRY_VERIFY_WITH_TIMEOUT(w->statusBar()->currentMessage().contains(QStringLiteral("song.MP3")), 10000);

    click(*w, QPoint(50, 20));
    QTRY_COMPARE_WITH_TIMEOUT(w->playlist().count(), 1, 10000);
    const QString song = url("/dir/song.MP3");
    EXPECT_EQ(w->playlist().keys(), QStringList { song });
    EXPECT_EQ(w->playlist().value(0, u"Title"), QStringLiteral("song.MP3"));
    EXPECT_EQ(w->playlist().value(0, u"Artist"), QStringLiteral("Unknown"));
    EXPECT_EQ(w->playlist().value(0, u"MP3"), song);
    EXPECT_EQ(w->playlist().value(0, u"Home"), top);
    QTRY_COMPARE_WITH_TIMEOUT(w->playback().currentKey(), song, 2000);
    EXPECT_EQ(w->browser()->location().toString(), top);

    // A link for a new window goes through the same rule and opens none.
    click(*w, QPoint(50, 70));
    QTRY_COMPARE_WITH_TIMEOUT(w->playlist().count(), 2, 10000);
    EXPECT_EQ(w->playlist().keys().last(), url("/dir/blank.mp3"));
    QTRY_COMPARE_WITH_TIMEOUT(w->playback().currentKey(), url("/dir/blank.mp3"), 2000);
    EXPECT_EQ(w->browser()->location().toString(), top) << "no window opened, the page stayed";

    // Followed inside a frame: cancelled, and no entry.
    click(*w, QPoint(40, 340));
    QTest::qWait(1500);
    EXPECT_EQ(w->playlist().count(), 2);
    EXPECT_EQ(w->browser()->location().toString(), top);

    // A download is the desktop browser's business.
    click(*w, QPoint(50, 170));
    QTRY_COMPARE_WITH_TIMEOUT(m_opened, QList<QUrl> { QUrl(url("/dir/archive.zip")) }, 10000);
    EXPECT_TRUE(w->statusBar()->currentMessage().contains(QStringLiteral("archive.zip")));
    EXPECT_EQ(w->playlist().count(), 2);

    // A link whose extension is .html is a page.
    click(*w, QPoint(50, 120));
    QTRY_COMPARE_WITH_TIMEOUT(w->browser()->location().toString(), url("/dir/list.mp3.html"), 10000);
    EXPECT_EQ(w->playlist().count(), 2);
    w->close();
}

TEST_F(BrowserWindowTest, ProgramNavigationRules)
{
    auto w = openWindow();
    BrowserBar *bar = w->browserBar();

    // The shown page, written as the user might: no reload.
    w->Bu_GoClick(QStringLiteral("http://127.0.0.1:%1/kalvuno/top.html").arg(m_server.port()));
    QTest::qWait(500);
    EXPECT_EQ(requests("/kalvuno/top.html"), 1);

    // Typed text stays while the box has the focus.
    w->activateWindow();
    bar->Ed_Address->setFocus();
    QTRY_VERIFY(bar->Ed_Address->hasFocus());
    bar->Ed_Address->setText(QStringLiteral("typing"));
    QTest::qWait(200);
    EXPECT_EQ(bar->Ed_Address->text(), QStringLiteral("typing"));

    // Enter in the box goes there; back follows the history.
    bar->Ed_Address->setText(url("/other.html"));
    QTest::keyClick(bar->Ed_Address, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(w->browser()->location().toString(), url("/other.html"), 10000);
    QTRY_VERIFY(bar->Bu_Back->isEnabled());
    EXPECT_FALSE(bar->Bu_Next->isEnabled());

    // A "javascript:" home page counts as none: the start page is shown.
    w->playlist().appendEntry(QStringLiteral("http://127.0.0.1:1/x.mp3"),
        { { QStringLiteral("Title"), QStringLiteral("x") },
            { QStringLiteral("MP3"), QStringLiteral("http://127.0.0.1:1/x.mp3") },
            { QStringLiteral("Home"), QStringLiteral("javascript:alert(1)") } });
    w->playlist().select(0);
    w->PlaySelectedEntry();
    QTRY_COMPARE_WITH_TIMEOUT(w->browser()->location().toString(), url("/kalvuno/top.html"), 10000);

    // A refused connection ends on the local not-found page, which shows no address.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    w->Bu_GoClick(QStringLiteral("http://127.0.0.1:%1/gone.html").arg(port));
    QTRY_VERIFY_WITH_TIMEOUT(w->browser()->location().fileName() == QStringLiteral("notfound.html"), 20000);
    EXPECT_TRUE(w->browser()->location().isLocalFile());
    w->setFocus();
    QTRY_COMPARE(bar->Ed_Address->text(), QString());

    // Help, straight from the menu.
    w->findChild<QAction *>(QStringLiteral("MH_Contents"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(w->browser()->location().fileName() == QStringLiteral("index.html"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(view(*w)->title().contains(QStringLiteral("ヘルプ")), 10000);

    // Not a web page: nowhere to go.
    w->Bu_GoClick(QStringLiteral("file:///etc/passwd"));
    QTest::qWait(300);
    EXPECT_EQ(w->browser()->location().fileName(), QStringLiteral("index.html"));

    // Opening the page elsewhere is for web pages only.
    w->Bu_BrowserClick();
    EXPECT_TRUE(m_opened.isEmpty());
    w->close();
}

TEST_F(BrowserWindowTest, PlayAllTakesThePagesLinksAndPlaysTheFirst)
{
    auto w = openWindow();
    w->Bu_GoClick(url("/dir/three.html"));
    QTRY_COMPARE_WITH_TIMEOUT(w->browser()->location().toString(), url("/dir/three.html"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!w->browser()->isBusy(), 10000);
    w->playlist().appendEntry(QStringLiteral("old"), { { QStringLiteral("Title"), QStringLiteral("old") } });

    w->browserBar()->Bu_Play->click();
    const QStringList expected { url("/dir/one.mp3"), url("/two.mp3"),
        QStringLiteral("http://elsewhere.invalid/three.mp3") };
    EXPECT_EQ(w->playlist().keys(), expected);
    EXPECT_EQ(w->playlist().value(2, u"Home"), url("/dir/three.html"));
    // One write for the whole page: the file holds what the list shows.
    EXPECT_EQ(IniFile(w->playlist().path()).sectionNames(), expected);
    QTRY_COMPARE_WITH_TIMEOUT(w->playback().currentKey(), expected.first(), 2000);

    // The page shown, in the desktop's browser.
    w->browserBar()->Bu_Browser->click();
    EXPECT_EQ(m_opened, QList<QUrl> { QUrl(url("/dir/three.html")) });
    w->close();
}

// The bundled service's own top page: plain links to its songs.
TEST(BrowserServiceTopPage, ItsLinksPlayOneByOneOrAllTogether)
{
    using namespace kalvuno::server;
    InProcessService library;
    std::vector<Song> songs;
    for (int i = 1; i <= 3; ++i) {
        const std::string base = library.mediaFolder() + "/t" + std::to_string(i);
        // Long enough to be seen playing: over http a song's length can take
        // a while to be known, and a song that ends meanwhile is never seen at 1.
        writeWav(base + ".wav", makeTune(uint32_t(i), 5000));
        writeMp3(base + ".mp3", base + ".wav");
        Song s;
        s.id = "top0000" + std::to_string(i) + "00000000";
        s.title = "曲" + std::to_string(i);
        s.artist = "Top Band";
        s.genre = "Test";
        s.media = "/kalvuno/media/t" + std::to_string(i) + ".mp3";
        s.added = 100 - i; // newest first: t1, t2, t3
        songs.push_back(s);
    }
    library.store.insertSongs(songs);
    library.start();
    TempDir home;
    qputenv("HOME", home.dir.path().toUtf8());
    qputenv("KALVUNO_SERVICE_HOST", library.host().toUtf8());
    qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    const QString profile = home.path("profile/");
    QDir().mkpath(profile);
    IniFile(profile + QStringLiteral("Kalvuno.ini")).writeInteger(u"General", u"Setup", 1);
    const QString top = QStringLiteral("http://%1/kalvuno/top.html").arg(library.host());
    const auto media
        = [&](int i) { return QStringLiteral("http://%1/kalvuno/media/t%2.mp3").arg(library.host()).arg(i); };

    TFo_Kalvuno w(profile, {});
    w.setBrowserEnabled(true);
    w.resize(900, 700);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(w.browser() && view(w)->title() == QStringLiteral("Kalvuno 新着曲"), 20000);
    EXPECT_EQ(w.playlist().count(), 0) << "the page alone adds nothing";

    w.browserBar()->Bu_Play->click();
    EXPECT_EQ(w.playlist().keys(), (QStringList { media(1), media(2), media(3) }));
    QTRY_COMPARE_WITH_TIMEOUT(w.playback().currentKey(), media(1), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(w.playback().player() && w.playback().player()->State == 1, 10000);

    // Its first link, followed in the page (the heading comes first, then the list).
    bool found = false;
    QPoint link;
    view(w)->page()->runJavaScript(
        QStringLiteral("(function(){var r=document.querySelector('a').getBoundingClientRect();"
                       "return [r.left + 5, r.top + r.height / 2];})()"),
        [&](const QVariant &v) {
            const QVariantList xy = v.toList();
            link = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
            found = true;
        });
    QTRY_VERIFY(found);
    QWidget *surface = view(w)->focusProxy();
    QTest::mouseMove(surface, link);
    QTest::mouseClick(surface, Qt::LeftButton, {}, link);
    QTRY_COMPARE_WITH_TIMEOUT(w.playlist().count(), 4, 10000);
    EXPECT_EQ(w.playlist().keys().last(), media(1));
    EXPECT_EQ(w.playlist().value(3, u"Artist"), QStringLiteral("Unknown"));
    EXPECT_EQ(w.browser()->location().toString(), top);
    w.close();
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does: the module, and the web engine with it, before the application.
    const BrowserModuleEntry *module = BrowserModule::shared().load();
    if (!module) {
        fprintf(stderr, "%s\n", qPrintable(BrowserModule::shared().error()));
        return 1;
    }
    module->prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
