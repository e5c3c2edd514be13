#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QVarLengthArray>
#include <algorithm>
#include <sys/stat.h>

namespace kalvuno {

namespace {

// Above this many lines a section gets a hash index of its keys; below it a
// scan is cheaper than keeping one.
constexpr size_t kIndexedSectionLines = 16;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

template <typename View> View trimBlanks(View s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

// The innermost step of every key lookup: kept inline in each of its callers.
// ASCII letters fold; every other byte of UTF-8, lead or continuation, is
// outside 'A'..'Z' and compares as it is.
[[gnu::always_inline]] inline bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

QByteArray foldName(QByteArrayView name)
{
    QByteArray out(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = foldAscii(name[i]);
    return out;
}

// A name, key or value given to us, in the UTF-8 the sections hold. Short
// texts, all names and keys, are converted on the stack.
class Utf8
{
public:
    explicit Utf8(QStringView text)
    {
        // Names and keys are nearly always ASCII, which needs no encoder.
        m_bytes.resize(text.size());
        qsizetype i = 0;
        for (; i < text.size() && text[i].unicode() < 0x80; ++i)
            m_bytes[i] = char(text[i].unicode());
        if (i == text.size())
            return;
        QStringEncoder encoder(QStringEncoder::Utf8);
        m_bytes.resize(encoder.requiredSpace(text.size()));
        m_bytes.resize(encoder.appendToBuffer(m_bytes.data(), text) - m_bytes.data());
    }
    QByteArrayView view() const { return QByteArrayView(m_bytes.constData(), m_bytes.size()); }

private:
    QVarLengthArray<char, 256> m_bytes;
};

// A line break inside a value or name would split the line and could make up
// a section of its own; such characters cannot be stored and become blanks.
QByteArray singleLine(QStringView s)
{
    QByteArray out = s.toUtf8();
    for (char &c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

// "[name]" -> name; returns false for lines that are no section header. The
// name runs to the last "]": entry keys such as "/music/[2001] Best/01.mp3"
// hold brackets of their own.
template <typename View, typename Char> bool parseHeader(View line, View &name, Char open, Char close)
{
    View t = trimBlanks(line);
    if (!t.startsWith(open))
        return false;
    t = t.sliced(1);
    const qsizetype end = t.lastIndexOf(close);
    name = trimBlanks(end < 0 ? t : t.first(end));
    return true;
}

// A key may hold "=" (a URL with a query names a download), but a key line
// ends at its first "=": in a stored key "=" is written "%3D" and "%" is
// written "%25". A key that starts with "[" would read back as a section
// header, so that "[" is written "%5B". Only a key whose every "%" starts one
// of these escapes reads as escaped; any other "%" marks a key written before
// keys were escaped, and that key is its text as it stands.
bool isKeyEscape(QByteArrayView s, qsizetype at)
{
    return at + 2 < s.size()
        && ((s[at + 1] == '2' && s[at + 2] == '5') || (s[at + 1] == '3' && s[at + 2] == 'D')
            || (s[at + 1] == '5' && s[at + 2] == 'B'));
}

// The character of an escape that isKeyEscape() accepted, by its first digit.
char escapedChar(char digit) { return digit == '2' ? '%' : digit == '3' ? '=' : '['; }

bool hasKeyEscapes(QByteArrayView stored)
{
    qsizetype at = stored.indexOf('%');
    if (at < 0)
        return false;
    for (; at < stored.size(); ++at) {
        if (stored[at] != '%')
            continue;
        if (!isKeyEscape(stored, at))
            return false;
        at += 2;
    }
    return true;
}

QByteArray escapeKey(const QByteArray &key)
{
    if (!key.contains('%') && !key.contains('=') && !key.startsWith('['))
        return key;
    QByteArray out;
    out.reserve(key.size() + 8);
    for (char c : key) {
        if (c == '[' && out.isEmpty())
            out += "%5B";
        else if (c == '%')
            out += "%25";
        else if (c == '=')
            out += "%3D";
        else
            out += c;
    }
    return out;
}

// Only for keys that hasKeyEscapes() accepted.
QByteArray unescapeKey(QByteArrayView stored)
{
    QByteArray out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == '%') {
            out += escapedChar(stored[i + 1]);
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}

// sameName() of an escaped stored key, unescaped on the fly.
bool sameUnescapedName(QByteArrayView stored, QByteArrayView name)
{
    qsizetype j = 0;
    for (qsizetype i = 0; i < stored.size(); ++i, ++j) {
        if (j >= name.size())
            return false;
        if (stored[i] == '%') {
            if (name[j] != escapedChar(stored[i + 1]))
                return false;
            i += 2;
        } else if (foldAscii(stored[i]) != foldAscii(name[j])) {
            return false;
        }
    }
    return j == name.size();
}

// The hash of a name as names compare: ASCII letters folded. Short names,
// all real ones, are folded on the stack.
size_t foldedHash(QByteArrayView name)
{
    QVarLengthArray<char, 256> folded(name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = foldAscii(name[i]);
    return qHash(QByteArrayView(folded.constData(), folded.size()), 0);
}

int codeOf(QChar c) { return c.unicode(); }
int codeOf(char c) { return static_cast<unsigned char>(c); }

template <typename View> int parseInteger(View text, int defaultValue)
{
    View t = trimBlanks(text);
    bool negative = false;
    if (!t.isEmpty() && (codeOf(t[0]) == '+' || codeOf(t[0]) == '-')) {
        negative = codeOf(t[0]) == '-';
        t = t.sliced(1);
    }
    if (t.isEmpty())
        return defaultValue;
    long long value = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const int digit = codeOf(t[i]) - '0';
        if (digit < 0 || digit > 9)
            return defaultValue;
        value = value * 10 + digit;
        if (value > 2147483648LL)
            return defaultValue;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return defaultValue;
    return int(value);
}

} // namespace

QString foldIniName(QStringView name)
{
    QString out = name.toString();
    for (QChar &c : out)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

int parseIniInteger(QStringView text, int defaultValue) { return parseInteger(text, defaultValue); }

QByteArrayView IniFile::LineRef::key(const QByteArray &text) const
{
    return equals < 0 ? QByteArrayView() : trimBlanks(QByteArrayView(text).sliced(start, equals));
}

QByteArray IniFile::LineRef::name(const QByteArray &text) const
{
    return escaped ? unescapeKey(key(text)) : key(text).toByteArray();
}

QByteArrayView IniFile::LineRef::value(const QByteArray &text) const
{
    return QByteArrayView(text).sliced(start + equals + 1, length - equals - 1);
}

void IniFile::Section::findHeader()
{
    const qsizetype end = text.indexOf('\n');
    const QByteArrayView line = QByteArrayView(text).first(end < 0 ? text.size() : end);
    QByteArrayView found;
    parseHeader(line, found, '[', ']');
    nameStart = found.data() - line.data();
    nameLength = found.size();
    bodyStart = end < 0 ? text.size() : end + 1;
}

IniFile::LineRef IniFile::Section::lineAt(qsizetype at) const
{
    LineRef l;
    l.start = at;
    // One pass over the key for its "=" and any "%" in it: keys are short, and
    // a plain loop beats two search calls on them. The value, often a long
    // address, is skipped by a search for the line's end.
    const char *p = text.constData();
    const qsizetype n = text.size();
    bool percent = false;
    qsizetype i = at;
    for (; i < n && p[i] != '\n'; ++i) {
        if (p[i] == '=') {
            l.equals = i - at;
            const qsizetype end = text.indexOf('\n', i + 1);
            i = end < 0 ? n : end;
            break;
        }
        percent = percent || p[i] == '%';
    }
    l.length = i - at;
    l.escaped = percent && l.equals > 0 && hasKeyEscapes(QByteArrayView(text).sliced(at, l.equals));
    return l;
}

template <typename F> void IniFile::Section::forEachLine(F &&f) const
{
    for (qsizetype at = bodyStart; at < text.size();) {
        const LineRef l = lineAt(at);
        if (!f(l))
            return;
        at += l.length + 1;
    }
}

const IniFile::KeyIndex &IniFile::Section::index() const
{
    if (!keyIndex) {
        keyIndex = std::make_unique<KeyIndex>();
        std::vector<LineRef> lines;
        forEachLine([&](const LineRef &l) {
            lines.push_back(l);
            return true;
        });
        keyIndex->names.reserve(qsizetype(lines.size()));
        keyIndex->starts.reserve(lines.size());
        for (const LineRef &l : lines)
            keyIndex->starts.push_back(l.start);
        // Backwards, so that the first of two equal keys is the one kept.
        for (size_t i = lines.size(); i-- > 0;)
            keyIndex->add(text, lines[i], qsizetype(i), true);
    }
    return *keyIndex;
}

// Every key lookup comes here. A key asked for matches a stored key by the
// stored key's unescaped text; failing that, by its text as stored, so that
// a key written before keys were escaped ("a%3Db") still reads by that name.
IniFile::LineRef IniFile::Section::findKey(QByteArrayView key) const
{
    if (!keyIndex) {
        // Short sections, nearly all of them, are scanned; a section found to
        // be long gets its index. Escaped keys take the slower scan.
        LineRef found;
        size_t lines = 0;
        bool escaped = false;
        forEachLine([&](const LineRef &l) {
            if (++lines > kIndexedSectionLines)
                return false;
            escaped = l.escaped;
            if (!escaped && l.equals >= 0 && sameName(l.key(text), key))
                found = l;
            return !escaped && !found.found();
        });
        if (found.found())
            return found;
        if (escaped) {
            lines = 0;
            forEachLine([&](const LineRef &) { return ++lines <= kIndexedSectionLines; });
            if (lines <= kIndexedSectionLines)
                return findKeyAmongEscaped(key);
        } else if (lines <= kIndexedSectionLines) {
            return found;
        }
    }
    const KeyIndex &ix = index();
    const QByteArray wanted = foldName(key);
    qsizetype i = ix.names.value(wanted, -1);
    if (i < 0 && !ix.storedNames.isEmpty())
        i = ix.storedNames.value(wanted, -1);
    return i < 0 ? LineRef() : lineAt(ix.starts[size_t(i)]);
}

IniFile::LineRef IniFile::Section::findKeyAmongEscaped(QByteArrayView key) const
{
    LineRef found;
    forEachLine([&](const LineRef &l) {
        if (l.equals >= 0 && (l.escaped ? sameUnescapedName(l.key(text), key) : sameName(l.key(text), key)))
            found = l;
        return !found.found();
    });
    if (!found.found())
        forEachLine([&](const LineRef &l) {
            if (l.escaped && sameName(l.key(text), key))
                found = l;
            return !found.found();
        });
    return found;
}

void IniFile::Section::setValue(const LineRef &line, QByteArrayView value)
{
    const qsizetype from = line.start + line.equals + 1;
    const qsizetype oldLength = line.length - line.equals - 1;
    text.replace(from, oldLength, value);
    if (!keyIndex)
        return;
    // The lines after this one move by the change in length.
    const qsizetype shift = value.size() - oldLength;
    auto &starts = keyIndex->starts;
    for (auto it = std::upper_bound(starts.begin(), starts.end(), line.start); it != starts.end(); ++it)
        *it += shift;
}

void IniFile::Section::insertLine(qsizetype at, const QByteArray &line)
{
    const bool atEnd = at == text.size();
    text.insert(at, line + '\n');
    if (atEnd && keyIndex) {
        keyIndex->starts.push_back(at);
        keyIndex->add(text, lineAt(at), qsizetype(keyIndex->starts.size()) - 1, false);
    } else {
        invalidateIndex();
    }
}

void IniFile::Section::eraseLine(const LineRef &line)
{
    text.remove(line.start, line.length + 1);
    invalidateIndex();
}

void IniFile::KeyIndex::add(const QByteArray &text, const LineRef &line, qsizetype number, bool replace)
{
    if (line.equals < 0)
        return;
    const QByteArray name = foldName(line.name(text));
    if (replace || !names.contains(name))
        names.insert(name, number);
    if (!line.escaped)
        return;
    const QByteArray stored = foldName(line.key(text));
    if (replace || !storedNames.contains(stored))
        storedNames.insert(stored, number);
}

IniFile::IniFile(QString path) : m_path(std::move(path)) { reload(); }

IniFile::~IniFile() = default;

IniFile::Stamp IniFile::stampOf(const QString &path)
{
    struct stat st;
    Stamp s;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

bool IniFile::reload()
{
    const Stamp stamp = stampOf(m_path);
    QByteArray bytes;
    bool readable = true;
    if (stamp.exists) {
        QFile file(m_path);
        readable = file.open(QIODevice::ReadOnly);
        if (readable)
            bytes = file.readAll();
    }
    loadBytes(bytes);
    m_stamp = stamp;
    return readable;
}

void IniFile::loadBytes(const QByteArray &bytes)
{
    m_preamble = Section();
    m_sections.clear();
    m_sectionIndex.clear();
    const DecodedText decoded = decodeFileText(bytes);
    m_encoding = decoded.encoding;
    parse(decoded.text);
    m_stamp = Stamp();
}

namespace {

    // The lines of a stretch of file text as UTF-8, each ended by "\n"
    // whatever break it had (CR LF, a lone CR or a lone LF), the last one too.
    // The text is converted into scratch, which the sections of one file
    // share, and copied from there into a string of its exact size.
    QByteArray normalizedLines(QStringView span, QByteArray &scratch)
    {
        QStringEncoder encoder(QStringEncoder::Utf8);
        const qsizetype room = encoder.requiredSpace(span.size()) + 1;
        if (scratch.size() < room)
            scratch.resize(room);
        const char *p = scratch.constData();
        const qsizetype n = encoder.appendToBuffer(scratch.data(), span) - p;
        qsizetype length = n;
        for (qsizetype i = 0; i + 1 < n; ++i)
            if (p[i] == '\r' && p[i + 1] == '\n')
                --length;
        const bool open = n > 0 && p[n - 1] != '\n' && p[n - 1] != '\r';
        QByteArray out(length + (open ? 1 : 0), Qt::Uninitialized);
        char *w = out.data();
        for (qsizetype i = 0; i < n; ++i) {
            if (p[i] == '\r') {
                *w++ = '\n';
                if (i + 1 < n && p[i + 1] == '\n')
                    ++i;
            } else {
                *w++ = p[i];
            }
        }
        if (open)
            *w++ = '\n';
        return out;
    }

} // namespace

void IniFile::parse(QStringView text)
{
    // Each section's stretch of text is copied once, when the next header (or
    // the end) shows where it ends.
    Section *target = &m_preamble;
    qsizetype targetStart = 0;
    QByteArray scratch;
    const auto finish = [&](qsizetype end) {
        target->text = normalizedLines(text.sliced(targetStart, end - targetStart), scratch);
        if (target != &m_preamble)
            target->findHeader();
    };
    const qsizetype n = text.size();
    for (qsizetype pos = 0; pos < n;) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        QStringView name;
        if (parseHeader(text.sliced(pos, end - pos), name, u'[', u']')) {
            finish(pos);
            target = &m_sections.emplace_back();
            targetStart = pos;
        }
        pos = end;
        if (pos < n && text[pos] == u'\r')
            ++pos;
        if (pos < n && text[pos] == u'\n' && (pos == end || text[end] == u'\r'))
            ++pos;
    }
    finish(n);
    m_sections.shrink_to_fit();
    rebuildSectionIndex();
}

void IniFile::rebuildSectionIndex()
{
    m_sectionIndex.clear();
    m_sectionIndex.reserve(qsizetype(m_sections.size()));
    // Backwards, so that the first of two equal names is the one kept.
    for (size_t i = m_sections.size(); i-- > 0;)
        m_sectionIndex.insert(foldedHash(m_sections[i].name()), qsizetype(i));
}

QString IniFile::serialize() const
{
    qsizetype total = m_preamble.text.size() * 2;
    for (const Section &s : m_sections)
        total += s.text.size() * 2;
    QByteArray out(total, Qt::Uninitialized);
    char *w = out.data();
    const auto put = [&w](const QByteArray &text) {
        for (const char c : text) {
            if (c == '\n')
                *w++ = '\r';
            *w++ = c;
        }
    };
    put(m_preamble.text);
    for (const Section &s : m_sections)
        put(s.text);
    return textFromUtf8(QByteArrayView(out.constData(), w - out.constData()));
}

qsizetype IniFile::findSectionIndex(QByteArrayView wanted) const
{
    const qsizetype i = m_sectionIndex.value(foldedHash(wanted), -1);
    if (i < 0 || sameName(m_sections[size_t(i)].name(), wanted))
        return i;
    // Another name with the same hash came first.
    for (size_t j = 0; j < m_sections.size(); ++j)
        if (sameName(m_sections[j].name(), wanted))
            return qsizetype(j);
    return -1;
}

const IniFile::Section *IniFile::findSection(QByteArrayView name) const
{
    const qsizetype i = findSectionIndex(name);
    return i < 0 ? nullptr : &m_sections[size_t(i)];
}

IniFile::Section *IniFile::findSection(QByteArrayView name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

const IniFile::Section *IniFile::findSection(QStringView name) const
{
    return findSection(Utf8(trimBlanks(name)).view());
}

std::pair<const IniFile::Section *, IniFile::LineRef> IniFile::findLine(QStringView section, QStringView key) const
{
    const Section *s = findSection(section);
    return {s, s ? s->findKey(Utf8(trimBlanks(key)).view()) : LineRef()};
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const auto [s, l] = findLine(section, key);
    return l.found() ? textFromUtf8(l.value(s->text)) : defaultValue;
}

int IniFile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    const auto [s, l] = findLine(section, key);
    return l.found() ? parseInteger(l.value(s->text), defaultValue) : defaultValue;
}

bool IniFile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::hasSection(QStringView section) const { return findSection(section) != nullptr; }

QStringList IniFile::sectionNames() const
{
    QStringList names;
    names.reserve(qsizetype(m_sections.size()));
    for (const Section &s : m_sections)
        names.append(textFromUtf8(s.name()));
    return names;
}

QList<std::pair<QString, QString>> IniFile::sectionEntries(QStringView section) const
{
    QList<std::pair<QString, QString>> entries;
    if (const Section *s = findSection(section))
        s->forEachLine([&](const LineRef &l) {
            if (l.equals >= 0) {
                const QByteArrayView stored = QByteArrayView(s->text).sliced(l.start, l.equals);
                entries.append({ textFromUtf8(l.escaped ? unescapeKey(stored) : stored),
                                 textFromUtf8(l.value(s->text)) });
            }
            return true;
        });
    return entries;
}

void IniFile::beginChange()
{
    // Within a batch the file was brought up to date by its first change.
    if (m_batchDepth > 0 && m_dirty)
        return;
    if (stampOf(m_path) != m_stamp)
        reload();
}

bool IniFile::finishChange(bool changed)
{
    m_dirty = m_dirty || changed;
    if (m_batchDepth > 0 || !m_dirty)
        return true;
    return save();
}

bool IniFile::writeString(QStringView section, QStringView key, QStringView value)
{
    beginChange();
    const QByteArray cleanKey = singleLine(trimBlanks(key));
    const QByteArray cleanValue = singleLine(value);
    const QByteArray name = singleLine(trimBlanks(section));
    Section *s = findSection(name);
    if (!s) {
        Section &fresh = m_sections.emplace_back();
        fresh.text = '[' + name + "]\n";
        fresh.findHeader();
        // A name whose hash an earlier section has is found by the scan.
        const size_t hash = foldedHash(fresh.name());
        if (!m_sectionIndex.contains(hash))
            m_sectionIndex.insert(hash, qsizetype(m_sections.size()) - 1);
        s = &fresh;
    }
    const LineRef found = s->findKey(cleanKey);
    if (found.found()) {
        if (found.value(s->text) == cleanValue)
            return finishChange(false);
        s->setValue(found, cleanValue);
        return finishChange(true);
    }
    // A new key goes after the last line of the section that is not blank, so
    // that the blank line separating it from the next section stays in place.
    qsizetype at = s->bodyStart;
    s->forEachLine([&](const LineRef &l) {
        if (!trimBlanks(QByteArrayView(s->text).sliced(l.start, l.length)).isEmpty())
            at = l.start + l.length + 1;
        return true;
    });
    s->insertLine(at, escapeKey(cleanKey) + '=' + cleanValue);
    return finishChange(true);
}

bool IniFile::writeInteger(QStringView section, QStringView key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(QStringView section, QStringView key, bool value)
{
    return writeString(section, key, value ? u"1" : u"0");
}

bool IniFile::eraseSection(QStringView section)
{
    beginChange();
    const Section *s = findSection(section);
    if (!s)
        return finishChange(false);
    m_sections.erase(m_sections.begin() + (s - m_sections.data()));
    rebuildSectionIndex();
    return finishChange(true);
}

bool IniFile::eraseKey(QStringView section, QStringView key)
{
    beginChange();
    const auto [found, l] = findLine(section, key);
    if (!l.found())
        return finishChange(false);
    m_sections[size_t(found - m_sections.data())].eraseLine(l);
    return finishChange(true);
}

bool IniFile::rewriteInSectionOrder(const QStringList &order)
{
    beginChange();
    // Every name is looked up before any section moves: a lookup reads the
    // names of the sections it meets.
    std::vector<size_t> picked;
    picked.reserve(size_t(order.size()));
    std::vector<bool> taken(m_sections.size(), false);
    for (const QString &name : order) {
        const qsizetype i = findSectionIndex(Utf8(trimBlanks(QStringView(name))).view());
        if (i < 0 || taken[size_t(i)])
            continue;
        taken[size_t(i)] = true;
        picked.push_back(size_t(i));
    }
    std::vector<Section> reordered;
    reordered.reserve(picked.size());
    for (const size_t i : picked)
        reordered.push_back(std::move(m_sections[i]));
    m_sections = std::move(reordered);
    rebuildSectionIndex();
    return finishChange(true);
}

void IniFile::beginBatch() { ++m_batchDepth; }

bool IniFile::endBatch()
{
    if (m_batchDepth > 0)
        --m_batchDepth;
    return finishChange(false);
}

bool IniFile::save()
{
    const EncodedText encoded = encodeFileText(serialize());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(encoded.bytes) != encoded.bytes.size() || !file.commit())
        return false;
    m_encoding = encoded.encoding;
    m_stamp = stampOf(m_path);
    m_dirty = false;
    ++m_fileWrites;
    return true;
}

} // namespace kalvuno
