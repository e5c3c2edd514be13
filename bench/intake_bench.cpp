// 1,000 files dropped on the main window's current playlist: each file's tags
// are read (ID3v1, ID3v2 through TagLib, or none, then its folder names it),
// the entries go after the selection, and "Current.ini" is written once, in
// list order. Reports the time of one whole drop and the writes it made.
#include "CurrentPlaylist.h"
#include "MainWindow.h"
#include "PlaylistPanel.h"
#include "TextCodec.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QListView>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include "GuiBenchMain.h"

#include <benchmark/benchmark.h>

using namespace kalvuno;

namespace {

constexpr int kFiles = 1000;

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

QByteArray audio() { return QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(4096, '\0'); }

QByteArray id3v1(int i)
{
    QByteArray title = *encodeCp932(QStringLiteral("夜明けの歌 第%1番").arg(i));
    QByteArray artist = *encodeCp932(QStringLiteral("山田花子"));
    return "TAG" + title.leftJustified(30, '\0', true) + artist.leftJustified(30, '\0', true)
        + QByteArray(30 + 4 + 30, '\0') + char(i % 148);
}

QByteArray id3v2(int i)
{
    QByteArray body;
    for (const auto &[id, text] : {std::pair<QByteArray, QByteArray>{"TIT2", "Night Song " + QByteArray::number(i)},
                                   std::pair<QByteArray, QByteArray>{"TPE1", "The Night Owls"}}) {
        const QByteArray data = '\3' + text; // UTF-8
        body += id + char(0) + char(0) + char(0) + char(data.size()) + QByteArray(2, '\0') + data;
    }
    return QByteArray("ID3\x03\x00\x00\x00\x00\x00", 9) + char(body.size()) + body;
}

// Half the files with an ID3v1 tag, a quarter with only an ID3v2 tag, a
// quarter of untagged WAVs named by their artist folder.
QList<QUrl> makeFiles(const QString &music)
{
    QList<QUrl> urls;
    for (int i = 0; i < kFiles; ++i) {
        QString path;
        switch (i % 4) {
        case 0:
        case 1:
            path = music + QStringLiteral("v1/%1.mp3").arg(i);
            write(path, audio() + id3v1(i));
            break;
        case 2:
            path = music + QStringLiteral("v2/%1.mp3").arg(i);
            write(path, id3v2(i) + audio());
            break;
        default:
            path = music + QStringLiteral("Artist %1/Take %2.wav").arg(i % 10).arg(i);
            write(path, "RIFF....WAVEfmt " + QByteArray(200, '\0'));
            break;
        }
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

void BM_Drop1000Files(benchmark::State &state)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    const QString profile = home.path() + QStringLiteral("/profile/");
    const QString music = home.path() + QStringLiteral("/music/");
    QDir().mkpath(profile);
    write(profile + QStringLiteral("Kalvuno.ini"),
          ("[General]\r\nSetup=1\r\nBrowse=0\r\nDownload=" + music + "\r\n").toUtf8());
    QMimeData data;
    data.setUrls(makeFiles(music));
    TFo_Kalvuno w(profile, {});
    w.show();
    QListView *list = w.playlistPanel()->LB_Play;
    int writes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.playback().StopPlayback();
        w.playlistPanel()->clear();
        QCoreApplication::processEvents();
        const int writesBefore = w.playlist().file()->fileWrites();
        state.ResumeTiming();

        const QPoint at = list->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &drop);
        while (w.playlist().count() < kFiles)
            QCoreApplication::processEvents();

        state.PauseTiming();
        writes = w.playlist().file()->fileWrites() - writesBefore;
        w.playback().pending = {};
        state.ResumeTiming();
    }
    state.counters["files"] = kFiles;
    state.counters["Current.ini writes"] = writes;
    w.close();
}
BENCHMARK(BM_Drop1000Files)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv) { return runBenchmarksWithGui(argc, argv); }
