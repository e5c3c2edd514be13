#pragma once

#include <QString>
#include <QTime>

namespace kalvuno {

// The settings dialog offers whole hours and five-minute steps: a time
// between the steps shows, and is stored back as, the step below it.
int hourItemOf(const QTime &time);
int minuteItemOf(const QTime &time);
QTime timeOfItems(int hourItem, int minuteItem);

// The off-timer length item (30, 60, 90, 120 minutes) a stored length shows.
int offTimerItemOf(int lengthMs);
int offTimerLengthOfItem(int item);

// A download folder as stored: with a trailing "/" unless empty.
QString withTrailingSeparator(const QString &folder);

} // namespace kalvuno
