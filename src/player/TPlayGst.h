#pragma once

#include "TPlay.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

typedef struct _GstElement GstElement;
typedef struct _GstVideoOverlay GstVideoOverlay;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

// The player on a GStreamer playbin: local paths and http URLs of MP3, WAV,
// MIDI, MPEG and AVI. Video goes into the video window's own surface.
class TPlayGst : public TPlay
{
public:
    // surface: the video window, or none (then no video is ever shown). The
    // player holds it through its handle, so the window may go first.
    TPlayGst(QString fileName, VideoSurface *surface = nullptr, QString caption = QString());
    ~TPlayGst() override;

    void ApplyVideoSize(int mode) override;

    // The video size mode applied when a video starts (0 fixed, 1 original, 2 double, -1 none).
    static void setVideoMode(int mode) { s_videoMode = mode; }
    static int videoMode() { return s_videoMode; }

    // The text from the last "." after the last "/", "\" or ":", upper-cased.
    static QString extensionOf(const QString &location);
    // ".AVI" is video; ".MPG" when it has a video stream; anything else is audio.
    static bool isVideo(const QString &extension, bool hasVideoStream);

    // Whether a location can be prepared ahead (TPlay::createHeld): local
    // audio files; a stream is not fetched, nor a video window shown, before its turn.
    static bool canPrepare(const QString &location);

    // How long Open waits for a medium to start; the program uses 30000 ms.
    static void setOpenLimitMs(int ms) { s_openLimitMs = ms; }

protected:
    void Prepare() override;
    void Open() override;
    void Pause() override;
    void Resume() override;
    void Close() override;
    void Seek(double fraction) override;
    int64_t GetPosition() override;
    int64_t GetDuration() override;
    void DispatchEvents() override;
    VideoSurfaceHandle *videoSurface() const override { return m_surface.get(); }

private:
    // Makes the pipeline for FileName, takes it towards `target` (a
    // GstState) and waits for its preroll; m_failed tells how it went.
    void startMedium(int target);
    bool waitForPreroll();
    // The medium's length once prerolled, waiting a moment for a late one.
    int64_t lengthAfterPreroll();
    int64_t estimatedDuration();
    void handleMessage(GstMessage *message);
    static int onSyncMessage(GstBus *bus, GstMessage *message, void *self);

    const std::shared_ptr<VideoSurfaceHandle> m_surface; // set at construction
    const QString m_caption;
    std::mutex m_videoLock;
    GstElement *m_playbin = nullptr;      // written by the player thread under m_videoLock; read there or under it
    GstVideoOverlay *m_overlay = nullptr; // set from a streaming thread, under m_videoLock
    bool m_video = false;                 // written by the player thread under m_videoLock; read there or under it
    std::atomic<bool> m_ended{false};
    // The last real position query while playing; player thread only.
    struct PositionQuery
    {
        int64_t position; // 100 ns units
        std::chrono::steady_clock::time_point at;
    };
    std::optional<PositionQuery> m_lastQuery;
    std::atomic<bool> m_failed{false};
    // Prepare ran and Open has not yet: player thread only.
    bool m_prepared = false;
    int64_t m_preparedLength = 0;

    static std::atomic<int> s_videoMode;
    static std::atomic<int> s_openLimitMs;
};

// Initialises GStreamer on a thread of its own, so that it is ready by the
// time the window has been made; a player that opens sooner waits for it.
class GstreamerStart
{
public:
    GstreamerStart();
    ~GstreamerStart();
    GstreamerStart(const GstreamerStart &) = delete;
    GstreamerStart &operator=(const GstreamerStart &) = delete;

private:
    std::thread m_thread;
};
