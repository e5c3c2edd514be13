// Finding and loading the browser module, against small stand-in modules
// built beside this test: the program must run on, without a web view, when
// the module is missing or is not one it can use.
#include "BrowserModule.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QString fake(const char *kind)
{
    return QStringLiteral(FAKE_MODULES_DIR "/") + QLatin1String(kind);
}

TEST(BrowserModule, RefusesWhatItCannotUse)
{
    TempDir tmp;
    const QString empty = tmp.path("empty");
    const QString garbage = tmp.path("garbage");
    QDir().mkpath(empty);
    QDir().mkpath(garbage);
    QFile text(garbage + QStringLiteral("/libkalvuno_browser.so"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library\n");
    text.close();

    struct Case {
        const char *name;
        QStringList folders;
        const char *reason;
    };
    const Case cases[] = {
        { "no folder holds it", { empty, tmp.path("nowhere") }, "not found" },
        { "a file that is no library", { garbage }, "libkalvuno_browser.so" },
        { "a library without the entry function", { fake("noentry") }, "kalvunoBrowserModule" },
        { "a module of another build", { fake("otherversion") }, "version" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BrowserModule module(c.folders);
        EXPECT_EQ(module.load(), nullptr);
        EXPECT_TRUE(module.error().contains(QLatin1String(c.reason))) << qPrintable(module.error());
        EXPECT_TRUE(module.path().isEmpty());
    }
}

TEST(BrowserModule, TakesTheFirstFolderThatHoldsOne)
{
    TempDir tmp;
    BrowserModule module({ tmp.path("empty"), fake("good"), fake("otherversion") });
    const BrowserModuleEntry *entry = module.load();
    ASSERT_NE(entry, nullptr) << qPrintable(module.error());
    EXPECT_EQ(entry->version, kBrowserModuleVersion);
    EXPECT_EQ(module.path(), fake("good") + QStringLiteral("/libkalvuno_browser.so"));
    EXPECT_EQ(module.load(), entry);
}

TEST(BrowserModule, TheFirstAnswerStands)
{
    // The program asks before its window exists and again when the window
    // shows: a module that appears in between changes nothing.
    TempDir tmp;
    const QString folder = tmp.path("later");
    QDir().mkpath(folder);
    BrowserModule module({ folder });
    EXPECT_EQ(module.load(), nullptr);
    ASSERT_TRUE(QFile::copy(fake("good") + QStringLiteral("/libkalvuno_browser.so"),
        folder + QStringLiteral("/libkalvuno_browser.so")));
    EXPECT_EQ(module.load(), nullptr);
}

} // namespace
