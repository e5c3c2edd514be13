#include "TPlay.h"
#include "VideoFit.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// A player without a medium: it records which pass ran each operation.
class RecordingPlayer : public TPlay
{
public:
    RecordingPlayer() : TPlay(QStringLiteral("nothing")) {}
    std::vector<std::pair<std::string, int>> calls() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

protected:
    void Open() override
    {
        // Commands queued meanwhile must wait for the loop.
        QThread::msleep(200);
        Duration = 1000;
        State = 1;
    }
    void Pause() override { record("Pause"); }
    void Resume() override { record("Resume"); }
    void Close() override { State = 0; }
    void Seek(double fraction) override { record("Seek" + std::to_string(fraction)); }
    int64_t GetPosition() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return 250 * ++m_pass;
    }
    int64_t GetDuration() override { return 1000; }

private:
    void record(const std::string &what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.emplace_back(what, m_pass);
    }
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, int>> m_calls;
    int m_pass = 0;
};

TEST(PlayerLoop, CommandsQueuedDuringOpenRunOnePerPassInOrder)
{
    auto player = TPlay::create<RecordingPlayer>();
    for (const char *c : {"Pause", "pause", "Resume", "SeekX", "Seek0.25", "Other"})
        player->addCommand(QString::fromLatin1(c));
    for (int i = 0; i < 100 && player->pendingCommands() > 0; ++i)
        QThread::msleep(20);
    EXPECT_EQ(player->pendingCommands(), 0);
    const auto calls = player->calls();
    // Passes count from 0; the unknown texts take a pass of their own each.
    const std::vector<std::pair<std::string, int>> expected{{"Pause", 0}, {"Resume", 2}, {"Seek0.250000", 4}};
    EXPECT_EQ(calls, expected);
    EXPECT_GE(player->Position.load(), 0.25);
    player->terminate();
}

// With passes a minute apart, only a wake-up can run a command within seconds.
class SlowPasses : public ::testing::Test
{
protected:
    void SetUp() override { TPlay::setPassIntervalMs(60000); }
    void TearDown() override { TPlay::setPassIntervalMs(kPlayerPassMs); }
};

TEST_F(SlowPasses, CommandsQueuedWhileWaitingRunAtOnceOnePerPassInOrder)
{
    std::atomic<int> changes{0};
    auto player = TPlay::createWatched<RecordingPlayer>([&changes] { ++changes; });
    // The first pass after opening reports the playing state, then the thread waits.
    for (int i = 0; i < 250 && changes == 0; ++i)
        QThread::msleep(20);
    ASSERT_EQ(changes.load(), 1);
    player->addCommand(QStringLiteral("Pause"));
    player->addCommand(QStringLiteral("Resume"));
    for (int i = 0; i < 250 && player->pendingCommands() > 0; ++i)
        QThread::msleep(20);
    EXPECT_EQ(player->pendingCommands(), 0);
    const std::vector<std::pair<std::string, int>> expected{{"Pause", 1}, {"Resume", 2}};
    EXPECT_EQ(player->calls(), expected);

    const int before = changes;
    player->terminate();
    EXPECT_TRUE(TPlay::waitForAllClosed(5000)); // a minute's wait would fail this
    EXPECT_EQ(changes.load(), before + 1);       // closing is reported too
}

TEST(PlayerLoop, PlayersEndAndFreeThemselves)
{
    std::weak_ptr<RecordingPlayer> weak;
    {
        auto player = TPlay::create<RecordingPlayer>();
        weak = player;
        player->terminate();
    }
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
    EXPECT_EQ(TPlay::livePlayers(), 0);
    EXPECT_TRUE(weak.expired());
}

TEST(VideoFit, Table)
{
    struct Case
    {
        int w, h, cw, ch;
        QRect expected;
    };
    const Case cases[] = {
        {320, 240, 400, 200, QRect(67, 0, 266, 200)},  // narrower than the window: bars left and right
        {320, 240, 400, 400, QRect(0, 50, 400, 300)},  // wider: bars above and below
        {352, 240, 352, 240, QRect(0, 0, 352, 240)},   // mode 1 then fit: exact
        {352, 240, 704, 480, QRect(0, 0, 704, 480)},   // mode 2 then fit: exact
        {320, 240, 401, 200, QRect(67, 0, 267, 200)},  // (401 - 266.67) / 2 = 67.17
        {100, 100, 301, 100, QRect(100, 0, 101, 100)}, // (301 - 100) / 2 = 100.5: half to even
        {100, 100, 303, 100, QRect(102, 0, 99, 100)},  // 101.5 rounds to 102
        {320, 240, 0, 200, QRect()},
        {0, 240, 400, 200, QRect()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fitVideo(c.w, c.h, c.cw, c.ch), c.expected) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
}

} // namespace
