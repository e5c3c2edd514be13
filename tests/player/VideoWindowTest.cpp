#include "VideoWindow.h"

#include "QtTry.h"
#include <gtest/gtest.h>

TEST(VideoWindow, ResizeAsksForAFitCloseOnlyHidesEscapeLeavesMaximised)
{
    TFo_Video video;
    EXPECT_NE(video.nativeWindow(), 0u);
    video.show();
    video.takeResizePending();
    video.resize(500, 300);
    EXPECT_TRUE(video.takeResizePending());
    EXPECT_EQ(video.clientSize(), QSize(500, 300));
    EXPECT_FALSE(video.takeResizePending());

    // Asked from another thread, done on ours.
    video.setClientSize(QSize(352, 240));
    video.showSurface(QStringLiteral("夜明けの歌"));
    QTRY_COMPARE(video.size(), QSize(352, 240));
    EXPECT_EQ(video.windowTitle(), QStringLiteral("夜明けの歌"));

    video.showMaximized();
    ASSERT_TRUE(video.isMaximized());
    QTest::keyClick(&video, Qt::Key_Escape);
    EXPECT_FALSE(video.isMaximized());

    EXPECT_FALSE(video.close());
    EXPECT_FALSE(video.isVisible());
    video.hideSurface();
    QTest::qWait(50);
    EXPECT_FALSE(video.isVisible());
}
