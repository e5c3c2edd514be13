#pragma once

#include <QChar>
#include <QStringView>

namespace kalvuno {

// Names of saved playlists and favourites become file names in their
// folders: a separator would write elsewhere, a control character makes a
// name nobody can type again.
inline constexpr char16_t kUnusableNameMessage[] = u"名前に「/」「\\」などの使えない文字が含まれています。";

inline bool isUsableListName(QStringView name)
{
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace kalvuno
