#pragma once

#include <QSize>
#include <atomic>
#include <cstdint>

// What a player needs of the video window, callable from the player thread.
// Window operations are carried out on the user-interface thread.
class VideoSurface
{
public:
    virtual ~VideoSurface() = default;

    // The native window the video is drawn into (0 before it exists).
    virtual uintptr_t nativeWindow() const = 0;
    virtual QSize clientSize() const = 0;
    virtual void showSurface(const QString &caption) = 0;
    virtual void hideSurface() = 0;
    virtual void setClientSize(const QSize &size) = 0;

    // Set by every resize of the window; the player fits the video again.
    void setResizePending() { m_resizePending = true; }
    bool takeResizePending() { return m_resizePending.exchange(false); }

private:
    std::atomic<bool> m_resizePending{false};
};
