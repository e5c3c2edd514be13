#include "ControlPanel.h"
#include "FakeControlHost.h"
#include "PanelOutput.h"
#include "QtPrinters.h"
#include "Random.h"

#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

constexpr int64_t kThreeMinutes = 1800000000; // 100 ns units

// A dark desktop: button face 0x404040, light button text. The background's
// grain then stays within 60..79 per channel, whatever the noise, so that the
// pixels worked out below do not depend on it.
struct DarkPalette
{
    QPalette saved = QApplication::palette();
    DarkPalette()
    {
        QPalette dark = saved;
        dark.setColor(QPalette::Button, QColor(0x40, 0x40, 0x40));
        dark.setColor(QPalette::Light, QColor(0x90, 0xA0, 0xB0));
        dark.setColor(QPalette::Dark, QColor(0x10, 0x20, 0x30));
        dark.setColor(QPalette::ButtonText, QColor(0xE0, 0xE0, 0xE0));
        QApplication::setPalette(dark);
    }
    ~DarkPalette() { QApplication::setPalette(saved); }
};

// Sent straight to the widget: QTest's moves are dropped when the pointer is
// already where an earlier test left it.
void sendMouse(QWidget &w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

void sendEvent(QWidget &w, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(&w, &event);
}

struct ControlPanelTest : ::testing::Test
{
    FakeControlHost host;
    ControlPanelRules rules{host};
    ControlPanel panel{rules};

    void SetUp() override
    {
        seedRandom(12);
        panel.resize(181, 94);
    }
    void show()
    {
        panel.show();
        panel.Build();
        QApplication::processEvents();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    QImage frame()
    {
        const QImage image = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(image.size(), QSize(181, 94));
        return image;
    }
    void hoverAt(QPoint at) { sendMouse(panel, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
    QPoint centre(int button) const
    {
        return {kControlButtons[size_t(button)].centreX(), kControlButtons[size_t(button)].centreY()};
    }
};

// Counts the paint events a widget gets.
struct PaintCounter : QObject
{
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(ControlPanelTest, Looks)
{
    show();
    keepImage(frame(), QStringLiteral("control-stopped"));
    host.newPlayer(1, kThreeMinutes, 0.3);
    rules.tick();
    hoverAt(centre(kStop));
    keepImage(frame(), QStringLiteral("control-playing-hover-stop"));
    host.current->State = 2;
    hoverAt(centre(kRewind));
    QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, centre(kRewind));
    keepImage(frame(), QStringLiteral("control-paused-rewind-held"));
    QTest::mouseRelease(&panel, Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
}

TEST_F(ControlPanelTest, Pixels)
{
    const DarkPalette dark;
    show();
    const QImage stopped = frame();
    keepImage(stopped, QStringLiteral("control-dark"));
    struct Case
    {
        int x, y;
        QRgb expected;
        const char *what;
    } cases[] = {
        {0, 0, 0xFF90A0B0, "frame: the palette's light colour"},
        {180, 93, 0xFF102030, "frame: the palette's dark colour"},
        // An opaque pixel keeps 1/256 of what is below: over a grain darker than itself a
        // channel loses 1 (0x60 becomes 0x5F), over a brighter one it stays (0x18 over 60..79).
        {113, 13, 0xFF00185F, "time box: the glow's centre (0x001860), one third in"},
        {83, 8, 0xFF000000, "time box: its black top-left edge"},
        {172, 22, 0xFF00207F, "time box: its blue bottom-right edge (0x002080)"},
        {80, 35, 0xFF000000, "the lane's middle row"},
        // The play button's face is 1.3 x 0x40 = 83 at its highlight; over its black rim that is
        // 83 * 255 / 256 = 82, and over the grain 82 * 255 / 256 + (at most 79) / 256 = 81.
        {69, 60, 0xFF515151, "play button: the face's highlight"},
        // On dark buttons the icons take the light button text (0xE0 over the face: 0xDF).
        {110, 73, 0xFFDFDFDF, "stop icon"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(stopped.pixel(c.x, c.y), c.expected) << c.what << std::hex << " 0x" << stopped.pixel(c.x, c.y);

    // Under the pointer the stop icon turns teal, lightened for dark buttons: 0x008080 at
    // 1.9 times the value is 0x00F3F3, over the face 0x00F2F2.
    constexpr QRgb kTeal = 0xFF00F2F2;
    hoverAt(centre(kStop));
    EXPECT_EQ(frame().pixel(106, 69), kTeal);
    // Held down: the icon moves one pixel right and down.
    QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, centre(kStop));
    const QImage held = frame();
    EXPECT_NE(held.pixel(106, 69), kTeal);
    EXPECT_EQ(held.pixel(114, 77), kTeal);
    QTest::mouseRelease(&panel, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));

    // A playing entry: the pause bars (one pixel further left), the thumb, the times.
    FakePlayer &player = host.newPlayer(1, kThreeMinutes, 0.5);
    rules.tick();
    panel.refresh();
    const QImage playing = frame();
    EXPECT_EQ(playing.pixel(73, 66), 0xFFDFDFDFu) << "a pause bar";
    EXPECT_EQ(playing.pixel(83, 29), 0xFFFEFEFEu) << "the thumb's white corner at Round(74.5) + 9";
    EXPECT_NE(stopped.pixel(83, 29), 0xFFFEFEFEu);
    const auto textPixels = [](const QImage &image, int left, int right) {
        int n = 0;
        for (int y = 9; y < 22; ++y)
            for (int x = left; x <= right; ++x)
                n += qGreen(image.pixel(x, y)) > 0x60;
        return n;
    };
    EXPECT_EQ(textPixels(stopped, 84, 171), 0);
    EXPECT_GT(textPixels(playing, 88, 123), 40) << "0:01:30";
    EXPECT_EQ(textPixels(playing, 124, 124), 0) << "the elapsed time ends before the \"/\"";
    EXPECT_GT(textPixels(playing, 135, 171), 40) << "0:03:00";
    keepImage(playing, QStringLiteral("control-dark-playing"));

    player.State = 2;
    panel.refresh();
    EXPECT_NE(frame().pixel(73, 66), 0xFFDFDFDFu) << "paused: the play triangle, which starts further right";
}

TEST_F(ControlPanelTest, BlackIconsOnLightButtons)
{
    QPalette light = QApplication::palette();
    light.setColor(QPalette::Button, QColor(0xEF, 0xEF, 0xEF));
    light.setColor(QPalette::ButtonText, QColor(0x10, 0x10, 0x10));
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(light);
    show();
    QApplication::setPalette(saved);
    EXPECT_EQ(frame().pixel(110, 73), 0xFF000000u);
    hoverAt(centre(kStop));
    // Teal as it is; over a face brighter than 0x80 the opaque pixel keeps its 0x80.
    EXPECT_EQ(frame().pixel(110, 73), 0xFF008080u);
}

TEST_F(ControlPanelTest, RepaintsOnlyWhenWhatItShowsChanged)
{
    PaintCounter paints;
    panel.installEventFilter(&paints);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    const auto paintsAfter = [&](const std::function<void()> &change) {
        QApplication::processEvents();
        paints.count = 0;
        change();
        QApplication::processEvents();
        return paints.count;
    };
    FakePlayer &player = host.newPlayer(1, 10000000000LL, 0.1); // 1000 s
    EXPECT_EQ(paintsAfter([&] {
                  rules.tick();
                  panel.refresh();
              }),
              0)
        << "nothing is drawn before Build";
    EXPECT_EQ(paintsAfter([&] { panel.Build(); }), 1);
    struct Step
    {
        double position;
        int paints;
    } steps[] = {{0.1001, 0}, {0.1009, 0}, {0.101, 1}, {0.1041, 1}, {0.1042, 0}};
    for (const Step &s : steps) {
        player.Position = s.position;
        EXPECT_EQ(paintsAfter([&] {
                      rules.tick();
                      panel.refresh();
                  }),
                  s.paints)
            << s.position;
    }
    EXPECT_EQ(paintsAfter([&] {
                  player.State = 2;
                  panel.refresh();
              }),
              1)
        << "the play icon";
    EXPECT_EQ(paintsAfter([&] { hoverAt(QPoint(3, 3)); }), 0);
    EXPECT_EQ(paintsAfter([&] { hoverAt(centre(kNext)); }), 1);
    EXPECT_EQ(paintsAfter([&] { hoverAt(centre(kNext) + QPoint(1, 1)); }), 0);
    panel.setClosing();
    EXPECT_EQ(paintsAfter([&] {
                  player.State = 1;
                  player.Position = 0.9;
                  rules.tick();
                  panel.refresh();
              }),
              0)
        << "nothing is drawn once the window closes";
}

TEST_F(ControlPanelTest, MouseDrivesTheRules)
{
    show();
    host.newPlayer(1, kThreeMinutes, 0);
    QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, centre(kStop));
    QTest::mouseClick(&panel, Qt::RightButton, Qt::NoModifier, centre(kPlay));
    QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, centre(kNext));
    EXPECT_EQ(host.calls, (QStringList{"Stop", "step+1"}));
    // Leaving the panel takes the highlight off its button.
    hoverAt(centre(kPrevious));
    EXPECT_EQ(rules.hover(), kPrevious);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&panel, &leave);
    EXPECT_EQ(rules.hover(), -1);
}

// The release of a hold or a drag never arrives: the panel must not stay held.
TEST(ControlPanelLostRelease, NeverLeavesThePanelHeld)
{
    const std::pair<const char *, std::function<void(QWidget &)>> cases[] = {
        {"a box took the window's activation", [](QWidget &w) { sendEvent(w, QEvent::WindowDeactivate); }},
        {"the window was hidden", [](QWidget &w) { w.hide(); }},
        {"the grab was taken", [](QWidget &w) { sendEvent(w, QEvent::UngrabMouse); }},
        {"the pointer came back without the button",
         [](QWidget &w) { sendMouse(w, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton); }},
        {"another press came first",
         [](QWidget &w) { sendMouse(w, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton); }},
    };
    for (const auto &[name, lose] : cases) {
        SCOPED_TRACE(name);
        FakeControlHost host;
        ControlPanelRules rules(host);
        ControlPanel panel(rules);
        panel.resize(181, 94);
        panel.show();
        panel.Build();
        host.newPlayer(1, kThreeMinutes, 0.25);
        rules.tick();

        // Holding rewind paused the entry; it stays paused, as after a release outside.
        sendMouse(panel, QEvent::MouseButtonPress, QPoint(41, 76), Qt::LeftButton, Qt::LeftButton);
        ASSERT_EQ(rules.mode(), ControlPanelRules::ButtonHeld);
        lose(panel);
        EXPECT_EQ(rules.mode(), ControlPanelRules::Idle);
        EXPECT_FALSE(rules.pressed(kRewind));
        EXPECT_EQ(host.calls, QStringList{"Pause"});

        // A drag of the thumb is cancelled: no seek, the thumb back, playback resumed.
        panel.show();
        host.calls.clear();
        sendMouse(panel, QEvent::MouseButtonPress, QPoint(50, 35), Qt::LeftButton, Qt::LeftButton);
        sendMouse(panel, QEvent::MouseMove, QPoint(90, 35), Qt::NoButton, Qt::LeftButton);
        ASSERT_EQ(rules.mode(), ControlPanelRules::ThumbDragged);
        EXPECT_EQ(rules.position(), 0.5f);
        lose(panel);
        EXPECT_EQ(rules.mode(), ControlPanelRules::Idle);
        EXPECT_EQ(rules.position(), 0.25f);
        EXPECT_EQ(host.calls, (QStringList{"Pause", "1:Resume"}));
    }
}

TEST_F(ControlPanelTest, ButtonsForAssistiveTools)
{
    show();
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&panel);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), u"再生をコントロールします");
    ASSERT_EQ(iface->childCount(), 6);
    const QStringList names = {"前の曲", "巻き戻し", "再生", "停止", "早送り", "次の曲"};
    for (int i = 0; i < 6; ++i) {
        QAccessibleInterface *button = iface->child(i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), names[i]);
        EXPECT_EQ(button->parent(), iface);
        EXPECT_EQ(iface->indexOfChild(button), i);
        EXPECT_EQ(iface->child(i), button) << "one interface per button";
        EXPECT_TRUE(button->rect().contains(panel.mapToGlobal(centre(i)))) << i;
        EXPECT_EQ(iface->childAt(panel.mapToGlobal(centre(i)).x(), panel.mapToGlobal(centre(i)).y()), button);
        ASSERT_NE(button->actionInterface(), nullptr);
    }
    host.newPlayer(1, kThreeMinutes, 0);
    EXPECT_EQ(iface->child(kPlay)->text(QAccessible::Name), u"一時停止");

    for (int i : {kStop, kPlay, kNext, kPrevious})
        iface->child(i)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(host.calls, (QStringList{"Stop", "playOrPause", "step+1", "step-1"}));
}

} // namespace
