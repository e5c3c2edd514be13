#pragma once

#include <QString>

namespace kalvuno {

// What the search dialog holds, and what a favourite file stores.
struct SearchConditions
{
    QString name = QStringLiteral("新規お気に入り");
    bool clear = true;  // a new search replaces the list; otherwise it adds to it
    int target = -1;    // index of "mp3", "wav", "mpg", "mid"; -1 when none is chosen
    bool library = true;
    bool web = false;
    QString artist;
    QString title;
    QString genre;
    int sort = 0;       // 0 random, 1 newest first, 2 weekly rank
    int rank = 0;       // 0 the latest week, 1 to 7 weeks ago
    int max = 10;       // 0 to 100
};

inline constexpr const char16_t *kTargets[] = {u"mp3", u"wav", u"mpg", u"mid"};

struct BuiltQuery
{
    QString query;
    int openTargets = 0; // bit 0 library, bit 1 web
    int searchMethod = 0; // 0 new search, 1 adding search
};

// Builds the search query, values exactly as typed; false when neither the
// library nor the web is chosen (nothing to search).
bool buildSearchQuery(const SearchConditions &conditions, BuiltQuery &built);

// A favourite file's conditions; a missing file gives the defaults.
SearchConditions loadFavorite(const QString &file);
// Writes the conditions; false when the file (or its folder) cannot be written.
bool saveFavorite(const QString &file, const SearchConditions &conditions);

} // namespace kalvuno
