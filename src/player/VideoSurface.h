#pragma once

#include <QSize>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class VideoSurface;

// A player's hold on the video window. The window may go while a player is
// still closing (at exit, say), so a player keeps this handle, never the
// window itself: the window detaches it first thing in its destructor, and
// from then on every use finds the window gone.
class VideoSurfaceHandle
{
public:
    explicit VideoSurfaceHandle(VideoSurface *surface) : m_surface(surface) {}
    VideoSurfaceHandle(const VideoSurfaceHandle &) = delete;
    VideoSurfaceHandle &operator=(const VideoSurfaceHandle &) = delete;

    // Calls f(window) while the window exists, which it goes on doing until
    // f returns; false when the window has gone. f must not wait for the
    // user-interface thread.
    template <class F> bool use(F &&f)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_surface)
            return false;
        f(*m_surface);
        return true;
    }

    // Set by every resize of the window; the player fits the video again.
    void setResizePending() { m_resizePending = true; }
    bool takeResizePending() { return m_resizePending.exchange(false); }

private:
    friend class VideoSurface;
    void detach()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_surface = nullptr;
    }

    std::mutex m_lock;
    VideoSurface *m_surface; // guarded by m_lock
    std::atomic<bool> m_resizePending{false};
};

// What a player needs of the video window, reached through its handle from
// the player thread and GStreamer's streaming threads. Window operations are
// carried out on the user-interface thread.
class VideoSurface
{
public:
    VideoSurface() : m_handle(std::make_shared<VideoSurfaceHandle>(this)) {}
    virtual ~VideoSurface() { detachSurface(); }
    VideoSurface(const VideoSurface &) = delete;
    VideoSurface &operator=(const VideoSurface &) = delete;

    // The native window the video is drawn into (0 before it exists).
    virtual uintptr_t nativeWindow() const = 0;
    virtual QSize clientSize() const = 0;
    virtual void showSurface(const QString &caption) = 0;
    virtual void hideSurface() = 0;
    virtual void setClientSize(const QSize &size) = 0;

    void setResizePending() { m_handle->setResizePending(); }
    bool takeResizePending() { return m_handle->takeResizePending(); }

    const std::shared_ptr<VideoSurfaceHandle> &handle() const { return m_handle; }

protected:
    // The most derived destructor calls this before anything of the window
    // goes; it waits for a player's call under way to return.
    void detachSurface() { m_handle->detach(); }

private:
    std::shared_ptr<VideoSurfaceHandle> m_handle;
};
