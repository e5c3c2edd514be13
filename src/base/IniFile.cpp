#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
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

IniFile::Line::Line(QString lineText) : text(std::move(lineText))
{
    // One pass for the "=" and any "%" before it: keys are short, and a plain
    // loop beats two search calls on them.
    const QChar *p = text.constData();
    bool percent = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = p[i].unicode();
        if (c == u'=') {
            equals = i;
            break;
        }
        percent = percent || c == u'%';
    }
    escaped = percent && equals > 0 && hasKeyEscapes(QStringView(text).first(equals));
}

QStringView IniFile::Line::key() const
{
    return equals < 0 ? QStringView() : trimBlanks(QStringView(text).first(equals));
}

QString IniFile::Line::name() const { return escaped ? unescapeKey(key()) : key().toString(); }

// Every key lookup comes here. A key asked for matches a stored key by the
// stored key's unescaped text; failing that, by its text as stored, so that
// a key written before keys were escaped ("a%3Db") still reads by that name.
qsizetype IniFile::Section::findKey(QStringView key) const
{
    if (lines.size() <= kIndexedSectionLines) {
        // Sections without escaped keys, nearly all of them, take the plain scan.
        for (size_t i = 0; i < lines.size(); ++i) {
            const Line &l = lines[i];
            if (l.escaped)
                return findKeyAmongEscaped(key);
            if (l.equals >= 0 && sameName(l.key(), key))
                return qsizetype(i);
        }
        return -1;
    }
    if (!keyIndex) {
        keyIndex = std::make_unique<KeyIndex>();
        keyIndex->names.reserve(qsizetype(lines.size()));
        // Backwards, so that the first of two equal keys is the one kept.
        for (size_t i = lines.size(); i-- > 0;)
            keyIndex->add(lines[i], qsizetype(i), true);
    }
    const QString wanted = foldIniName(key);
    const qsizetype i = keyIndex->names.value(wanted, -1);
    return i >= 0 || keyIndex->storedNames.isEmpty() ? i : keyIndex->storedNames.value(wanted, -1);
}

qsizetype IniFile::Section::findKeyAmongEscaped(QStringView key) const
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line &l = lines[i];
        if (l.equals >= 0 && (l.escaped ? sameUnescapedName(l.key(), key) : sameName(l.key(), key)))
            return qsizetype(i);
    }
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].escaped && sameName(lines[i].key(), key))
            return qsizetype(i);
    return -1;
}

void IniFile::KeyIndex::add(const Line &line, qsizetype at, bool replace)
{
    if (line.equals < 0)
        return;
    const QString name = foldIniName(line.name());
    if (replace || !names.contains(name))
        names.insert(name, at);
    if (!line.escaped)
        return;
    const QString stored = foldIniName(line.key());
    if (replace || !storedNames.contains(stored))
        storedNames.insert(stored, at);
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
    m_preamble.clear();
    m_sections.clear();
    m_sectionIndex.clear();
    const DecodedText decoded = decodeFileText(bytes);
    m_encoding = decoded.encoding;
    parse(decoded.text);
    m_stamp = Stamp();
}

void IniFile::parse(QStringView text)
{
    std::vector<Line> *target = &m_preamble;
    for (const QStringView line : splitLines(text)) {
        QStringView name;
        if (parseHeader(line, name)) {
            Section section;
            section.header = line.toString();
            section.name = name.toString();
            section.folded = foldIniName(name);
            m_sections.push_back(std::move(section));
            target = &m_sections.back().lines;
            continue;
        }
        target->emplace_back(line.toString());
    }
    rebuildSectionIndex();
}

void IniFile::rebuildSectionIndex()
{
    m_sectionIndex.clear();
    m_sectionIndex.reserve(qsizetype(m_sections.size()));
    // Backwards, so that the first of two equal names is the one kept.
    for (size_t i = m_sections.size(); i-- > 0;)
        m_sectionIndex.insert(m_sections[i].folded, qsizetype(i));
}

QString IniFile::serialize() const
{
    QString out;
    qsizetype total = 0;
    for (const Line &l : m_preamble)
        total += l.text.size() + 2;
    for (const Section &s : m_sections) {
        total += s.header.size() + 2;
        for (const Line &l : s.lines)
            total += l.text.size() + 2;
    }
    out.reserve(total);
    for (const Line &l : m_preamble)
        out += l.text + QStringLiteral("\r\n");
    for (const Section &s : m_sections) {
        out += s.header;
        out += QStringLiteral("\r\n");
        for (const Line &l : s.lines) {
            out += l.text;
            out += QStringLiteral("\r\n");
        }
    }
    return out;
}

const IniFile::Section *IniFile::findSection(QStringView name) const
{
    const qsizetype i = m_sectionIndex.value(foldIniName(trimBlanks(name)), -1);
    return i < 0 ? nullptr : &m_sections[size_t(i)];
}

IniFile::Section *IniFile::findSection(QStringView name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

const IniFile::Line *IniFile::findLine(QStringView section, QStringView key) const
{
    const Section *s = findSection(section);
    if (!s)
        return nullptr;
    const qsizetype i = s->findKey(trimBlanks(key));
    return i < 0 ? nullptr : &s->lines[size_t(i)];
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const Line *l = findLine(section, key);
    return l ? l->text.sliced(l->equals + 1) : defaultValue;
}

int IniFile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    const Line *l = findLine(section, key);
    return l ? parseIniInteger(QStringView(l->text).sliced(l->equals + 1), defaultValue) : defaultValue;
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
        names.append(s.name);
    return names;
}

QList<std::pair<QString, QString>> IniFile::sectionEntries(QStringView section) const
{
    QList<std::pair<QString, QString>> entries;
    if (const Section *s = findSection(section))
        for (const Line &l : s->lines)
            if (l.equals >= 0)
                entries.append({l.escaped ? unescapeKey(QStringView(l.text).first(l.equals)) : l.text.first(l.equals),
                                l.text.sliced(l.equals + 1)});
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
        Section fresh;
        fresh.name = singleLine(trimBlanks(section));
        fresh.header = u'[' + fresh.name + u']';
        fresh.folded = foldIniName(fresh.name);
        m_sections.push_back(std::move(fresh));
        m_sectionIndex.insert(m_sections.back().folded, qsizetype(m_sections.size()) - 1);
        s = &m_sections.back();
    }
    const qsizetype i = s->findKey(cleanKey);
    if (i >= 0) {
        Line &l = s->lines[size_t(i)];
        if (QStringView(l.text).sliced(l.equals + 1) == cleanValue)
            return finishChange(false);
        l.text = l.text.first(l.equals + 1) + cleanValue;
        return finishChange(true);
    }
    // A new key goes after the last line of the section that is not blank, so
    // that the blank line separating it from the next section stays in place.
    size_t at = s->lines.size();
    while (at > 0 && trimBlanks(s->lines[at - 1].text).isEmpty())
        --at;
    s->lines.insert(s->lines.begin() + qsizetype(at), Line(escapeKey(cleanKey) + u'=' + cleanValue));
    if (at + 1 == s->lines.size() && s->keyIndex)
        s->keyIndex->add(s->lines[at], qsizetype(at), false);
    else
        s->invalidateIndex();
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
    const qsizetype i = s ? s->findKey(trimBlanks(key)) : -1;
    if (i < 0)
        return finishChange(false);
    s->lines.erase(s->lines.begin() + i);
    s->invalidateIndex();
    return finishChange(true);
}

bool IniFile::rewriteInSectionOrder(const QStringList &order)
{
    beginChange();
    std::vector<Section> reordered;
    reordered.reserve(size_t(order.size()));
    std::vector<bool> taken(m_sections.size(), false);
    for (const QString &name : order) {
        const qsizetype i = m_sectionIndex.value(foldIniName(trimBlanks(name)), -1);
        if (i < 0 || taken[size_t(i)])
            continue;
        taken[size_t(i)] = true;
        reordered.push_back(std::move(m_sections[size_t(i)]));
    }
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
