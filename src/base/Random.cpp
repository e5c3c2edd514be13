#include "Random.h"

#include <chrono>
#include <random>

namespace kalvuno {

namespace {
std::mt19937_64 &generator()
{
    static std::mt19937_64 g(0x4b616c76756e6fULL);
    return g;
}
} // namespace

void seedRandom(uint64_t seed) { generator().seed(seed); }

void seedRandomFromClock()
{
    seedRandom(uint64_t(std::chrono::system_clock::now().time_since_epoch().count()));
}

uint32_t randomBelow(uint32_t n)
{
    if (n == 0)
        return 0;
    return std::uniform_int_distribution<uint32_t>(0, n - 1)(generator());
}

} // namespace kalvuno
