#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

namespace kalvuno {

// The keys of a list's lines, in line order, packed into one string of UTF-8:
// a list of 50,000 entries holds them in about a megabyte, where a QStringList
// spends a separate block and some ninety bytes on every key.
//
// It behaves as a list of strings: keys compare exactly, and the same key may
// stand on two lines.
class EntryKeys
{
public:
    EntryKeys() = default;
    explicit EntryKeys(const QStringList &keys);

    qsizetype size() const { return qsizetype(m_ends.size()); }
    bool isEmpty() const { return m_ends.empty(); }
    QString at(qsizetype i) const;
    // The first line with this key, or -1.
    qsizetype indexOf(const QString &key) const;
    QStringList toList() const;

    void insert(qsizetype i, const QString &key);
    void removeAt(qsizetype i);
    void swapItemsAt(qsizetype i, qsizetype j);
    void clear();

private:
    qsizetype begin(qsizetype i) const { return i == 0 ? 0 : m_ends[size_t(i) - 1]; }
    QByteArrayView bytesAt(qsizetype i) const;
    // Moves every key end from line i on by the given number of bytes.
    void shiftEnds(qsizetype i, qsizetype by);

    QByteArray m_text;
    std::vector<qsizetype> m_ends; // where each key ends in m_text
};

} // namespace kalvuno
