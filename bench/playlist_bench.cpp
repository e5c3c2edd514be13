// The current playlist: loading 50,000 entries up to the list box's first
// paint, the memory the loaded list holds per entry, and removing or moving
// an entry in a 10,000-entry list (each of which rewrites or edits the file
// and reloads).
#include "CurrentPlaylist.h"
#include "PlaylistPanel.h"
#include "TextCodec.h"

#include <QListWidget> // today QListView; earlier versions used QListWidget
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <malloc.h>
#include "GuiBenchMain.h"

#include <benchmark/benchmark.h>

using namespace kalvuno;

namespace {

// Entries as the service answers a search: a 16-digit ID as the key, the
// texts in CP932, the media address, the play count and ten weekly ranks.
QByteArray playlistBytes(int entries)
{
    QString text;
    text.reserve(entries * 190);
    for (int i = 0; i < entries; ++i) {
        const QString id = QStringLiteral("%1").arg(i, 16, 16, QChar(u'0'));
        text += QStringLiteral("[%1]\r\nTitle=夜明けの歌 第%2番\r\nArtist=山田花子とカルテット\r\nGenre=ポップス\r\n"
                               "MP3=http://localhost:8563/media/%1.mp3\r\nHome=http://example.jp/~hanako/\r\n"
                               "MP3Count=%3\r\nRank=0102030405\r\n")
                    .arg(id)
                    .arg(i)
                    .arg(i * 7 % 1000);
    }
    return *encodeCp932(text);
}

// A "Current.ini" of the given size, and the panel showing the list.
struct Fixture
{
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/Current.ini");
    QByteArray bytes;
    CurrentPlaylist list{path};
    PlaylistPanel panel{list};

    explicit Fixture(int entries) : bytes(playlistBytes(entries))
    {
        reset();
        panel.resize(300, 600);
        panel.show();
        QCoreApplication::processEvents();
    }
    void reset() const
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
};

// Counts the paints of a list box's viewport.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *viewport) { viewport->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// What the program does after a search or at start: LoadCurrentList, then
// the event loop runs until the list box has painted its lines.
void loadUntilPainted(Fixture &fx, PaintCounter &counter)
{
    const int before = counter.paints;
    fx.panel.LoadCurrentList(-1, true);
    while (counter.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void BM_LoadToFirstPaint50000(benchmark::State &state)
{
    Fixture fx(50000);
    PaintCounter counter(fx.panel.LB_Play->viewport());
    for (auto _ : state)
        loadUntilPainted(fx, counter);
}
BENCHMARK(BM_LoadToFirstPaint50000)->Unit(benchmark::kMillisecond);

// The heap the loaded list holds (file, keys, titles, list box lines), per
// entry; the first load into an empty panel, so nothing of an older list is
// in the figure.
void BM_HeldPerEntry50000(benchmark::State &state)
{
    constexpr int kEntries = 50000;
    for (auto _ : state) {
        state.PauseTiming();
        auto fx = std::make_unique<Fixture>(kEntries);
        PaintCounter counter(fx->panel.LB_Play->viewport());
        fx->panel.LB_Play->viewport()->repaint();
        const size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        loadUntilPainted(*fx, counter);
        state.PauseTiming();
        const size_t after = mallinfo2().uordblks;
        state.counters["heap_bytes_per_entry"] = double(after - before) / kEntries;
        state.counters["file_bytes_per_entry"] = double(fx->bytes.size()) / kEntries;
        fx.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HeldPerEntry50000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RemoveInListBox(benchmark::State &state)
{
    Fixture fx(10000);
    fx.panel.LoadCurrentList(-1, true);
    for (auto _ : state) {
        fx.list.select(5000);
        fx.panel.showSelection();
        fx.panel.LB_Play->setFocus();
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QCoreApplication::sendEvent(fx.panel.LB_Play, &del);
        QCoreApplication::processEvents();
        if (fx.list.count() < 9000) {
            state.PauseTiming();
            fx.reset();
            fx.panel.LoadCurrentList(-1, true);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_RemoveInListBox)->Unit(benchmark::kMillisecond);

void BM_MoveDownInListBox(benchmark::State &state)
{
    Fixture fx(10000);
    fx.panel.LoadCurrentList(5000, true);
    for (auto _ : state) {
        fx.panel.Bu_DownClick();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_MoveDownInListBox)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return runBenchmarksWithGui(argc, argv); }
