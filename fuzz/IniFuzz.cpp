// The INI engine on any file: every key read before a write-back reads the
// same after it, and a value written through the engine reads back as written
// while the rest of the file stays as it was.
//
// Input: the file's bytes, optionally followed by "\0\0" and a write as
// CP932 "section\0key\0value".
#include "FuzzSupport.h"
#include "IniFile.h"
#include "TextCodec.h"

#include <QFile>
#include <QSet>
#include <algorithm>

using namespace kalvuno;

namespace {

struct SectionReads
{
    QString name;
    QList<std::pair<QString, QString>> entries;
    QStringList values; // readString of every key of entries, in their order
    bool operator==(const SectionReads &) const = default;
};

// Everything a reader can see: the first section of each name, with every key
// read through the lookup the program uses.
QList<SectionReads> readEverything(const IniFile &ini)
{
    QList<SectionReads> all;
    QSet<QString> seen;
    for (const QString &name : ini.sectionNames()) {
        if (seen.contains(foldIniName(name)))
            continue;
        seen.insert(foldIniName(name));
        SectionReads s { name, ini.sectionEntries(name), {} };
        for (const auto &[key, value] : s.entries)
            s.values.append(ini.readString(name, key, QStringLiteral("\x01missing")));
        all.append(std::move(s));
    }
    return all;
}

QList<SectionReads> without(QList<SectionReads> all, const QString &folded)
{
    all.removeIf([&](const SectionReads &s) { return foldIniName(s.name) == folded; });
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf(QByteArrayView("\0\0", 2));
    const QByteArray fileBytes = split < 0 ? input : input.first(split);
    const QString path = fuzz::tempPath(QStringLiteral("fuzz.ini"));
    QFile::remove(path);

    IniFile ini(path);
    ini.loadBytes(fileBytes);
    const QList<SectionReads> before = readEverything(ini);

    // Write back and read the file afresh: the same sections, keys and values.
    FUZZ_CHECK(ini.rewriteInSectionOrder(ini.sectionNames()));
    IniFile reread(path);
    FUZZ_CHECK(readEverything(reread) == before);

    if (split < 0)
        return 0;
    const QString write = decodeCp932(input.sliced(split + 2));
    const QList<QStringView> parts = QStringView(write).split(QChar(0));
    if (parts.size() != 3)
        return 0;
    const QString section = parts[0].toString();
    const QString key = parts[1].toString();
    const QString value = parts[2].toString();
    // Line breaks cannot be stored (they become blanks), and a name of blanks only names nothing.
    const auto storable = [](const QString &text) { return !text.contains(u'\r') && !text.contains(u'\n'); };
    const auto named = [](const QString &text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c != u' ' && c != u'\t'; });
    };
    if (!storable(section) || !storable(key) || !storable(value) || !named(section) || !named(key))
        return 0;
    FUZZ_CHECK(reread.writeString(section, key, value));
    FUZZ_CHECK(reread.readString(section, key) == value);
    IniFile written(path);
    FUZZ_CHECK(written.readString(section, key, QStringLiteral("\x01missing")) == value);
    // Names compare without their surrounding blanks.
    QStringView name = section;
    while (name.front() == u' ' || name.front() == u'\t')
        name = name.sliced(1);
    while (name.back() == u' ' || name.back() == u'\t')
        name.chop(1);
    FUZZ_CHECK(without(readEverything(written), foldIniName(name)) == without(before, foldIniName(name)));
    return 0;
}
