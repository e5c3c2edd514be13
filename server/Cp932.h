#pragma once

#include <string>
#include <string_view>

namespace kalvuno::server {

// UTF-8 text as CP932 bytes; a character CP932 cannot hold becomes "?", so
// that every answer reads as CP932.
std::string toCp932(std::string_view utf8);

// Bytes from a client (CP932, or UTF-8 after a BOM) as UTF-8 text.
std::string fromClientBytes(std::string_view bytes);

// ASCII letters lowered; every other byte kept.
std::string foldAscii(std::string_view text);

} // namespace kalvuno::server
