#pragma once

#include <cstddef>

// The song-list upload as client and library service both see it: a 28-byte
// header (token, CR LF, the list's length in 8 hexadecimal digits, CR LF)
// followed by the list file as stored. Plain C++: the service includes it too.
namespace kalvuno {

inline constexpr size_t kSongListHeaderBytes = 28;
// The largest list the service takes. The client refuses a larger file
// instead of sending what the service would turn away.
inline constexpr size_t kMaxSongListBytes = size_t(1) << 20;

} // namespace kalvuno
