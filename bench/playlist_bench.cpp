// The current playlist with 10,000 entries: loading it, and removing or
// moving an entry (each of which rewrites or edits the file and reloads).
#include "CurrentPlaylist.h"
#include "PlaylistPanel.h"
#include "TextCodec.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QFile>
#include <QTemporaryDir>
#include "GuiBenchMain.h"

#include <benchmark/benchmark.h>

using namespace kalvuno;

namespace {

QByteArray playlistBytes(int entries)
{
    QString text;
    for (int i = 0; i < entries; ++i) {
        const QString id = QStringLiteral("%1").arg(i, 16, 16, QChar(u'0'));
        text += QStringLiteral("[%1]\r\nTitle=夜明けの歌 第%2番\r\nArtist=山田花子\r\nGenre=ポップス\r\n"
                               "MP3=http://localhost:8563/media/%1.mp3\r\nHome=http://example.jp/\r\n"
                               "MP3Count=%3\r\nRank=0102030405\r\n")
                    .arg(id)
                    .arg(i)
                    .arg(i % 1000);
    }
    return *encodeCp932(text);
}

// A 10,000-entry "Current.ini" with its playlist, and the panel showing it.
struct Fixture
{
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/Current.ini");
    QByteArray bytes = playlistBytes(10000);
    CurrentPlaylist list{path};
    PlaylistPanel panel{list};

    Fixture()
    {
        reset();
        panel.show();
    }
    void reset() const
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
};

void BM_Load10000(benchmark::State &state)
{
    Fixture fx;
    for (auto _ : state) {
        fx.list.load(-1, true);
        benchmark::DoNotOptimize(fx.list.count());
    }
}
BENCHMARK(BM_Load10000)->Unit(benchmark::kMillisecond);

// The same through the panel, so the list box is filled too.
void BM_LoadIntoListBox10000(benchmark::State &state)
{
    Fixture fx;
    for (auto _ : state) {
        fx.panel.LoadCurrentList(-1, true);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_LoadIntoListBox10000)->Unit(benchmark::kMillisecond);

void BM_RemoveInListBox(benchmark::State &state)
{
    Fixture fx;
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
    Fixture fx;
    fx.panel.LoadCurrentList(5000, true);
    for (auto _ : state) {
        fx.panel.Bu_DownClick();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_MoveDownInListBox)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return runBenchmarksWithGui(argc, argv); }
