#pragma once

#include <functional>

namespace kalvuno {

// Shows that the program is busy (the wait cursor) while a blocking request
// runs. The rules only mark the busy time; the program decides what it looks
// like, and tests leave it unset.
class BusyScope
{
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

    static void setHooks(std::function<void()> begin, std::function<void()> end);
};

} // namespace kalvuno
