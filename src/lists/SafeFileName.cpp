#include "SafeFileName.h"

#include <QList>

namespace kalvuno {

namespace {

bool unsafe(char32_t c) { return c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F; }

int utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

} // namespace

QString safeFileNamePart(QStringView name, int maxBytes)
{
    QString safe;
    safe.reserve(name.size());
    int bytes = 0;
    for (const char32_t c : name.toUcs4()) {
        const char32_t kept = unsafe(c) ? char32_t(u'_') : c;
        // A lone surrogate is written as U+FFFD, which takes three bytes too.
        const int length = utf8Length(kept);
        if (bytes + length > maxBytes)
            break;
        bytes += length;
        safe.append(QString::fromUcs4(&kept, 1));
    }
    if (safe == u"." || safe == u"..")
        return QStringLiteral("_");
    if (safe.startsWith(u'.'))
        safe[0] = u'_';
    return safe;
}

} // namespace kalvuno
