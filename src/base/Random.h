#pragma once

#include <cstdint>

namespace kalvuno {

// The program's pseudo-random numbers: seeded from the clock at start-up,
// with a fixed seed in tests. User-interface thread only.
void seedRandom(uint64_t seed);
void seedRandomFromClock();
// A uniform integer in [0, n); 0 when n is 0.
uint32_t randomBelow(uint32_t n);

} // namespace kalvuno
