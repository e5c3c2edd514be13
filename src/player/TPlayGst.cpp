#include "TPlayGst.h"

#include "HttpTransport.h"
#include "MediaLocation.h"
#include "Rounding.h"
#include "VideoFit.h"
#include "VideoSurface.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <gst/gst.h>
#include <gst/video/videooverlay.h>
#include <mutex>
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

std::atomic<int> TPlayGst::s_videoMode{1};
std::atomic<int> TPlayGst::s_openLimitMs{30000};

namespace {

// playbin's flags: video, audio, subtitles.
constexpr guint kPlayVideo = 1u << 0;
constexpr guint kPlayText = 1u << 2;
// A stream may tell its length a moment after it prerolled (an http stream,
// an MP3 whose parser estimates it from the first frames).
constexpr int kLengthGraceMs = 2000;
// How long a playing medium's position is reckoned from the last real query.
constexpr auto kPositionQueryInterval = std::chrono::milliseconds(500);

// A bus message goes from the streaming thread that posts it to ours through
// GLib's own atomics, which the thread sanitizer cannot see. Our sync handler
// runs on the posting thread before the message is queued, and we read the
// message only after taking it off the bus: these two say so.
#if defined(__SANITIZE_THREAD__)
void messageHandedOver(GstMessage *message) { __tsan_release(message); }
void messageTakenOver(GstMessage *message) { __tsan_acquire(message); }
#else
void messageHandedOver(GstMessage *) {}
void messageTakenOver(GstMessage *) {}
#endif

// Several MP3 decoders share one rank, and GStreamer then takes the first by
// name: libav's, which maps all of FFmpeg (some 40 MB more while playing and a
// tenth of a second more before the first song sounds). mpg123's decodes the
// same streams on its own. A rank the user sets in the environment wins.
void preferLightDecoders()
{
    if (qEnvironmentVariableIsSet("GST_PLUGIN_FEATURE_RANK"))
        return;
    if (GstPluginFeature *mpg123 = gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec")) {
        gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY);
        gst_object_unref(mpg123);
    }
}

void ensureGstreamer()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        preferLightDecoders();
    });
}

GstElement *sinkFromEnvironment(const char *variable, const char *fallback)
{
    const QByteArray wanted = qgetenv(variable);
    const char *description = wanted.isEmpty() ? fallback : wanted.constData();
    GError *error = nullptr;
    GstElement *sink = gst_parse_bin_from_description(description, TRUE, &error);
    if (error) {
        g_error_free(error);
        if (sink)
            gst_object_unref(sink);
        return nullptr;
    }
    return sink;
}

// A local file goes by the path that was checked, whatever form it was named in.
QByteArray uriOf(const QString &location, const MediaLocation &media)
{
    if (media.kind == MediaLocation::Kind::Web)
        return kalvuno::requestUrlBytes(location, false);
    gchar *uri = gst_filename_to_uri(QFile::encodeName(media.localPath).constData(), nullptr);
    QByteArray out = uri ? QByteArray(uri) : QByteArray();
    g_free(uri);
    return out;
}

} // namespace

GstreamerStart::GstreamerStart() : m_thread(ensureGstreamer) {}

GstreamerStart::~GstreamerStart() { m_thread.join(); }

TPlayGst::TPlayGst(QString fileName, VideoSurface *surface, QString caption)
    : TPlay(std::move(fileName)), m_surface(surface ? surface->handle() : nullptr), m_caption(std::move(caption))
{
}

TPlayGst::~TPlayGst()
{
    // Close normally ran on the player thread; this is for a player never started.
    if (m_playbin) {
        gst_element_set_state(m_playbin, GST_STATE_NULL);
        gst_object_unref(m_playbin);
    }
    if (m_overlay)
        gst_object_unref(m_overlay);
}

QString TPlayGst::extensionOf(const QString &location)
{
    const qsizetype cut = std::max({location.lastIndexOf(u'/'), location.lastIndexOf(u'\\'), location.lastIndexOf(u':')});
    const qsizetype dot = location.lastIndexOf(u'.');
    return dot > cut ? location.mid(dot).toUpper() : QString();
}

bool TPlayGst::isVideo(const QString &extension, bool hasVideoStream)
{
    return extension == u".AVI" || (extension == u".MPG" && hasVideoStream);
}

int TPlayGst::onSyncMessage(GstBus *, GstMessage *message, void *data)
{
    // Runs on a streaming thread: wake the player for an end or an error, and
    // hand a video sink our window; nothing more.
    auto *self = static_cast<TPlayGst *>(data);
    messageHandedOver(message);
    // The end or a failure is handled by the player's next pass: let it come
    // now. The message reaches the bus only after this handler, so a pass
    // that came at once could miss it: the end is marked here as well.
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
        self->m_ended = true;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS || GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        self->wake();
    if (!gst_is_video_overlay_prepare_window_handle_message(message) || !self->m_surface)
        return GST_BUS_PASS;
    GstVideoOverlay *overlay = GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(message));
    // The window stays while the sink takes it.
    const bool given = self->m_surface->use([overlay](VideoSurface &surface) {
        gst_video_overlay_set_window_handle(overlay, surface.nativeWindow());
    });
    if (!given)
        return GST_BUS_PASS;
    std::lock_guard<std::mutex> lock(self->m_videoLock);
    if (self->m_overlay)
        gst_object_unref(self->m_overlay);
    self->m_overlay = GST_VIDEO_OVERLAY(gst_object_ref(overlay));
    gst_message_unref(message);
    return GST_BUS_DROP;
}

bool TPlayGst::canPrepare(const QString &location)
{
    const QString extension = extensionOf(location);
    return MediaLocation::of(location).kind == MediaLocation::Kind::LocalFile && extension != u".AVI" &&
           extension != u".MPG";
}

void TPlayGst::startMedium(int target)
{
    kalvuno::SubstituteAddress(FileName);
    ensureGstreamer();
    m_ended = false;
    m_failed = false;
    const QString extension = extensionOf(FileName);
    const bool mayBeVideo = extension == u".AVI" || extension == u".MPG";

    // A location we must not read from fails as a medium that does not open,
    // without GStreamer ever seeing it.
    const MediaLocation media = MediaLocation::of(FileName);
    GstElement *playbin =
        media.kind == MediaLocation::Kind::Unopenable ? nullptr : gst_element_factory_make("playbin", nullptr);
    m_failed = playbin == nullptr;
    if (!playbin)
        return;
    g_object_set(playbin, "uri", uriOf(FileName, media).constData(), nullptr);
    if (GstElement *audio = sinkFromEnvironment("KALVUNO_AUDIO_SINK", "autoaudiosink"))
        g_object_set(playbin, "audio-sink", audio, nullptr);
    guint flags = 0;
    g_object_get(playbin, "flags", &flags, nullptr);
    flags &= ~kPlayText;
    // Only media that may be shown get a video sink, and only into our
    // window: no other medium can open a window of its own.
    uintptr_t window = 0;
    if (m_surface)
        m_surface->use([&window](VideoSurface &surface) { window = surface.nativeWindow(); });
    const bool showVideo = mayBeVideo && (m_surface ? window != 0 : qEnvironmentVariableIsSet("KALVUNO_VIDEO_SINK"));
    // playbin makes a video sink even with video switched off, probing
    // every sink it knows (a crash in DirectFB's, without X): name ours.
    GstElement *video = showVideo ? sinkFromEnvironment("KALVUNO_VIDEO_SINK", "autovideosink") : nullptr;
    if (!video) {
        video = gst_element_factory_make("fakesink", nullptr);
        flags &= ~kPlayVideo;
    }
    if (video)
        g_object_set(playbin, "video-sink", video, nullptr);
    g_object_set(playbin, "flags", flags, nullptr);
    GstBus *bus = gst_element_get_bus(playbin);
    gst_bus_set_sync_handler(bus, reinterpret_cast<GstBusSyncHandler>(&TPlayGst::onSyncMessage), this, nullptr);
    gst_object_unref(bus);
    {
        std::lock_guard<std::mutex> lock(m_videoLock);
        m_playbin = playbin;
    }
    gst_element_set_state(playbin, GstState(target));
    if (!waitForPreroll())
        m_failed = true;
}

int64_t TPlayGst::lengthAfterPreroll()
{
    int64_t duration = m_failed ? 0 : GetDuration();
    if (!m_failed && duration == 0) {
        for (int waited = 0; waited < kLengthGraceMs && duration == 0 && !terminationRequested(); waited += 50) {
            g_usleep(50 * 1000);
            duration = GetDuration();
        }
        if (duration == 0)
            duration = estimatedDuration();
    }
    return duration;
}

void TPlayGst::Prepare()
{
    // Prerolled and paused: the sink holds the first sound until Open.
    startMedium(GST_STATE_PAUSED);
    m_preparedLength = lengthAfterPreroll();
    m_prepared = true;
}

void TPlayGst::Open()
{
    const bool prepared = std::exchange(m_prepared, false);
    if (!prepared) {
        if (State != 0)
            Close();
        startMedium(GST_STATE_PLAYING);
    } else if (m_playbin && !m_failed) {
        gst_element_set_state(m_playbin, GST_STATE_PLAYING);
    }

    gint videoStreams = 0;
    if (m_playbin && !m_failed)
        g_object_get(m_playbin, "n-video", &videoStreams, nullptr);
    const bool video = !m_failed && isVideo(extensionOf(FileName), videoStreams > 0);
    {
        // ApplyVideoSize reads it from the user-interface thread too.
        std::lock_guard<std::mutex> lock(m_videoLock);
        m_video = video;
    }
    if (m_surface) {
        if (video) {
            m_surface->use([this](VideoSurface &surface) { surface.showSurface(m_caption); });
            ApplyVideoSize(s_videoMode);
        } else {
            m_surface->use([](VideoSurface &surface) { surface.hideSurface(); });
        }
    }

    Duration = prepared ? m_preparedLength : lengthAfterPreroll();
    Seeked = false;
    State = 1;
}

bool TPlayGst::waitForPreroll()
{
    GstBus *bus = gst_element_get_bus(m_playbin);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(s_openLimitMs.load());
    bool prerolled = false;
    bool done = false;
    while (!done && !terminationRequested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        // Short slices, so that a request to stop is seen while a server stalls.
        const GstClockTime slice = GST_MSECOND * GstClockTime(std::min<long long>(left.count(), 100));
        GstMessage *message = gst_bus_timed_pop_filtered(
            bus, slice, GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        if (!message)
            continue;
        messageTakenOver(message);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ASYNC_DONE:
            prerolled = done = true;
            break;
        case GST_MESSAGE_EOS:
            // A medium so short it ended while starting.
            m_ended = true;
            prerolled = done = true;
            break;
        default:
            done = true;
            break;
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return prerolled;
}

void TPlayGst::Pause()
{
    if (State != 1 || !m_playbin)
        return;
    gst_element_set_state(m_playbin, GST_STATE_PAUSED);
    m_lastQuery.reset();
    State = 2;
}

void TPlayGst::Resume()
{
    if (State != 2 || !m_playbin)
        return;
    gst_element_set_state(m_playbin, GST_STATE_PLAYING);
    m_lastQuery.reset();
    State = 1;
}

void TPlayGst::Close()
{
    // A prepared medium that never opened has its pipeline too.
    if (State == 0 && !m_playbin)
        return;
    GstElement *playbin = nullptr;
    GstVideoOverlay *overlay = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_videoLock);
        std::swap(playbin, m_playbin);
        std::swap(overlay, m_overlay);
        m_video = false;
    }
    if (playbin) {
        gst_element_set_state(playbin, GST_STATE_NULL);
        gst_object_unref(playbin);
    }
    if (overlay)
        gst_object_unref(overlay);
    State = 0;
}

void TPlayGst::Seek(double fraction)
{
    if (State == 0 || !m_playbin)
        return;
    const int64_t target = kalvuno::roundHalfEven(static_cast<long double>(Duration.load()) * fraction);
    m_ended = false;
    gst_element_seek_simple(m_playbin, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            gint64(target) * 100);
    m_lastQuery.reset();
    Seeked = true;
}

int64_t TPlayGst::GetPosition()
{
    // At the end the position is exactly the length: the main loop checks for 1.
    if (m_ended)
        return Duration;
    const auto now = std::chrono::steady_clock::now();
    const int64_t duration = Duration;
    // A position query walks the whole pipeline down to its sinks; between two
    // of them a playing medium moves on with the clock. Only a real query (or
    // the end) may report the very end.
    if (State == 1 && m_lastQuery && now - m_lastQuery->at < kPositionQueryInterval) {
        const int64_t moved = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_lastQuery->at).count() / 100;
        return std::clamp<int64_t>(m_lastQuery->position + moved, 0, std::max<int64_t>(duration - 1, 0));
    }
    gint64 position = 0;
    if (!m_playbin || !gst_element_query_position(m_playbin, GST_FORMAT_TIME, &position) || position < 0) {
        m_lastQuery.reset();
        return 0;
    }
    const int64_t result = std::min<int64_t>(position / 100, duration);
    m_lastQuery = PositionQuery{result, now};
    return result;
}

int64_t TPlayGst::GetDuration()
{
    gint64 duration = 0;
    if (!m_playbin || !gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &duration) || duration < 0)
        return 0;
    return duration / 100;
}

int64_t TPlayGst::estimatedDuration()
{
    // A short MP3 over http can leave the parser without an estimate of its
    // own; its byte length and bit rate tell the length nearly as well.
    gint64 bytes = 0;
    if (!m_playbin || !gst_element_query_duration(m_playbin, GST_FORMAT_BYTES, &bytes) || bytes <= 0)
        return 0;
    GstTagList *tags = nullptr;
    g_signal_emit_by_name(m_playbin, "get-audio-tags", 0, &tags);
    guint bitrate = 0;
    if (tags) {
        if (!gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &bitrate))
            gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &bitrate);
        gst_tag_list_unref(tags);
    }
    if (bitrate == 0)
        return 0;
    return int64_t(static_cast<long double>(bytes) * 8 * 10000000 / bitrate);
}

void TPlayGst::DispatchEvents()
{
    if (!m_playbin)
        return;
    GstBus *bus = gst_element_get_bus(m_playbin);
    while (GstMessage *message = gst_bus_pop(bus)) {
        messageTakenOver(message);
        handleMessage(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

void TPlayGst::handleMessage(GstMessage *message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        m_ended = true;
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        // A length the parser works out later replaces an estimate.
        if (const int64_t known = GetDuration(); known > 0)
            Duration = known;
        break;
    case GST_MESSAGE_ERROR:
        // A medium that breaks off while playing ends now; with its length
        // unknown it does not count as heard to the end.
        Duration = 0;
        break;
    default:
        break;
    }
}

void TPlayGst::ApplyVideoSize(int mode)
{
    std::lock_guard<std::mutex> lock(m_videoLock);
    if (!m_playbin || !m_video || !m_surface)
        return;
    GstPad *pad = nullptr;
    g_signal_emit_by_name(m_playbin, "get-video-pad", 0, &pad);
    if (!pad)
        return;
    int w = 0;
    int h = 0;
    if (GstCaps *caps = gst_pad_get_current_caps(pad)) {
        const GstStructure *s = gst_caps_get_structure(caps, 0);
        gst_structure_get_int(s, "width", &w);
        gst_structure_get_int(s, "height", &h);
        gst_caps_unref(caps);
    }
    gst_object_unref(pad);
    if (w <= 0 || h <= 0)
        return;
    switch (mode) {
    case 0: {
        QSize client;
        m_surface->use([&client](VideoSurface &surface) { client = surface.clientSize(); });
        const QRect r = fitVideo(w, h, client.width(), client.height());
        if (r.isEmpty() || !m_overlay)
            return;
        gst_video_overlay_set_render_rectangle(m_overlay, r.x(), r.y(), r.width(), r.height());
        gst_video_overlay_expose(m_overlay);
        break;
    }
    case 1:
    case 2:
        m_surface->use([w, h, mode](VideoSurface &surface) { surface.setClientSize(QSize(w * mode, h * mode)); });
        m_surface->setResizePending();
        break;
    default:
        break;
    }
}
