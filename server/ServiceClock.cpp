#include "ServiceClock.h"

#include <chrono>

namespace kalvuno::server {

int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::mt19937_64 &threadRandom()
{
    thread_local std::mt19937_64 rng{std::random_device{}()};
    return rng;
}

std::string randomId()
{
    static const char hex[] = "0123456789abcdef";
    std::string id(16, '0');
    uint64_t bits = threadRandom()();
    for (char &c : id) {
        c = hex[bits & 15];
        bits >>= 4;
    }
    return id;
}

} // namespace kalvuno::server
