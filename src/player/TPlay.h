#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class VideoSurface;
class VideoSurfaceHandle;

// One media item played on a thread of its own. The user-interface thread
// queues text commands and polls State, Duration, Position and Seeked; the
// player's loop runs at most one command per pass and refreshes the position.
// A pass comes every 50 ms, and at once when a command is queued, the player
// is told to end, or the medium reports something (its end, an error). A
// player is started once, and frees itself when its thread has closed the
// medium and nobody holds it any more.
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
        return createWatched<T>(nullptr, std::forward<Args>(args)...);
    }
    // The same, with `changed` called on the player's thread whenever State,
    // Seeked or the end of the medium (Position 1) changes: the user-interface
    // thread need not wait for its next poll to see it.
    template <class T, class... Args>
    static std::shared_ptr<T> createWatched(std::function<void()> changed, Args &&...args)
    {
        auto player = std::make_shared<T>(std::forward<Args>(args)...);
        player->m_changed = std::move(changed);
        player->start(player);
        return player;
    }
    // The same for a player got ready ahead of its turn: it prepares the
    // medium (Prepare) and then waits, silent, until release() lets it open
    // and play, or terminate() ends it unopened.
    template <class T, class... Args>
    static std::shared_ptr<T> createHeld(std::function<void()> changed, Args &&...args)
    {
        auto player = std::make_shared<T>(std::forward<Args>(args)...);
        player->m_changed = std::move(changed);
        player->holdAtStart();
        player->start(player);
        return player;
    }

    // Asks the thread to close the medium and end; nothing waits for it.
    void terminate();
    // A held player opens and plays now; no effect on any other.
    void release();
    bool held() const;
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

    // The longest time between two passes; the program keeps kPlayerPassMs.
    static void setPassIntervalMs(int ms) { s_passIntervalMs = ms; }

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

    // Gets a held player's medium ready to play without a sound; Open follows
    // on release, Close on an end without one.
    virtual void Prepare() {}
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
    // Before the thread starts: it prepares and waits for release (createHeld).
    void holdAtStart()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_held = true;
    }
    // Starts the next pass now; any thread (a streaming thread seeing the end) may call it.
    void wake();

private:
    struct Shown
    {
        int state;
        bool seeked;
        bool atEnd;
        bool operator==(const Shown &) const = default;
    };

    void start(std::shared_ptr<TPlay> self);
    void Execute();
    bool runNextCommand();
    void waitForNextPass();
    // True once released, false when told to end first.
    bool waitForRelease();
    Shown shown() const;

    mutable std::mutex m_lock;
    std::condition_variable m_wakeUp;
    QStringList Commands;        // guarded by m_lock
    bool m_wakeRequested = false; // guarded by m_lock
    bool m_held = false;          // guarded by m_lock once started
    std::atomic<bool> m_terminated{false};
    std::function<void()> m_changed; // set before the thread starts

    static std::atomic<int> s_passIntervalMs;
};

inline constexpr int kPlayerPassMs = 50;
