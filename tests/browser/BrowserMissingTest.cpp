// Without its browser module the program runs on as without the web view,
// says so once, and never loads the web engine. This test is not linked
// with the web engine, so the engine can only be mapped if the window loads it.
#include "BrowserModule.h"
#include "MainWindow.h"
#include "QtTry.h"
#include "TempDir.h"

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

QByteArray mappedFiles()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

TEST(BrowserModuleMissing, TheWindowRunsWithoutTheWebViewAndSaysSoOnce)
{
    TempDir tmp;
    qputenv("HOME", tmp.dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", tmp.path("config").toUtf8());
    qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    // A service nobody listens on: nothing may be fetched anyway.
    qputenv("KALVUNO_SERVICE_HOST", "127.0.0.1:1");
    const QString profile = tmp.path("profile/");
    QDir().mkpath(profile);
    QDir().mkpath(tmp.path("modules"));
    IniFile(profile + QStringLiteral("Kalvuno.ini")).writeInteger(u"General", u"Setup", 1);
    BrowserModule module({ tmp.path("modules") });

    TFo_Kalvuno w(profile, {});
    w.setBrowserEnabled(true);
    w.setBrowserModule(&module);
    QStringList messages;
    QObject::connect(w.statusBar(), &QStatusBar::messageChanged, [&](const QString &m) {
        if (!m.isEmpty())
            messages.append(m);
    });
    w.resize(900, 700);
    w.show();
    QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, 10000);
    EXPECT_TRUE(messages.first().contains(QStringLiteral("libkalvuno_browser.so"))) << qPrintable(messages.first());
    EXPECT_FALSE(module.error().isEmpty());
    EXPECT_EQ(w.browser(), nullptr);
    EXPECT_FALSE(w.findChild<QToolBar *>(QStringLiteral("BrowserBar"))->isVisible());

    // What would send the web view somewhere finds none, and the window goes on.
    w.Bu_GoClick(QStringLiteral("http://127.0.0.1:1/page.html"));
    w.findChild<QAction *>(QStringLiteral("MH_Contents"))->trigger();
    w.Bu_PlayClick();
    w.Bu_BrowserClick();
    w.hide();
    w.show();
    QTest::qWait(500);
    EXPECT_EQ(messages.size(), 1) << "said once";
    EXPECT_EQ(w.browser(), nullptr);
    EXPECT_TRUE(w.isVisible());

    const QByteArray maps = mappedFiles();
    EXPECT_FALSE(maps.contains("WebEngine"));
    EXPECT_FALSE(maps.contains("libkalvuno_browser"));
    w.close();
}

} // namespace
