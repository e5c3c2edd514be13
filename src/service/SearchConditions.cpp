#include "SearchConditions.h"

#include "IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace kalvuno {

namespace {
constexpr const char16_t *kSection = u"Favorite";
}

bool buildSearchQuery(const SearchConditions &c, BuiltQuery &built)
{
    QString q = QStringLiteral("Max=") + QString::number(c.max);
    if (c.sort == 0)
        q += QStringLiteral("&Sort=Random");
    else if (c.sort == 1)
        q += QStringLiteral("&Sort=New");
    else
        q += QStringLiteral("&Sort=Rank") + QString::number(c.rank);
    if (!c.artist.isEmpty())
        q += QStringLiteral("&Artist=") + c.artist;
    if (!c.title.isEmpty())
        q += QStringLiteral("&Title=") + c.title;
    if (!c.genre.isEmpty())
        q += QStringLiteral("&Genre=") + c.genre;
    const int open = (c.library ? 1 : 0) + (c.web ? 2 : 0);
    if (open == 0)
        return false;
    q += QStringLiteral("&Open=") + QString::number(open);
    if (c.target > 0 && c.target < int(std::size(kTargets)))
        q += QStringLiteral("&Ext=") + QString::fromUtf16(kTargets[c.target]);
    built.query = q;
    built.openTargets = open;
    built.searchMethod = c.clear ? 0 : 1;
    return true;
}

SearchConditions loadFavorite(const QString &file)
{
    const IniFile ini(file);
    SearchConditions c;
    c.target = 0;
    const QString target = ini.readString(kSection, u"Target");
    for (int i = 0; i < int(std::size(kTargets)); ++i)
        if (target == QStringView(kTargets[i]))
            c.target = i;
    const int open = ini.readInteger(kSection, u"Open", 1);
    c.library = open & 1;
    c.web = open & 2;
    c.artist = ini.readString(kSection, u"Artist");
    c.title = ini.readString(kSection, u"Title");
    c.genre = ini.readString(kSection, u"Genre");
    // Any other value leaves the random order.
    if (const int sort = ini.readInteger(kSection, u"Sort", 0); sort >= 0 && sort <= 2)
        c.sort = sort;
    c.rank = std::clamp(ini.readInteger(kSection, u"Rank", 0), 0, 7);
    c.max = std::clamp(ini.readInteger(kSection, u"Max", 10), 0, 100);
    return c;
}

bool saveFavorite(const QString &file, const SearchConditions &c)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    IniFile ini(file);
    IniBatch batch(ini);
    ini.writeString(kSection, u"Target", c.target >= 0 && c.target < int(std::size(kTargets)) ? QString::fromUtf16(kTargets[c.target]) : QString());
    ini.writeInteger(kSection, u"Open", (c.library ? 1 : 0) + (c.web ? 2 : 0));
    ini.writeString(kSection, u"Artist", c.artist);
    ini.writeString(kSection, u"Title", c.title);
    ini.writeString(kSection, u"Genre", c.genre);
    ini.writeInteger(kSection, u"Sort", c.sort);
    ini.writeInteger(kSection, u"Rank", c.rank);
    ini.writeInteger(kSection, u"Max", c.max);
    return batch.commit();
}

} // namespace kalvuno
