#include "RequestToken.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(RequestToken, ShuffleOfTheWorkedExample)
{
    int32_t n = -1;
    EXPECT_EQ(shuffledTokenAlphabet("ab", n), "Za23456789ABCDEFGHIJKLMNOPQRSTUVWXY01bcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(n, 2);
    // Nothing alphanumeric: unshuffled. Other bytes still count as positions.
    EXPECT_EQ(shuffledTokenAlphabet("\x82\xa0 -\r", n), std::string(kTokenAlphabet));
    EXPECT_EQ(n, 0);
    std::string skipped = shuffledTokenAlphabet("\x82" "a", n); // 'a' (97 = 35 mod 62) at position 1
    EXPECT_EQ(skipped.substr(0, 2), "0Z");
    EXPECT_EQ(skipped[35], '1');
    // Position 62 wraps to swap with A[0].
    std::string wrapped = shuffledTokenAlphabet(std::string(62, '-') + "a", n);
    EXPECT_EQ(wrapped[0], 'Z');
    EXPECT_EQ(wrapped[35], '0');
    EXPECT_EQ(n, 1);
}

TEST(RequestToken, DayNumbers)
{
    EXPECT_EQ(dayNumber(2004, 1, 1), 37987);
    EXPECT_EQ(dayNumber(1899, 12, 30), 0);
    EXPECT_EQ(dayNumber(1900, 3, 1), 61);
    EXPECT_EQ(dayNumber(2026, 12, 10), 46366);
}

TEST(RequestToken, IdValues)
{
    EXPECT_EQ(tokenIdValue("0123456789ABCDEF"), int32_t(0x89ABCDEF));
    EXPECT_EQ(tokenIdValue("7fffffff"), 0x7fffffff);
    EXPECT_EQ(tokenIdValue("00000000deadBEEF"), int32_t(0xdeadbeef));
    EXPECT_EQ(tokenIdValue(""), 0);
    EXPECT_EQ(tokenIdValue("0123456789ABCDEF0"), 0); // 17 digits
    EXPECT_EQ(tokenIdValue("0123456789ABCDEG"), 0);
}

// Expected tokens computed apart from this code, with exact rational
// arithmetic rounded as extended precision does (64-bit significand, ties to
// even), then to the nearest integer with ties to even.
TEST(RequestToken, Tokens)
{
    EXPECT_EQ(makeRequestToken("0123456789ABCDEF", "ab", 37987), "01234567pZtMYCua");
    EXPECT_EQ(makeRequestToken("FFFFFFFF80000000", "Zz9", 46000), "FFFFFFFFCEUMvuLA");
    EXPECT_EQ(makeRequestToken("00000000deadbeef", "\x82\xa0" + std::string(70, 'Q'), 46365), "00000000vgTUFcLJ");
    EXPECT_EQ(makeRequestToken("", "", 0), "00000000");
    // The day changes the token.
    EXPECT_NE(makeRequestToken("0123456789ABCDEF", "ab", 37988), makeRequestToken("0123456789ABCDEF", "ab", 37987));
}
