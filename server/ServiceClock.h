#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace kalvuno::server {

// Seconds since the epoch.
int64_t nowSeconds();

// A random generator of the calling thread.
std::mt19937_64 &threadRandom();

// 16 random lowercase hexadecimal digits.
std::string randomId();

} // namespace kalvuno::server
