#include "EntryKeys.h"

#include "TextCodec.h"

#include <utility>

namespace kalvuno {

EntryKeys::EntryKeys(const QStringList &keys)
{
    m_ends.reserve(size_t(keys.size()));
    for (const QString &key : keys) {
        m_text += key.toUtf8();
        m_ends.push_back(m_text.size());
    }
    m_text.squeeze();
}

QByteArrayView EntryKeys::bytesAt(qsizetype i) const
{
    return QByteArrayView(m_text).sliced(begin(i), m_ends[size_t(i)] - begin(i));
}

QString EntryKeys::at(qsizetype i) const { return textFromUtf8(bytesAt(i)); }

qsizetype EntryKeys::indexOf(const QString &key) const
{
    const QByteArray wanted = key.toUtf8();
    for (qsizetype i = 0; i < size(); ++i)
        if (bytesAt(i) == wanted)
            return i;
    return -1;
}

QStringList EntryKeys::toList() const
{
    QStringList keys;
    keys.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        keys.append(at(i));
    return keys;
}

void EntryKeys::shiftEnds(qsizetype i, qsizetype by)
{
    for (size_t j = size_t(i); j < m_ends.size(); ++j)
        m_ends[j] += by;
}

void EntryKeys::insert(qsizetype i, const QString &key)
{
    const QByteArray bytes = key.toUtf8();
    const qsizetype at = begin(i);
    m_text.insert(at, bytes);
    m_ends.insert(m_ends.begin() + i, at);
    shiftEnds(i, bytes.size());
}

void EntryKeys::removeAt(qsizetype i)
{
    const qsizetype at = begin(i);
    const qsizetype length = m_ends[size_t(i)] - at;
    m_text.remove(at, length);
    m_ends.erase(m_ends.begin() + i);
    shiftEnds(i, -length);
}

void EntryKeys::swapItemsAt(qsizetype i, qsizetype j)
{
    if (i == j)
        return;
    if (i > j)
        std::swap(i, j);
    // The later line first: a change there moves nothing before it.
    const QString first = at(i);
    const QString second = at(j);
    removeAt(j);
    insert(j, first);
    removeAt(i);
    insert(i, second);
}

void EntryKeys::clear()
{
    m_text.clear();
    m_ends.clear();
}

} // namespace kalvuno
