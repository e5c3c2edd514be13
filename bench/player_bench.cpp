// Plays one medium through the program's player and reports what it cost:
//   kalvuno_bench_player LOCATION [first-audio]
// Without a second argument: plays to the end and prints CPU seconds and
// peak memory. With "first-audio": prints the milliseconds from the call
// that starts the entry to the first audio buffer at the sink.
#include "TPlayGst.h"

#include <chrono>
#include <cstdio>
#include <gst/gst.h>
#include <sys/resource.h>
#include <thread>

namespace {

std::chrono::steady_clock::time_point g_firstBuffer;
bool g_seen = false;

gboolean onHandoff(GSignalInvocationHint *, guint, const GValue *, gpointer)
{
    if (!g_seen) {
        g_firstBuffer = std::chrono::steady_clock::now();
        g_seen = true;
    }
    return TRUE;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const bool firstAudio = argc > 2 && std::string(argv[2]) == "first-audio";
    gst_init(&argc, &argv);
    if (firstAudio) {
        // Every fakesink's hand-over of a buffer, whichever pipeline it is in.
        GstElement *probe = gst_element_factory_make("fakesink", nullptr);
        const guint handoff = g_signal_lookup("handoff", G_OBJECT_TYPE(probe));
        g_signal_add_emission_hook(handoff, 0, onHandoff, nullptr, nullptr);
        gst_object_unref(probe);
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true signal-handoffs=true");
    } else if (qEnvironmentVariableIsEmpty("KALVUNO_AUDIO_SINK")) {
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    }
    const auto start = std::chrono::steady_clock::now();
    auto player = TPlay::create<TPlayGst>(QString::fromLocal8Bit(argv[1]));
    while (firstAudio ? !g_seen : player->Position.load() != 1.0)
        std::this_thread::sleep_for(std::chrono::milliseconds(firstAudio ? 1 : 50));
    player->terminate();
    player.reset();
    TPlay::waitForAllClosed(5000);
    if (firstAudio) {
        std::printf("first audio after %.1f ms\n",
                    std::chrono::duration<double, std::milli>(g_firstBuffer - start).count());
        return 0;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("cpu %.3f s, peak memory %ld kB\n", cpu, usage.ru_maxrss);
    return 0;
}
