#include "ControlPanelView.h"
#include "FakeControlHost.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(ControlPanelRules, HitTesting)
{
    struct Case
    {
        int x, y, button;
    } cases[] = {
        {18, 76, 0},   {41, 76, 1},  {77, 67, 2},  {110, 73, 3}, {138, 76, 4}, {162, 76, 5}, // the centres
        {18, 65, 0},   {18, 64, -1},                                                       // 11 inside, 12 on the edge
        {29, 77, 0},   {30, 76, 1},                                                         // between 0 and 1
        {97, 70, 3},                                                                        // in 2 and 3: the higher
        {77, 47, 2},   {77, 87, 2},  {77, 46, -1}, {57, 67, 2},  {56, 67, -1}, {77, 88, -1}, // the play button's edge
        {174, 76, -1}, {0, 0, -1},   {-5, 76, -1}, {90, 30, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ControlPanelRules::buttonAt(c.x, c.y), c.button) << c.x << "," << c.y;
}

TEST(ControlPanelRules, ThumbGrabBounds)
{
    struct Case
    {
        float position;
        int x, y;
        bool grabbed;
    } cases[] = {
        {0, 9, 29, true},       {0, 22, 42, true},      {0, 8, 35, false},     {0, 23, 35, false},
        {0, 15, 28, false},     {0, 15, 43, false},     {1, 158, 29, true},    {1, 171, 42, true},
        {1, 172, 35, false},    {1, 157, 35, false},    {0.5f, 83, 35, true}, // 74.5 rounds to even: 74
        {0.5f, 82, 35, false},  {0.5f, 96, 35, true},   {0.5f, 97, 35, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ControlPanelRules::onThumb(c.x, c.y, c.position), c.grabbed)
            << c.position << " at " << c.x << "," << c.y;
}

// One step of a scenario: what the user or the program does.
struct Step
{
    enum Kind { Move, Down, Up, RightDown, RightUp, Tick, ExtraTick, Lost, State, Replace } kind;
    int x = 0, y = 0;
};
Step at(Step::Kind kind, int button)
{
    return {kind, kControlButtons[size_t(button)].centreX(), kControlButtons[size_t(button)].centreY()};
}
Step down(int button) { return at(Step::Down, button); }
Step up(int button) { return at(Step::Up, button); }
Step moveTo(int x, int y) { return {Step::Move, x, y}; }
Step downAt(int x, int y) { return {Step::Down, x, y}; }
Step upAt(int x, int y) { return {Step::Up, x, y}; }
Step tick() { return {Step::Tick}; }
Step extraTick() { return {Step::ExtraTick}; } // run at once for an event, not by the timer
Step lost() { return {Step::Lost}; }
Step state(int s) { return {Step::State, s}; }     // the current player's state changes
Step replaced() { return {Step::Replace}; }        // a new player, playing, takes the old one's place

constexpr int kNone = -1;
constexpr int64_t kEightSeconds = 80000000; // a tick of a hold moves by 1/8

struct Scenario
{
    const char *name;
    int playerState; // kNone for no player
    int64_t duration;
    float position;
    std::vector<Step> steps;
    QStringList calls;
    float finalPosition;
    int finalMode = 0;
};

TEST(ControlPanelRules, Scenarios)
{
    const Scenario scenarios[] = {
        {"previous", 1, 0, 0, {down(kPrevious), up(kPrevious)}, {"step-1"}, 0},
        {"next", 2, 0, 0, {down(kNext), up(kNext)}, {"step+1"}, 0},
        {"play or pause", 1, 0, 0, {down(kPlay), up(kPlay)}, {"playOrPause"}, 0},
        {"play without a player", kNone, 0, 0, {down(kPlay), up(kPlay)}, {"playOrPause"}, 0},
        {"stop", 1, 0, 0, {down(kStop), up(kStop)}, {"Stop"}, 0},
        {"released outside", 1, 0, 0, {down(kStop), moveTo(0, 0), upAt(0, 0)}, {}, 0},
        {"released elsewhere without a move there", 1, 0, 0, {down(kStop), upAt(0, 0)}, {}, 0},
        {"out and back in", 1, 0, 0, {down(kStop), moveTo(0, 0), moveTo(110, 70), upAt(110, 70)}, {"Stop"}, 0},
        {"other buttons are ignored", 1, 0, 0, {at(Step::RightDown, kStop), at(Step::RightUp, kStop)}, {}, 0},
        {"a right release does not end a hold",
         1, 0, 0, {down(kStop), at(Step::RightUp, kStop)}, {}, 0, ControlPanelRules::ButtonHeld},
        {"a second press during a hold is ignored",
         1, 0, 0, {down(kStop), down(kPlay), up(kStop)}, {"Stop"}, 0},

        // Rewind and fast forward: the press pauses, each paused tick moves a second, the release jumps.
        {"rewind held on a playing entry", 1, kEightSeconds, 0.5f,
         {down(kRewind), state(2), tick(), tick(), up(kRewind)}, {"Pause", "1:Seek0.25", "1:Resume"}, 0.25f},
        {"fast forward stops at the end", 2, kEightSeconds, 0.75f,
         {down(kFastForward), tick(), tick(), tick(), up(kFastForward)}, {"1:Seek1"}, 1},
        {"only the timer's ticks move a hold", 2, kEightSeconds, 0.5f,
         {down(kFastForward), extraTick(), extraTick(), tick(), extraTick(), up(kFastForward)}, {"1:Seek0.625"}, 0.625f},
        {"rewind stops at the start", 2, kEightSeconds, 0.125f,
         {down(kRewind), tick(), tick(), up(kRewind)}, {"1:Seek0"}, 0},
        {"a hold moves only while inside the button", 2, kEightSeconds, 0.5f,
         {down(kRewind), moveTo(0, 0), tick(), moveTo(41, 76), tick(), up(kRewind)}, {"1:Seek0.375"}, 0.375f},
        {"released before the pause took effect", 1, kEightSeconds, 0.5f,
         {down(kFastForward), up(kFastForward)}, {"Pause", "1:Seek0.5", "1:Resume"}, 0.5f},
        {"an entry without a length does not move", 2, 0, 0.5f,
         {down(kRewind), tick(), tick(), up(kRewind)}, {"1:Seek0.5"}, 0.5f},
        {"paused by the press, released outside: stays paused", 1, kEightSeconds, 0.5f,
         {down(kRewind), state(2), tick(), moveTo(0, 0), upAt(0, 0)}, {"Pause"}, 0.375f},
        {"rewind without a player", kNone, 0, 0, {down(kRewind), tick(), up(kRewind)}, {}, 0},
        {"a player that is still opening gets nothing", 0, kEightSeconds, 0,
         {down(kRewind), tick(), up(kRewind)}, {}, 0},

        // The thumb.
        {"dragged on a playing entry, clamped on both sides", 1, kEightSeconds, 0,
         {downAt(15, 35), moveTo(0, 35), moveTo(500, 90), moveTo(90, 35), upAt(90, 35)},
         {"Pause", "1:Seek0.5", "1:Resume"}, 0.5f},
        {"dragged to the end", 2, kEightSeconds, 0.5f,
         {downAt(83, 29), moveTo(400, 35), upAt(400, 35)}, {"1:Seek1"}, 1},
        {"dragged before the start", 2, kEightSeconds, 0.5f,
         {downAt(96, 42), moveTo(-40, 35), upAt(-40, 35)}, {"1:Seek0"}, 0},
        {"pressed beside the thumb", 1, kEightSeconds, 0, {downAt(23, 35), upAt(23, 35)}, {}, 0},
        {"no thumb without a player", kNone, 0, 0, {downAt(15, 35), moveTo(90, 35), upAt(90, 35)}, {}, 0},
        {"no thumb while opening", 0, 0, 0, {downAt(15, 35), moveTo(90, 35), upAt(90, 35)}, {}, 0},

        // The player changed between press and release: nothing goes to the new one.
        {"hold, then another entry started", 1, kEightSeconds, 0.5f,
         {down(kRewind), state(2), tick(), replaced(), up(kRewind)}, {"Pause"}, 0.375f},
        {"drag, then another entry started", 1, kEightSeconds, 0,
         {downAt(15, 35), moveTo(90, 35), replaced(), upAt(90, 35)}, {"Pause"}, 0.5f},
        {"drag, then playback stopped", 1, kEightSeconds, 0,
         {downAt(15, 35), moveTo(90, 35), state(kNone), upAt(90, 35)}, {"Pause"}, 0.5f},
        {"stop acts on what plays at the release", 1, 0, 0, {down(kStop), replaced(), up(kStop)}, {"Stop"}, 0},

        // The release never comes.
        {"hold lost: as a release outside", 1, kEightSeconds, 0.5f,
         {down(kRewind), state(2), lost(), up(kRewind)}, {"Pause"}, 0.5f},
        {"drag lost on a playing entry: resumed where it was", 1, kEightSeconds, 0.25f,
         {downAt(46, 35), moveTo(90, 35), lost(), upAt(90, 35)}, {"Pause", "1:Resume"}, 0.25f},
        {"drag lost on a paused entry", 2, kEightSeconds, 0.25f,
         {downAt(46, 35), moveTo(90, 35), lost()}, {}, 0.25f},
        {"a press after a lost hold works", 1, 0, 0, {down(kStop), lost(), down(kPlay), up(kPlay)}, {"playOrPause"}, 0},

        // The tick alone.
        {"no player: back to the start", kNone, 0, 0.75f, {tick()}, {}, 0},
        {"playing: follows the player", 1, kEightSeconds, 0, {tick()}, {}, 0.625f},
        {"paused: stays", 2, kEightSeconds, 0.25f, {tick()}, {}, 0.25f},
    };

    for (const Scenario &s : scenarios) {
        SCOPED_TRACE(s.name);
        FakeControlHost host;
        if (s.playerState != kNone)
            host.newPlayer(s.playerState, s.duration, 0.625);
        ControlPanelRules rules(host);
        rules.setPosition(s.position);
        for (const Step &step : s.steps) {
            switch (step.kind) {
            case Step::Move:
                rules.mouseMove(step.x, step.y);
                break;
            case Step::Down:
            case Step::RightDown:
                rules.mouseDown(step.kind == Step::Down, step.x, step.y);
                break;
            case Step::Up:
            case Step::RightUp:
                rules.mouseUp(step.kind == Step::Up, step.x, step.y);
                break;
            case Step::Tick:
            case Step::ExtraTick:
                rules.tick(step.kind == Step::Tick);
                break;
            case Step::Lost:
                rules.releaseLost();
                break;
            case Step::State:
                if (step.x == kNone)
                    host.current.reset();
                else
                    host.current->State = step.x;
                break;
            case Step::Replace:
                host.newPlayer(1, kEightSeconds, 0);
                break;
            }
        }
        EXPECT_EQ(host.calls, s.calls);
        EXPECT_EQ(rules.position(), s.finalPosition);
        EXPECT_EQ(rules.mode(), s.finalMode);
        for (int i = 0; s.finalMode == ControlPanelRules::Idle && i < kControlButtonCount; ++i)
            EXPECT_FALSE(rules.pressed(i)) << i;
    }
}

TEST(ControlPanelRules, HoverAndPressedFollowThePointer)
{
    FakeControlHost host;
    ControlPanelRules rules(host);
    EXPECT_TRUE(rules.mouseMove(110, 73));
    EXPECT_EQ(rules.hover(), kStop);
    EXPECT_FALSE(rules.mouseMove(111, 73)); // still on the same button: nothing to repaint
    EXPECT_TRUE(rules.mouseDown(true, 111, 73));
    EXPECT_TRUE(rules.pressed(kStop));
    EXPECT_TRUE(rules.mouseMove(0, 0));
    EXPECT_FALSE(rules.pressed(kStop));
    EXPECT_EQ(rules.hover(), kStop); // a hold keeps its button
    EXPECT_FALSE(rules.mouseMove(1, 0));
    EXPECT_TRUE(rules.mouseUp(true, 1, 0));
    EXPECT_EQ(rules.hover(), -1);
    EXPECT_FALSE(rules.mouseUp(true, 1, 0)); // a release without a press
}

TEST(ControlPanelRules, SeekTexts)
{
    // The 32-bit value travels: 1e-5 is 9.99999974737875e-6 as a float.
    const std::pair<float, const char *> cases[] = {
        {0.0f, "Seek0"}, {0.25f, "Seek0.25"}, {1e-5f, "Seek9.99999974737875E-6"}, {1.0f, "Seek1"}};
    for (const auto &[position, text] : cases) {
        FakeControlHost host;
        host.newPlayer(2, kEightSeconds);
        ControlPanelRules rules(host);
        rules.setPosition(position);
        ASSERT_TRUE(rules.click(kRewind));
        EXPECT_EQ(host.calls, QStringList{QStringLiteral("1:") + QString::fromLatin1(text)});
    }
}

TEST(ControlPanelRules, CommandsReachThePlayerQueue)
{
    struct Host : FakeControlHost
    {
        void sendCommand(TPlay &player, const QString &command) override
        {
            ControlPanelHost::sendCommand(player, command);
        }
    } host;
    FakePlayer &player = host.newPlayer(1, kEightSeconds, 0.5);
    ControlPanelRules rules(host);
    rules.tick();
    rules.click(kFastForward); // Seek and Resume
    EXPECT_EQ(player.pendingCommands(), 2);
}

TEST(ControlPanelRules, ClickKeepsTheHover)
{
    FakeControlHost host;
    ControlPanelRules rules(host);
    rules.mouseMove(18, 76);
    EXPECT_TRUE(rules.click(kNext));
    EXPECT_EQ(host.calls, QStringList{"step+1"});
    EXPECT_EQ(rules.hover(), kPrevious);
    EXPECT_EQ(rules.mode(), ControlPanelRules::Idle);
    EXPECT_FALSE(rules.click(6));
}

// A tick repaints only when the panel would look different.
TEST(ControlPanelView, ChangesOnlyWithWhatIsShown)
{
    FakeControlHost host;
    FakePlayer &player = host.newPlayer(1, 10000000000LL); // 1000 s
    ControlPanelRules rules(host);
    struct Case
    {
        double position;
        bool changed;
        const char *why;
    } cases[] = {
        {0.1, true, "first frame: thumb at 24, 0:01:40"},
        {0.1001, false, "14.91 px still rounds to 15, 100.1 s is still 0:01:40"},
        {0.1009, false, "100.9 s"},
        {0.101, true, "0:01:41"},
        {0.1040, true, "0:01:44"},
        {0.1041, true, "15.51 px rounds to 16"},
        {0.1042, false, "same pixel, same second"},
    };
    ControlPanelView shown;
    for (const Case &c : cases) {
        player.Position = c.position;
        rules.tick();
        const ControlPanelView view = controlPanelView(rules);
        EXPECT_EQ(view != shown, c.changed) << c.why;
        shown = view;
    }
    EXPECT_EQ(shown.thumbLeft, 25);
    EXPECT_EQ(shown.elapsed(), u"0:01:44");
    EXPECT_EQ(shown.total(), u"0:16:40");

    player.State = 2; // paused: the play icon comes back
    const ControlPanelView paused = controlPanelView(rules);
    EXPECT_NE(paused, shown);
    EXPECT_FALSE(paused.pauseIcon);
    EXPECT_TRUE(paused.thumb);

    host.current.reset();
    rules.tick();
    const ControlPanelView stopped = controlPanelView(rules);
    EXPECT_FALSE(stopped.thumb);
    EXPECT_FALSE(stopped.times);
}

TEST(ControlPanelView, Times)
{
    const std::pair<int64_t, const char *> cases[] = {
        {0, "0:00:00"}, {59, "0:00:59"}, {60, "0:01:00"}, {3599, "0:59:59"}, {3600, "1:00:00"},
        {90061, "25:01:01"}, // longer than a day: the hours go on counting
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(panelTime(seconds), QString::fromLatin1(text)) << seconds;

    // Whole seconds of the length, and of the elapsed part, fractions dropped.
    FakeControlHost host;
    host.newPlayer(2, 1859999999); // 185.9999999 s
    ControlPanelRules rules(host);
    rules.setPosition(0.5f);
    const ControlPanelView view = controlPanelView(rules);
    EXPECT_EQ(view.total(), u"0:03:05");
    EXPECT_EQ(view.elapsed(), u"0:01:32");
}

} // namespace
