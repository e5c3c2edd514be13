#include "SettingsRules.h"

namespace kalvuno {

int hourItemOf(const QTime &time) { return time.isValid() ? time.hour() : 0; }

int minuteItemOf(const QTime &time) { return time.isValid() ? time.minute() / 5 : 0; }

QTime timeOfItems(int hourItem, int minuteItem)
{
    return QTime(qBound(0, hourItem, 23), qBound(0, minuteItem, 11) * 5);
}

int offTimerItemOf(int lengthMs)
{
    if (lengthMs <= 3599999)
        return 0;
    if (lengthMs <= 5399999)
        return 1;
    if (lengthMs <= 7199999)
        return 2;
    return 3;
}

int offTimerLengthOfItem(int item) { return (qBound(0, item, 3) + 1) * 1800000; }

QString withTrailingSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder;
    return folder + u'/';
}

} // namespace kalvuno
