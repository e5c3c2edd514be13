#include "CleanupRun.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(CleanupRun, CaptionCountsEveryEndAndTheWholePercentOfFailures)
{
    TempDir tmp;
    CleanupRun run(tmp.path("cleanup.log"));
    run.count(true);
    EXPECT_EQ(run.caption(), u"1 / 1  100%");
    for (int i = 0; i < 37; ++i)
        run.count(false);
    run.count(true);
    run.count(true);
    EXPECT_EQ(run.caption(), u"3 / 40  7%");
    EXPECT_EQ(run.failures(), 3);
    EXPECT_EQ(run.total(), 40);
}

TEST(CleanupRun, LogIsMadeWhenMissingAndABrokenLogIsReportedOnce)
{
    TempDir tmp;
    CleanupRun run(tmp.path("cleanup.log"));
    EXPECT_EQ(run.log("http://h/a b.mp3"), CleanupRun::LogResult::Written);
    EXPECT_EQ(run.log("http://h/曲.mp3"), CleanupRun::LogResult::Written);
    EXPECT_EQ(readBytes(tmp.path("cleanup.log")), "http://h/a b.mp3\r\nhttp://h/\x8b\xc8.mp3\r\n");

    // A folder where the log should be: the first failure is the caller's
    // to report, later lines are skipped quietly.
    ASSERT_TRUE(QDir().mkpath(tmp.path("blocked/cleanup.log")));
    CleanupRun broken(tmp.path("blocked/cleanup.log"));
    EXPECT_EQ(broken.log("k1"), CleanupRun::LogResult::FirstFailure);
    EXPECT_EQ(broken.log("k2"), CleanupRun::LogResult::Skipped);
    EXPECT_EQ(broken.log("k3"), CleanupRun::LogResult::Skipped);
}

} // namespace
