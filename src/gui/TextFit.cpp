#include "TextFit.h"

#include <QTextBoundaryFinder>

namespace kalvuno {

QString fitWithEllipsis(const QString &text, int maxWidth, const std::function<int(const QString &)> &width)
{
    if (width(text) <= maxWidth)
        return text;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    characters.toEnd();
    QString kept = text;
    while (!kept.isEmpty() && width(kept) > maxWidth) {
        const qsizetype end = characters.toPreviousBoundary();
        kept.truncate(end < 0 ? 0 : end);
    }
    return kept + QStringLiteral("...");
}

} // namespace kalvuno
