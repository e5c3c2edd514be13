#include "TPlay.h"

#include "SeekText.h"
#include "VideoSurface.h"

#include <chrono>
#include <condition_variable>

namespace {

std::mutex g_liveLock;
std::condition_variable g_liveChanged;
int g_live = 0;

} // namespace

std::atomic<int> TPlay::s_passIntervalMs{kPlayerPassMs};

TPlay::TPlay(QString fileName) : FileName(std::move(fileName)) {}

TPlay::~TPlay() = default;

void TPlay::start(std::shared_ptr<TPlay> self)
{
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        ++g_live;
    }
    // The thread keeps the player alive until it has closed the medium.
    std::thread([self = std::move(self)]() mutable {
        self->Execute();
        self.reset();
        std::lock_guard<std::mutex> lock(g_liveLock);
        --g_live;
        g_liveChanged.notify_all();
    }).detach();
}

void TPlay::addCommand(const QString &command)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        Commands.append(command);
    }
    m_wakeUp.notify_one();
}

void TPlay::terminate()
{
    {
        // Under the lock, so that a thread about to wait cannot miss it.
        std::lock_guard<std::mutex> lock(m_lock);
        m_terminated = true;
    }
    m_wakeUp.notify_one();
}

void TPlay::release()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_held = false;
    }
    m_wakeUp.notify_one();
}

bool TPlay::held() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_held;
}

bool TPlay::waitForRelease()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_wakeUp.wait(lock, [this] { return m_terminated || !m_held; });
    return !m_terminated;
}

void TPlay::wake()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_wakeRequested = true;
    }
    m_wakeUp.notify_one();
}

int TPlay::pendingCommands() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return int(Commands.size());
}

void TPlay::ApplyVideoSize(int) {}

bool TPlay::runNextCommand()
{
    QString command;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (Commands.isEmpty())
            return false;
        command = Commands.first();
    }
    double fraction = 0;
    if (command == u"Pause")
        Pause();
    else if (command == u"Resume")
        Resume();
    else if (parseSeekCommand(command, fraction))
        Seek(fraction);
    std::lock_guard<std::mutex> lock(m_lock);
    Commands.removeFirst();
    return true;
}

TPlay::Shown TPlay::shown() const { return {State.load(), Seeked.load(), Position.load() >= 1.0}; }

void TPlay::waitForNextPass()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_wakeUp.wait_for(lock, std::chrono::milliseconds(s_passIntervalMs.load()),
                      [this] { return m_terminated || m_wakeRequested || !Commands.isEmpty(); });
    m_wakeRequested = false;
}

void TPlay::Execute()
{
    Shown before = shown();
    const bool prepared = held();
    if (prepared)
        Prepare();
    if (!prepared || waitForRelease())
        Open();
    while (!m_terminated) {
        if (VideoSurfaceHandle *surface = videoSurface(); surface && surface->takeResizePending())
            ApplyVideoSize(0);
        runNextCommand();
        // What the medium reported first, so that an end it told of shows in this pass.
        DispatchEvents();
        const int64_t duration = Duration;
        Position = duration == 0 ? 1.0 : double(GetPosition()) / double(duration);
        if (const Shown now = shown(); !(now == before)) {
            before = now;
            if (m_changed)
                m_changed();
        }
        waitForNextPass();
    }
    Close();
    if (m_changed)
        m_changed();
}

bool TPlay::waitForAllClosed(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(g_liveLock);
    return g_liveChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return g_live == 0; });
}

int TPlay::livePlayers()
{
    std::lock_guard<std::mutex> lock(g_liveLock);
    return g_live;
}

QString TPlay::seekCommand(double fraction) { return QStringLiteral("Seek") + seekFractionText(fraction); }

bool TPlay::parseSeekCommand(const QString &command, double &fraction)
{
    if (!command.startsWith(u"Seek"))
        return false;
    const std::optional<double> value = parseSeekFraction(QStringView(command).mid(4, 100));
    if (!value)
        return false;
    fraction = *value;
    return true;
}
