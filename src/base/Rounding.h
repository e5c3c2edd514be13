#pragma once

#include <cfenv>
#include <cmath>

namespace kalvuno {

// Rounds to the nearest integer, ties to even, whatever rounding mode the
// thread is in. (Trunc is std::trunc; the two are never interchangeable here.)
inline long long roundHalfEven(long double value)
{
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long long rounded = std::llrintl(value);
    std::fesetround(previous);
    return rounded;
}

} // namespace kalvuno
