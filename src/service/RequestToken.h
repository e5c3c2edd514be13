#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kalvuno {

// The 62 characters tokens are made of.
inline constexpr std::string_view kTokenAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Days since 30 December 1899 of a calendar date (1 January 2004 is 37987).
int32_t dayNumber(int year, int month, int day);
// Today's local date as a day number.
int32_t todayDayNumber();

// The alphabet shuffled by the data: every letter or digit c at position i
// swaps the characters at c mod 62 and i mod 62. count gets the number of swaps.
std::string shuffledTokenAlphabet(std::string_view data, int32_t &count);

// The 16-character token heading every POST body: the first 8 characters of
// the ID, then 8 characters of the alphabet shuffled by the data, chosen by
// the ID, the day and the eight shared multipliers.
std::string makeRequestToken(std::string_view id, std::string_view data, int32_t day);

// The ID read as at most 16 hexadecimal digits, low 32 bits, as a signed
// value; 0 for anything that is not such a number.
int32_t tokenIdValue(std::string_view id);

} // namespace kalvuno
