#pragma once

#include <QString>

namespace kalvuno {

// The domain name that song entries use for a user's own server, and the
// private address to reach it by instead. Set on the user-interface thread,
// read by player threads too.
struct SubstitutionValues
{
    QString domain;
    QString address;
};

void setAddressSubstitution(const SubstitutionValues &values);
SubstitutionValues addressSubstitution();

} // namespace kalvuno
