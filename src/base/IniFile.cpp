#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QVarLengthArray>
#include <algorithm>
#include <sys/stat.h>

namespace kalvuno {

namespace {

// Above this many lines a section gets a hash index of its keys; below it a
// scan is cheaper than keeping one.
constexpr size_t kIndexedSectionLines = 16;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

char16_t foldAscii(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
}

// The innermost step of every key lookup: kept inline in each of its callers.
[[gnu::always_inline]] inline bool sameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x += 32;
        if (y >= u'A' && y <= u'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}

// A line break inside a value or name would split the line and could make up
// a section of its own; such characters cannot be stored and become blanks.
QString singleLine(QStringView s)
{
    QString out = s.toString();
    for (QChar &c : out)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return out;
}

// "[name]" -> name; returns false for lines that are no section header. The
// name runs to the last "]": entry keys such as "/music/[2001] Best/01.mp3"
// hold brackets of their own.
bool parseHeader(QStringView line, QStringView &name)
{
    QStringView t = trimBlanks(line);
    if (!t.startsWith(u'['))
        return false;
    t = t.sliced(1);
    const qsizetype close = t.lastIndexOf(u']');
    name = trimBlanks(close < 0 ? t : t.first(close));
    return true;
}

// A key may hold "=" (a URL with a query names a download), but a key line
// ends at its first "=": in a stored key "=" is written "%3D" and "%" is
// written "%25". A key that starts with "[" would read back as a section
// header, so that "[" is written "%5B". Only a key whose every "%" starts one
// of these escapes reads as escaped; any other "%" marks a key written before
// keys were escaped, and that key is its text as it stands.
bool isKeyEscape(QStringView s, qsizetype at)
{
    return at + 2 < s.size()
        && ((s[at + 1] == u'2' && s[at + 2] == u'5') || (s[at + 1] == u'3' && s[at + 2] == u'D')
            || (s[at + 1] == u'5' && s[at + 2] == u'B'));
}

// The character of an escape that isKeyEscape() accepted, by its first digit.
QChar escapedChar(QChar digit) { return digit == u'2' ? u'%' : digit == u'3' ? u'=' : u'['; }

bool hasKeyEscapes(QStringView stored)
{
    qsizetype at = stored.indexOf(u'%');
    if (at < 0)
        return false;
    for (; at < stored.size(); ++at) {
        if (stored[at] != u'%')
            continue;
        if (!isKeyEscape(stored, at))
            return false;
        at += 2;
    }
    return true;
}

QString escapeKey(const QString &key)
{
    if (!key.contains(u'%') && !key.contains(u'=') && !key.startsWith(u'['))
        return key;
    QString out;
    out.reserve(key.size() + 8);
    for (QChar c : key) {
        if (c == u'[' && out.isEmpty())
            out += u"%5B";
        else if (c == u'%')
            out += u"%25";
        else if (c == u'=')
            out += u"%3D";
        else
            out += c;
    }
    return out;
}

// Only for keys that hasKeyEscapes() accepted.
QString unescapeKey(QStringView stored)
{
    QString out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == u'%') {
            out += escapedChar(stored[i + 1]);
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}

// sameName() of an escaped stored key, unescaped on the fly.
bool sameUnescapedName(QStringView stored, QStringView name)
{
    qsizetype j = 0;
    for (qsizetype i = 0; i < stored.size(); ++i, ++j) {
        if (j >= name.size())
            return false;
        if (stored[i] == u'%') {
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
size_t foldedHash(QStringView name)
{
    QVarLengthArray<char16_t, 256> folded(name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = foldAscii(name[i]);
    return qHash(QStringView(folded.constData(), folded.size()), 0);
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

int parseIniInteger(QStringView text, int defaultValue)
{
    QStringView t = trimBlanks(text);
    bool negative = false;
    if (!t.isEmpty() && (t[0] == u'+' || t[0] == u'-')) {
        negative = t[0] == u'-';
        t = t.sliced(1);
    }
    if (t.isEmpty())
        return defaultValue;
    long long value = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return defaultValue;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 2147483648LL)
            return defaultValue;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return defaultValue;
    return int(value);
}

QStringView IniFile::LineRef::key(const QString &text) const
{
    return equals < 0 ? QStringView() : trimBlanks(QStringView(text).sliced(start, equals));
}

QString IniFile::LineRef::name(const QString &text) const
{
    return escaped ? unescapeKey(key(text)) : key(text).toString();
}

QStringView IniFile::LineRef::value(const QString &text) const
{
    return QStringView(text).sliced(start + equals + 1, length - equals - 1);
}

IniFile::LineRef IniFile::Section::lineAt(qsizetype at) const
{
    LineRef l;
    l.start = at;
    // One pass over the key for its "=" and any "%" in it: keys are short, and
    // a plain loop beats two search calls on them. The value, often a long
    // address, is skipped by a search for the line's end.
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    bool percent = false;
    qsizetype i = at;
    for (; i < n && p[i] != u'\n'; ++i) {
        if (p[i] == u'=') {
            l.equals = i - at;
            const qsizetype end = text.indexOf(u'\n', i + 1);
            i = end < 0 ? n : end;
            break;
        }
        percent = percent || p[i] == u'%';
    }
    l.length = i - at;
    l.escaped = percent && l.equals > 0 && hasKeyEscapes(QStringView(text).sliced(at, l.equals));
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
IniFile::LineRef IniFile::Section::findKey(QStringView key) const
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
    const QString wanted = foldIniName(key);
    qsizetype i = ix.names.value(wanted, -1);
    if (i < 0 && !ix.storedNames.isEmpty())
        i = ix.storedNames.value(wanted, -1);
    return i < 0 ? LineRef() : lineAt(ix.starts[size_t(i)]);
}

IniFile::LineRef IniFile::Section::findKeyAmongEscaped(QStringView key) const
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

void IniFile::Section::setValue(const LineRef &line, QStringView value)
{
    const qsizetype from = line.start + line.equals + 1;
    const qsizetype oldLength = line.length - line.equals - 1;
    text.replace(from, oldLength, value.data(), value.size());
    if (!keyIndex)
        return;
    // The lines after this one move by the change in length.
    const qsizetype shift = value.size() - oldLength;
    auto &starts = keyIndex->starts;
    for (auto it = std::upper_bound(starts.begin(), starts.end(), line.start); it != starts.end(); ++it)
        *it += shift;
}

void IniFile::Section::insertLine(qsizetype at, const QString &line)
{
    const bool atEnd = at == text.size();
    text.insert(at, line + u'\n');
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

void IniFile::KeyIndex::add(const QString &text, const LineRef &line, qsizetype number, bool replace)
{
    if (line.equals < 0)
        return;
    const QString name = foldIniName(line.name(text));
    if (replace || !names.contains(name))
        names.insert(name, number);
    if (!line.escaped)
        return;
    const QString stored = foldIniName(line.key(text));
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

    // The lines of a stretch of file text, each ended by "\n" whatever break it
    // had (CR LF, a lone CR or a lone LF), the last one too.
    QString normalizedLines(QStringView span)
    {
        QString out(span.size() + 1, Qt::Uninitialized);
        QChar *w = out.data();
        const QChar *p = span.data();
        const qsizetype n = span.size();
        for (qsizetype i = 0; i < n; ++i) {
            if (p[i] == u'\r') {
                *w++ = u'\n';
                if (i + 1 < n && p[i + 1] == u'\n')
                    ++i;
            } else {
                *w++ = p[i];
            }
        }
        if (w != out.data() && w[-1] != u'\n')
            *w++ = u'\n';
        out.resize(w - out.data());
        return out;
    }

} // namespace

void IniFile::parse(QStringView text)
{
    // Each section's stretch of text is copied once, when the next header (or
    // the end) shows where it ends.
    Section *target = &m_preamble;
    qsizetype targetStart = 0;
    const auto finish
        = [&](qsizetype end) { target->text = normalizedLines(text.sliced(targetStart, end - targetStart)); };
    const qsizetype n = text.size();
    for (qsizetype pos = 0; pos < n;) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.sliced(pos, end - pos);
        QStringView name;
        if (parseHeader(line, name)) {
            finish(pos);
            Section &section = m_sections.emplace_back();
            section.bodyStart = line.size() + 1;
            section.nameStart = name.data() - line.data();
            section.nameLength = name.size();
            target = &section;
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
    QString out(total, Qt::Uninitialized);
    QChar *w = out.data();
    const auto put = [&w](const QString &text) {
        for (const QChar c : text) {
            if (c == u'\n')
                *w++ = u'\r';
            *w++ = c;
        }
    };
    put(m_preamble.text);
    for (const Section &s : m_sections)
        put(s.text);
    out.resize(w - out.data());
    return out;
}

qsizetype IniFile::findSectionIndex(QStringView name) const
{
    const QStringView wanted = trimBlanks(name);
    const qsizetype i = m_sectionIndex.value(foldedHash(wanted), -1);
    if (i < 0 || sameName(m_sections[size_t(i)].name(), wanted))
        return i;
    // Another name with the same hash came first.
    for (size_t j = 0; j < m_sections.size(); ++j)
        if (sameName(m_sections[j].name(), wanted))
            return qsizetype(j);
    return -1;
}

const IniFile::Section *IniFile::findSection(QStringView name) const
{
    const qsizetype i = findSectionIndex(name);
    return i < 0 ? nullptr : &m_sections[size_t(i)];
}

IniFile::Section *IniFile::findSection(QStringView name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const Section *s = findSection(section);
    const LineRef l = s ? s->findKey(trimBlanks(key)) : LineRef();
    return l.found() ? l.value(s->text).toString() : defaultValue;
}

int IniFile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    const Section *s = findSection(section);
    const LineRef l = s ? s->findKey(trimBlanks(key)) : LineRef();
    return l.found() ? parseIniInteger(l.value(s->text), defaultValue) : defaultValue;
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
        names.append(s.name().toString());
    return names;
}

QList<std::pair<QString, QString>> IniFile::sectionEntries(QStringView section) const
{
    QList<std::pair<QString, QString>> entries;
    if (const Section *s = findSection(section))
        s->forEachLine([&](const LineRef &l) {
            if (l.equals >= 0) {
                const QStringView stored = QStringView(s->text).sliced(l.start, l.equals);
                entries.append({ l.escaped ? unescapeKey(stored) : stored.toString(), l.value(s->text).toString() });
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
    const QString cleanKey = singleLine(trimBlanks(key));
    const QString cleanValue = singleLine(value);
    Section *s = findSection(section);
    if (!s) {
        const QString name = singleLine(trimBlanks(section));
        Section &fresh = m_sections.emplace_back();
        fresh.text = u'[' + name + QStringLiteral("]\n");
        fresh.nameStart = 1;
        fresh.nameLength = name.size();
        fresh.bodyStart = fresh.text.size();
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
        if (!trimBlanks(QStringView(s->text).sliced(l.start, l.length)).isEmpty())
            at = l.start + l.length + 1;
        return true;
    });
    s->insertLine(at, escapeKey(cleanKey) + u'=' + cleanValue);
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
    Section *s = findSection(section);
    if (!s)
        return finishChange(false);
    m_sections.erase(m_sections.begin() + (s - m_sections.data()));
    rebuildSectionIndex();
    return finishChange(true);
}

bool IniFile::eraseKey(QStringView section, QStringView key)
{
    beginChange();
    Section *s = findSection(section);
    const LineRef l = s ? s->findKey(trimBlanks(key)) : LineRef();
    if (!l.found())
        return finishChange(false);
    s->eraseLine(l);
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
        const qsizetype i = findSectionIndex(name);
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
