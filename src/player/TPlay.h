#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class VideoSurface;
class VideoSurfaceHandle;

// One media item played on a thread of its own. The user-interface thread
// queues text commands and polls State, Duration, Position and Seeked; the
// player's 50 ms loop runs at most one command per pass and refreshes the
// position. A player is started once, and frees itself when its thread has
// closed the medium and nobody holds it any more.
class TPlay
{
public:
    explicit TPlay(QString fileName);
    virtual ~TPlay();
    TPlay(const TPlay &) = delete;
    TPlay &operator=(const TPlay &) = delete;

    // Creates a player of type T and starts its thread.
    template <class T, class... Args> static std::shared_ptr<T> create(Args &&...args)
    {
        auto player = std::make_shared<T>(std::forward<Args>(args)...);
        player->start(player);
        return player;
    }

    // Asks the thread to close the medium and end; nothing waits for it.
    void terminate() { m_terminated = true; }
    // Adds "Pause", "Resume" or seekCommand(f) to the queue.
    void addCommand(const QString &command);
    int pendingCommands() const;

    // Written by the player thread, read by the user-interface thread.
    std::atomic<int> State{0};           // 0 not open, 1 playing, 2 paused
    std::atomic<int64_t> Duration{0};    // 100 ns units; 0 when unknown
    std::atomic<double> Position{0.0};   // fraction of Duration, 0..1
    std::atomic<bool> Seeked{false};     // a seek was made during this play

    // Sizes the video (see VideoSurface); either thread may call it.
    virtual void ApplyVideoSize(int mode);

    // Waits, at most timeoutMs, until every player thread has ended. True when none is left.
    static bool waitForAllClosed(int timeoutMs);
    static int livePlayers();

    // The command text for a seek to a fraction, and its reading: one
    // locale-independent format on both sides (see SeekText.h).
    static QString seekCommand(double fraction);
    static bool parseSeekCommand(const QString &command, double &fraction);

protected:
    // The location; Open may rewrite it. Player thread only once started.
    QString FileName;

    virtual void Open() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Close() = 0;
    virtual void Seek(double fraction) = 0;
    virtual int64_t GetPosition() = 0;
    virtual int64_t GetDuration() = 0;
    // Handles what the medium reported since the last pass (end, errors).
    virtual void DispatchEvents() {}
    // The video window whose resizes ask for a new fit; none by default.
    virtual VideoSurfaceHandle *videoSurface() const { return nullptr; }

    bool terminationRequested() const { return m_terminated; }

private:
    void start(std::shared_ptr<TPlay> self);
    void Execute();
    bool runNextCommand();

    mutable std::mutex m_lock;
    QStringList Commands; // guarded by m_lock
    std::atomic<bool> m_terminated{false};
};

inline constexpr int kPlayerPassMs = 50;
