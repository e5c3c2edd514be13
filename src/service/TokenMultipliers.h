#pragma once

// The eight multipliers of the request token, shared by the program and the
// library service: both sides must use exactly these values. Written as
// hexadecimal literals so that their binary values are plain; each is below
// 2^30, so x * K stays below 2^63 for every 32-bit x.
namespace kalvuno {

inline constexpr long double kTokenMultipliers[8] = {
    0x1.aa1e0ebf3b469p+29L, 0x1.34b6d1c94992ap+28L, 0x1.e26e0200d8e93p+28L, 0x1.6002bc1cb9de0p+29L,
    0x1.ab0c2bf52e3dfp+28L, 0x1.2483ead66c4e9p+28L, 0x1.9a424ea0f147cp+29L, 0x1.165064737386bp+29L,
};

} // namespace kalvuno
