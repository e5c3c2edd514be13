#pragma once

#include "TextCodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace kalvuno {

// An INI file kept in memory and written through to disk.
//
// Section and key names match without regard to the case of ASCII letters;
// sections and keys stay in file order; a changed key keeps its place, a new
// key goes to the end of its section and a new section to the end of the file;
// lines we do not understand are kept as they are. Values are read exactly as
// written. When a section name occurs twice, reads and writes go to the first.
// A section line's name runs to the last "]" of the line. A key may hold "="
// and "%", and may start with "[": it is stored with them written "%3D",
// "%25" and "%5B", and a key stored before that rule still matches by its text
// as stored.
//
// Every write replaces the file atomically (temporary file and rename). Writes
// made between beginBatch() and endBatch() are written once, at the end.
// Before writing, a file that another process changed since we read it is
// read again, so two programs sharing a file do not undo each other's writes.
class IniFile
{
public:
    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile &) = delete;
    IniFile &operator=(const IniFile &) = delete;

    const QString &path() const { return m_path; }
    TextEncoding encoding() const { return m_encoding; }

    // Reads the file afresh from disk. A missing file reads as empty.
    // Returns false when the file exists but cannot be read.
    bool reload();
    // Takes the file's content from memory instead (an upload, say); a later
    // write still goes to the path.
    void loadBytes(const QByteArray &bytes);

    QString readString(QStringView section, QStringView key, const QString &defaultValue = QString()) const;
    int readInteger(QStringView section, QStringView key, int defaultValue) const;
    bool readBool(QStringView section, QStringView key, bool defaultValue) const;

    bool hasSection(QStringView section) const;
    QStringList sectionNames() const;
    // The key lines of a section, split at their first "=", in file order,
    // each key unescaped.
    QList<std::pair<QString, QString>> sectionEntries(QStringView section) const;

    // Each write returns false when the file could not be written; the value
    // is then kept in memory and goes to disk with the next successful write.
    bool writeString(QStringView section, QStringView key, QStringView value);
    bool writeInteger(QStringView section, QStringView key, int value);
    bool writeBool(QStringView section, QStringView key, bool value);
    bool eraseSection(QStringView section);
    bool eraseKey(QStringView section, QStringView key);

    // Puts the sections in the given order, as one atomic write. A name that
    // is no section is skipped, a name given twice counts once, and sections
    // not named are dropped. Each section keeps its lines as they are.
    bool rewriteInSectionOrder(const QStringList &order);

    void beginBatch();
    // Writes what the batch changed; false when that write failed.
    bool endBatch();

    // How many times this object has replaced the file on disk.
    int fileWrites() const { return m_fileWrites; }

private:
    // One line of a section: where it stands in the section's text.
    struct LineRef
    {
        qsizetype start = -1; // first byte; -1 for no line
        qsizetype length = 0; // without its line break
        qsizetype equals = -1; // position of the first "=" in the line, or -1 when it holds no key
        bool escaped = false;  // the stored key holds "%3D" or "%25" and nothing else after a "%"
        bool found() const { return start >= 0; }
        QByteArrayView key(const QByteArray &text) const; // as stored
        QByteArray name(const QByteArray &text) const; // unescaped
        QByteArrayView value(const QByteArray &text) const;
    };
    struct KeyIndex
    {
        QHash<QByteArray, qsizetype> names; // folded name -> number of the first line of that name
        QHash<QByteArray, qsizetype> storedNames; // the same for escaped keys as they are stored
        std::vector<qsizetype> starts; // where each line starts in the text
        void add(const QByteArray &text, const LineRef &line, qsizetype number, bool replace);
    };
    // A section held as one string of UTF-8: its header line (none for the
    // lines before the first section), then its lines, each ended by "\n".
    // One allocation per section, not one per line, and one byte for each of
    // the ASCII characters that make up most of a list (keys, addresses,
    // numbers), keep a list of tens of thousands of entries small and quick
    // to read.
    struct Section
    {
        QByteArray text;
        qsizetype bodyStart = 0; // the first line after the header
        qsizetype nameStart = 0;
        qsizetype nameLength = 0;
        mutable std::unique_ptr<KeyIndex> keyIndex; // built for long sections only
        QByteArrayView name() const { return QByteArrayView(text).sliced(nameStart, nameLength); }
        // Takes the header's place in text, which starts with the header line.
        void findHeader();
        LineRef lineAt(qsizetype start) const;
        // Calls f(line) for each line in order until f returns false.
        template <typename F> void forEachLine(F &&f) const;
        LineRef findKey(QByteArrayView key) const;
        LineRef findKeyAmongEscaped(QByteArrayView key) const;
        const KeyIndex &index() const;
        void setValue(const LineRef &line, QByteArrayView value);
        void insertLine(qsizetype at, const QByteArray &line);
        void eraseLine(const LineRef &line);
        void invalidateIndex() { keyIndex.reset(); }
    };
    struct Stamp
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        bool operator==(const Stamp &) const = default;
    };

    void parse(QStringView text);
    QString serialize() const;
    void rebuildSectionIndex();
    // Names here are UTF-8 without their surrounding blanks.
    qsizetype findSectionIndex(QByteArrayView name) const;
    const Section *findSection(QByteArrayView name) const;
    Section *findSection(QByteArrayView name);
    const Section *findSection(QStringView name) const;
    // The line of a key asked for, in the section of that name.
    std::pair<const Section *, LineRef> findLine(QStringView section, QStringView key) const;
    // Reads the file again when another process changed it since we did.
    void beginChange();
    bool finishChange(bool changed);
    bool save();
    static Stamp stampOf(const QString &path);

    QString m_path;
    TextEncoding m_encoding = TextEncoding::Cp932;
    Section m_preamble; // the lines before the first section; it has no header
    std::vector<Section> m_sections;
    // The hash of a folded name -> the first section whose name has that hash.
    // Names are not copied into the index: a lookup checks the name it finds
    // and, in the rare case of two names with one hash, scans the sections.
    QHash<size_t, qsizetype> m_sectionIndex;
    Stamp m_stamp;
    int m_batchDepth = 0;
    bool m_dirty = false;
    int m_fileWrites = 0;
};

// Groups the writes of one operation into a single write of the file.
class IniBatch
{
public:
    explicit IniBatch(IniFile &file) : m_file(file) { m_file.beginBatch(); }
    ~IniBatch()
    {
        if (!m_done)
            m_file.endBatch();
    }
    IniBatch(const IniBatch &) = delete;
    IniBatch &operator=(const IniBatch &) = delete;
    bool commit()
    {
        m_done = true;
        return m_file.endBatch();
    }

private:
    IniFile &m_file;
    bool m_done = false;
};

// ASCII-only case folding, as INI names compare.
QString foldIniName(QStringView name);

// A decimal integer with optional blanks around it and an optional sign;
// anything else, or a value beyond 32 bits, gives the default.
int parseIniInteger(QStringView text, int defaultValue);

} // namespace kalvuno
