#include "Widgets.h"
#include "FaderWidget.h"

#include <QDir>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

// Each widget as a PNG in the test's output folder, to be looked at.
void keep(const TFDIB &surface, const char *name)
{
    const QString folder = QStringLiteral(KALVUNO_TEST_OUTPUT) + QStringLiteral("/widgets");
    QDir().mkpath(folder);
    surface.image().scaled(surface.Width() * 4, surface.Height() * 4).save(folder + u'/' + QString::fromLatin1(name) + ".png");
}

bool insideFace(int x, int y, int size)
{
    // The face disc starts 2 pixels in: centre 2 + w / 2, radius (w - 1) / 2 with w = size - 4.
    const double w = size - 4;
    const double cx = 2 + w / 2, r = (w - 1) / 2;
    const double dx = x + 0.5 - cx, dy = y + 0.5 - cx;
    return dx * dx + dy * dy < r * r;
}

TEST(Widgets, ButtonIsADiscAndPressingChangesOnlyItsFace)
{
    for (int size : {41, 29, 24, 25}) {
        const TGUIButtonC up(size, size, 0xEFEFEF, 0, false, QString(), 10, -8, -1);
        const TGUIButtonC down(size, size, 0xEFEFEF, 0, true, QString(), 10, -8, -1);
        EXPECT_EQ(up.pixel(0, 0) >> 24, 0u) << size;
        EXPECT_EQ(up.pixel(size - 1, size - 1) >> 24, 0u) << size;
        EXPECT_EQ(up.pixel(size / 2, size / 2) >> 24, 255u) << size;
        int differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (up.pixel(x, y) != down.pixel(x, y)) {
                    ++differing;
                    EXPECT_TRUE(insideFace(x, y, size)) << size << ": " << x << "," << y;
                }
        EXPECT_GT(differing, size) << size;
        if (size == 41) {
            keep(up, "button-41");
            keep(down, "button-41-pressed");
        }
    }
}

TEST(Widgets, OpaqueWidgets)
{
    const TFaderTV thumb;
    ASSERT_EQ(thumb.Width(), 13);
    ASSERT_EQ(thumb.Height(), 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(thumb.pixel(x, y) >> 24, 255u);
    EXPECT_EQ(thumb.pixel(0, 0), 0xFFFFFFFFu);   // the light frame
    EXPECT_EQ(thumb.pixel(12, 12), 0xFF404040u); // the dark frame

    const TSliderLane lane(153, 3, 0x606060, 0xE0E0E0);
    EXPECT_EQ(lane.pixel(70, 0), 0xFF606060u);
    EXPECT_EQ(lane.pixel(0, 1), 0xFF606060u);
    EXPECT_EQ(lane.pixel(70, 1), 0xFF000000u);
    EXPECT_EQ(lane.pixel(152, 1), 0xFFE0E0E0u);
    EXPECT_EQ(lane.pixel(70, 2), 0xFFE0E0E0u);

    const TDisplay box(128, 15, 0x001860, 0x001040, 0x000000, 0x002080);
    EXPECT_EQ(box.pixel(50, 0), 0xFF000000u);
    EXPECT_EQ(box.pixel(50, 14), 0xFF002080u);
    EXPECT_EQ(box.pixel(127, 7), 0xFF002080u);
    // The glow's centre (42.67, 5) is brighter than the far corner.
    EXPECT_GT(box.pixel(43, 5) & 0xFF, box.pixel(120, 12) & 0xFF);
    const TDisplay chart(128, 63, 0x001860, 0x001040, 0x000000, 0x002080);

    keep(thumb, "fader");
    keep(lane, "lane");
    keep(box, "display");
    keep(chart, "display-chart");
    keep(TGUIButtonC(60, 60, 0xEFEFEF, 0x000000, false, QStringLiteral("OK"), 10, -8, -1), "button-caption");
}

} // namespace
