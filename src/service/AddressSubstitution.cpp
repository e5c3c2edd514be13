#include "AddressSubstitution.h"

#include <QMutex>

namespace kalvuno {

namespace {
QMutex g_lock;
SubstitutionValues g_values;
} // namespace

void setAddressSubstitution(const SubstitutionValues &values)
{
    QMutexLocker locker(&g_lock);
    g_values = values;
}

SubstitutionValues addressSubstitution()
{
    QMutexLocker locker(&g_lock);
    return g_values;
}

} // namespace kalvuno
