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
    // True while any BusyScope lives. A request keeps the window alive while
    // it waits, so timers can fire inside it; they ask this to stay out.
    static bool active();
};

} // namespace kalvuno
