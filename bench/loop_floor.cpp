// The least a window built on the program's two 50 ms loops costs while a
// song plays, for program_cost.sh to set beside the program and playbin: a
// window of the program's size, a 50 ms timer on the main thread, a player
// thread that wakes every 50 ms (or at once for a command) to read its bus
// and ask playbin the position, and a panel repainted when the shown second
// changes. Nothing else: no lists, no menus, no service.
//
// usage: kalvuno_bench_loop_floor URI  (the audio goes to KALVUNO_AUDIO_SINK,
// default "fakesink sync=true"; runs until killed)
#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gst/gst.h>
#include <mutex>
#include <thread>

namespace {

class Panel : public QWidget
{
public:
    void show(int second)
    {
        if (second == m_second)
            return;
        m_second = second;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().button());
        painter.drawText(88, 20, QStringLiteral("%1/%2").arg(m_second).arg(m_second));
    }

private:
    int m_second = -1;
};

class PlayerThread
{
public:
    explicit PlayerThread(GstElement *playbin) : m_playbin(playbin), m_thread([this] { run(); }) {}
    ~PlayerThread()
    {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    double seconds() const { return m_seconds; }

private:
    void run()
    {
        GstBus *bus = gst_element_get_bus(m_playbin);
        std::unique_lock lock(m_lock);
        while (!m_stop) {
            lock.unlock();
            while (GstMessage *message = gst_bus_pop(bus))
                gst_message_unref(message);
            gint64 position = 0;
            if (gst_element_query_position(m_playbin, GST_FORMAT_TIME, &position))
                m_seconds = double(position) / GST_SECOND;
            lock.lock();
            m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_stop; });
        }
        gst_object_unref(bus);
    }

    GstElement *m_playbin;
    std::atomic<double> m_seconds { 0 };
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace

int main(int argc, char *argv[])
{
    gst_init(&argc, &argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s URI\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    GstElement *playbin = gst_element_factory_make("playbin", nullptr);
    const QByteArray sink = qEnvironmentVariableIsSet("KALVUNO_AUDIO_SINK") ? qgetenv("KALVUNO_AUDIO_SINK")
                                                                          : QByteArray("fakesink sync=true");
    g_object_set(playbin, "uri", argv[1], "audio-sink", gst_parse_bin_from_description(sink.constData(), TRUE, nullptr),
                 "video-sink", gst_element_factory_make("fakesink", nullptr), nullptr);
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    int code = 0;
    {
        PlayerThread player(playbin);
        QMainWindow window;
        auto *panel = new Panel;
        window.setCentralWidget(new QWidget);
        panel->setParent(window.centralWidget());
        panel->setGeometry(600, 480, 181, 94);
        window.resize(786, 583);
        window.show();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, panel, [&] { panel->show(int(player.seconds())); });
        tick.start(50);
        code = app.exec();
    }
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
    return code;
}
