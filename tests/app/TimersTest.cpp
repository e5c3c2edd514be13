#include "IniFile.h"
#include "OffTimer.h"
#include "OnTimer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

QDateTime at(int day, int h, int m, int s = 0, int ms = 0) { return QDateTime(QDate(2026, 3, day), QTime(h, m, s, ms)); }

struct Tick
{
    QDateTime now;
    bool fires;
};

struct OnTimerCase
{
    const char *name;
    QTime time;
    std::vector<Tick> ticks;
};

TEST(OnTimerCheck, FiresOncePerPassageOfItsTime)
{
    const OnTimerCase cases[] = {
        {"past its time at start: first tick", QTime(7, 0), {{at(10, 8, 0), true}, {at(10, 8, 0, 0, 50), false}}},
        {"before its time at start",
         QTime(7, 0),
         {{at(10, 6, 0), false}, {at(10, 6, 59, 59, 950), false}, {at(10, 7, 0), true}, {at(10, 7, 0, 0, 50), false}}},
        {"midnight: not at start, when the clock passes it",
         QTime(0, 0),
         {{at(10, 10, 0), false}, {at(10, 23, 59, 59, 950), false}, {at(11, 0, 0), true}, {at(11, 0, 0, 0, 50), false}}},
        {"off in the morning, on in the evening", QTime(12, 0), {{at(10, 6, 0), false}, {at(10, 20, 0), true}}},
        {"not twice on one date",
         QTime(7, 0),
         {{at(10, 6, 0), false}, {at(10, 7, 0), true}, {at(10, 12, 0), false}, {at(10, 23, 0), false}}},
        {"suspended across midnight",
         QTime(7, 0),
         {{at(10, 7, 0), true}, {at(10, 23, 0), false}, {at(11, 8, 0), true}, {at(11, 8, 1), false}}},
        {"a day later again", QTime(7, 0), {{at(10, 7, 0), true}, {at(11, 6, 59), false}, {at(11, 7, 0), true}}},
    };
    for (const OnTimerCase &c : cases) {
        OnTimerCheck check;
        for (const Tick &t : c.ticks)
            EXPECT_EQ(check.check(t.now, c.time), t.fires) << c.name << " at " << t.now.toString().toStdString();
    }
}

TEST(OffTimer, CaptionCountsTheMinutesLeftPlusOne)
{
    ManualClock clock;
    clock.set(43200000);
    OffTimer timer(clock);
    EXPECT_EQ(timer.caption(), QStringLiteral("ON(&O)"));
    const struct
    {
        uint32_t length, elapsed;
        int minutes;
    } rows[] = {{1800000, 50, 30}, {60000, 50, 1}, {120000, 60000, 2}, {1800000, 1799950, 1}};
    for (const auto &r : rows) {
        clock.set(43200000);
        timer.arm(r.length);
        clock.advance(r.elapsed);
        EXPECT_EQ(timer.caption(), QStringLiteral("ON - あと%1分(&O)").arg(r.minutes)) << r.length << "/" << r.elapsed;
    }
}

TEST(OffTimer, RunsItsFullLengthAcrossTheCounterWrap)
{
    ManualClock clock;
    const struct
    {
        const char *name;
        uint32_t start;
    } rows[] = {{"ordinary", 43200000}, {"ten minutes before the wrap", 0u - 600000u},
                {"deadline exactly 0", 0u - 1800000u}};
    for (const auto &r : rows) {
        clock.set(r.start);
        OffTimer timer(clock);
        timer.arm(1800000);
        clock.advance(50);
        EXPECT_FALSE(timer.expire()) << r.name;
        EXPECT_TRUE(timer.armed()) << r.name;
        clock.set(r.start + 1800000 - 50);
        EXPECT_FALSE(timer.expire()) << r.name;
        clock.advance(50);
        EXPECT_TRUE(timer.expire()) << r.name;
        EXPECT_FALSE(timer.armed()) << r.name;
        EXPECT_FALSE(timer.expire()) << r.name << ": only once";
    }
}

TEST(OffTimer, MenuItems)
{
    ManualClock clock;
    OffTimer timer(clock);
    timer.menuClick(0);
    ASSERT_TRUE(timer.armed());
    clock.advance(59999);
    EXPECT_FALSE(timer.expire());
    timer.menuClick(0);
    EXPECT_FALSE(timer.armed()) << "ON again disarms";
    timer.menuClick(1800000);
    clock.advance(1000000);
    timer.menuClick(3600000); // re-arms from now
    clock.advance(3599000);
    EXPECT_FALSE(timer.expire());
    clock.advance(1000);
    EXPECT_TRUE(timer.expire());
    EXPECT_EQ(OffTimer::lengthOrDefault(0), 1800000u);
    EXPECT_EQ(OffTimer::lengthOrDefault(-5), 1800000u);
    EXPECT_EQ(OffTimer::lengthOrDefault(5400000), 5400000u);
}

struct FakeTargets : OnTimerHost
{
    int state = 0; // 0 no player, 1 playing, 2 paused
    QStringList lists[2];
    int selected[2] = {-1, -1};
    QStringList calls;

    bool isPlayingOrPaused() const override { return state > 0; }
    void playSelectedEntry() override { calls << QStringLiteral("selected"); }
    void playFirstEntry() override { calls << QStringLiteral("first"); }
    QStringList names(int list) const override { return lists[list]; }
    int selectedName(int list) const override { return selected[list]; }
    void selectName(int list, int index) override { selected[list] = index; }
    void openSelected(int list) override { calls << QStringLiteral("open %1 %2").arg(list).arg(lists[list].at(selected[list])); }
    void showCurrentList() override { calls << QStringLiteral("show"); }
    bool isClosing() const override { return false; }
};

TEST(RunOnTimer, TargetsAndPriority)
{
    const struct
    {
        const char *name;
        int state, target, byName, preselected;
        bool priority;
        QString wanted;
        QStringList calls;
    } rows[] = {
        {"paused blocks without priority", 2, 0, 0, -1, false, {}, {}},
        {"playing blocks without priority", 1, 3, 0, -1, false, {}, {}},
        {"priority replaces a paused entry", 2, 0, 0, -1, true, {}, {"selected", "show"}},
        {"first entry", 0, 1, 0, -1, false, {}, {"first", "show"}},
        {"selected favourite, none selected", 0, 2, 0, -1, false, {}, {"open 0 a", "show"}},
        {"selected favourite", 0, 2, 0, 1, false, {}, {"open 0 Bb", "show"}},
        {"named favourite", 0, 2, 1, 0, false, "c", {"open 0 c", "show"}},
        {"named favourite compares case", 0, 2, 1, 0, false, "bb", {"show"}},
        {"missing playlist starts nothing", 0, 3, 1, 0, false, "zz", {"show"}},
        {"named playlist", 0, 3, 1, -1, false, "c", {"open 1 c", "show"}},
        {"unknown target", 0, 7, 0, -1, false, {}, {"show"}},
    };
    for (const auto &r : rows) {
        FakeTargets host;
        host.state = r.state;
        host.lists[0] = host.lists[1] = QStringList{"a", "Bb", "c"};
        host.selected[0] = host.selected[1] = r.preselected;
        OnTimerSettings s;
        s.target = r.target;
        s.favoriteTarget = s.playlistTarget = r.byName;
        s.favorite = s.playlist = r.wanted;
        s.priority = r.priority;
        ManualClock clock;
        OffTimer off(clock);
        RunOnTimer(s, host, off);
        EXPECT_EQ(host.calls, r.calls) << r.name;
        EXPECT_FALSE(off.armed()) << r.name;
    }
}

TEST(RunOnTimer, ArmsTheOffTimerEvenWhenNothingStarts)
{
    FakeTargets host; // no favourites at all
    OnTimerSettings s;
    s.target = 2;
    s.useOffTimer = true;
    ManualClock clock;
    for (const auto &[length, minutes] : {std::pair{3600000, 60}, std::pair{0, 30}}) {
        s.offTimer = length;
        OffTimer off(clock);
        RunOnTimer(s, host, off);
        clock.advance(50);
        EXPECT_EQ(off.caption(), QStringLiteral("ON - あと%1分(&O)").arg(minutes));
    }
    // Blocked by a paused entry, nothing happens at all.
    host.state = 2;
    OffTimer off(clock);
    RunOnTimer(s, host, off);
    EXPECT_FALSE(off.armed());
}

TEST(OnTimerSettings, StoredKeyByKey)
{
    TempDir tmp;
    IniFile file(tmp.path("Kalvuno.ini"));
    EXPECT_EQ(LoadOnTimerSettings(file, "OnTimer0"), OnTimerSettings()) << "an empty file gives the defaults";
    OnTimerSettings s;
    s.time = QTime(7, 30);
    s.target = 3;
    s.favoriteTarget = 1;
    s.playlistTarget = 1;
    s.favorite = QStringLiteral("朝");
    s.playlist = QStringLiteral("夜");
    s.useOffTimer = true;
    s.offTimer = 5400000;
    s.priority = true;
    ASSERT_TRUE(SaveOnTimerSettings(file, "OnTimer0", s));
    EXPECT_EQ(file.fileWrites(), 1);
    EXPECT_EQ(readBytes(tmp.path("Kalvuno.ini")),
              QByteArray("[OnTimer0]\r\nTime=7:30:00\r\nTarget=3\r\nFavoriteTarget=1\r\nPlaylistTarget=1\r\n"
                         "Favorite=\x92\xa9\r\nPlaylist=\x96\xe9\r\nUseOffTimer=1\r\nOffTimer=5400000\r\nPriority=1\r\n"));
    IniFile again(tmp.path("Kalvuno.ini"));
    EXPECT_EQ(LoadOnTimerSettings(again, "OnTimer0"), s);

    const struct
    {
        const char *text;
        QTime time;
    } times[] = {{"7:05", QTime(7, 5)}, {"07:05:09", QTime(7, 5, 9)}, {"23:59:59", QTime(23, 59, 59)},
                 {"", QTime(0, 0)}, {"noon", QTime(0, 0)}, {"25:00", QTime(0, 0)}};
    for (const auto &t : times)
        EXPECT_EQ(parseTimeOfDay(QString::fromLatin1(t.text)), t.time) << t.text;
}

} // namespace

#include "SettingsRules.h"

namespace {

TEST(SettingsRules, TimeInFiveMinuteStepsAndOffTimerItems)
{
    const struct
    {
        QTime stored;
        int hour, minute;
        QTime back;
    } times[] = {{QTime(7, 32), 7, 6, QTime(7, 30)}, {QTime(7, 30), 7, 6, QTime(7, 30)},
                 {QTime(0, 0), 0, 0, QTime(0, 0)}, {QTime(23, 59, 59), 23, 11, QTime(23, 55)},
                 {QTime(12, 4, 59), 12, 0, QTime(12, 0)}};
    for (const auto &t : times) {
        EXPECT_EQ(hourItemOf(t.stored), t.hour) << t.stored.toString().toStdString();
        EXPECT_EQ(minuteItemOf(t.stored), t.minute) << t.stored.toString().toStdString();
        EXPECT_EQ(timeOfItems(t.hour, t.minute), t.back);
    }
    EXPECT_EQ(formatTimeOfDay(timeOfItems(7, 6)), "7:30:00");

    const struct
    {
        int length, item;
    } lengths[] = {{0, 0}, {-1, 0}, {1800000, 0}, {3599999, 0}, {3600000, 1}, {5399999, 1},
                   {5400000, 2}, {7199999, 2}, {7200000, 3}, {99999999, 3}};
    for (const auto &l : lengths)
        EXPECT_EQ(offTimerItemOf(l.length), l.item) << l.length;
    for (int item = 0; item < 4; ++item)
        EXPECT_EQ(offTimerItemOf(offTimerLengthOfItem(item)), item);
    EXPECT_EQ(offTimerLengthOfItem(0), 1800000);

    EXPECT_EQ(withTrailingSeparator(""), "");
    EXPECT_EQ(withTrailingSeparator("/music"), "/music/");
    EXPECT_EQ(withTrailingSeparator("/music/"), "/music/");
}

} // namespace
