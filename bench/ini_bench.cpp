// Loading a big CP932 INI file and reading every key, against the floor of
// just reading and decoding its bytes.
#include "IniFile.h"
#include "TextCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace kalvuno;

namespace {

constexpr int kSections = 10000;
const char16_t *const kKeys[] = {u"Title", u"Artist", u"Genre", u"MP3", u"Home", u"MP3Count", u"Rank"};

const QString &benchFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.path() + QStringLiteral("/Current.ini");
        QString text;
        for (int i = 0; i < kSections; ++i) {
            const QString id = QStringLiteral("%1").arg(i, 16, 16, QChar(u'0'));
            text += u'[' + id + QStringLiteral("]\r\n");
            text += QStringLiteral("Title=夜明けの歌 第") + QString::number(i) + QStringLiteral("番\r\n");
            text += QStringLiteral("Artist=山田花子とカルテット\r\n");
            text += QStringLiteral("Genre=ポップス\r\n");
            text += QStringLiteral("MP3=http://localhost:8563/media/") + id + QStringLiteral(".mp3\r\n");
            text += QStringLiteral("Home=http://example.jp/~hanako/\r\n");
            text += QStringLiteral("MP3Count=") + QString::number(i * 7 % 1000) + QStringLiteral("\r\n");
            text += QStringLiteral("Rank=0102030405\r\n");
        }
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(*encodeCp932(text));
        return p;
    }();
    return path;
}

void BM_ReadAndDecodeBytes(benchmark::State &state)
{
    const QString &path = benchFile();
    for (auto _ : state) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QString text = decodeCp932(f.readAll());
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_ReadAndDecodeBytes)->Unit(benchmark::kMillisecond);

void BM_LoadAndReadEveryKey(benchmark::State &state)
{
    const QString &path = benchFile();
    for (auto _ : state) {
        IniFile ini(path);
        qsizetype total = 0;
        for (const QString &section : ini.sectionNames())
            for (const char16_t *key : kKeys)
                total += ini.readString(section, key).size();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_LoadAndReadEveryKey)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
