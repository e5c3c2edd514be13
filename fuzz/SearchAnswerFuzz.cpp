// A search answer, stored as SearchSongs stores it, then the current playlist
// on that file: after every load, selection, move and removal the list holds
// exactly the file's sections in the file's order, and loading again gives
// the same list.
//
// Input: one byte of flags (bit 0: append to the list already there), one
// byte per step (the first kMaxSteps count), a "\0" and then the answer's body.
#include "CurrentPlaylist.h"
#include "FuzzSupport.h"
#include "HttpTransport.h"
#include "IniFile.h"
#include "SearchSongs.h"

#include <QFile>
#include <QSet>

using namespace kalvuno;

namespace {

// Every step reads the file twice; a long run of them says little more than a few dozen.
constexpr qsizetype kMaxSteps = 32;

// The list of a file as a fresh reader sees it.
QStringList sectionsOnDisk(const QString &path)
{
    return IniFile(path).sectionNames();
}

void checkAgrees(const CurrentPlaylist &list)
{
    const QStringList onDisk = sectionsOnDisk(list.path());
    FUZZ_CHECK(list.keys() == onDisk);
    FUZZ_CHECK(list.titles().size() == list.count());
    FUZZ_CHECK(list.count() == 0 ? list.selected() == -1 : list.selected() >= 0 && list.selected() < list.count());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype end = input.indexOf('\0');
    if (end < 1)
        return 0;
    const bool append = (input[0] & 1) != 0;
    const QByteArray steps = input.sliced(1, std::min(end - 1, kMaxSteps));
    const QStringList answer = answerLines(input.sliced(end + 1));

    const QString path = fuzz::tempPath(QStringLiteral("Current.ini"));
    QFile::remove(path);
    if (append) {
        // A list already there, in the form of the tests' fixtures.
        QFile old(path);
        FUZZ_CHECK(old.open(QIODevice::WriteOnly));
        old.write("[old]\r\nTitle=\x8b\xc8\r\n[/m/[2001] Best/01.mp3]\r\nTitle=best\r\n");
    }
    const QStringList oldKeys = sectionsOnDisk(path);
    FUZZ_CHECK(storeSearchAnswer(answer, path, append) == SearchOutcome::Done);

    // No key twice, and an added answer keeps what was there, in front.
    const QStringList stored = sectionsOnDisk(path);
    QSet<QString> folded;
    for (const QString &key : stored)
        folded.insert(foldIniName(key));
    FUZZ_CHECK(folded.size() == stored.size());
    FUZZ_CHECK(stored.first(std::min(stored.size(), oldKeys.size())) == oldKeys);

    CurrentPlaylist list(path);
    list.load(0, true);
    checkAgrees(list);
    for (const char step : steps) {
        const int code = static_cast<unsigned char>(step);
        switch (code % 4) {
        case 0:
            list.select(code / 4 - 1);
            if (list.selected() < 0)
                list.select(0);
            break;
        case 1:
            FUZZ_CHECK(list.moveSelectedUp());
            break;
        case 2:
            FUZZ_CHECK(list.moveSelectedDown());
            break;
        case 3: {
            const int before = list.count();
            const QString gone = list.selectedKey();
            FUZZ_CHECK(list.removeSelected());
            FUZZ_CHECK(list.count() == (gone.isNull() ? before : before - 1));
            FUZZ_CHECK(gone.isNull() || !list.keys().contains(gone, Qt::CaseInsensitive));
            break;
        }
        }
        checkAgrees(list);
        const QStringList keys = list.keys();
        const int selected = list.selected();
        list.load(selected, false);
        FUZZ_CHECK(list.keys() == keys);
        FUZZ_CHECK(list.selected() == selected || (selected < 0 && list.selected() <= 0));
    }
    return 0;
}
