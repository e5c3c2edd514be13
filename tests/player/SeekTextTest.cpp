#include "TPlay.h"

#include <QRandomGenerator>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

float floatFromBits(uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

TEST(SeekText, WritesTheFloatsExactValueWithFifteenDigits)
{
    // Worked out apart from the code: the float's exact value, rounded to 15
    // significant digits.
    const std::pair<double, const char *> rows[] = {
        { 0.0, "Seek0" },
        { -0.0, "Seek0" },
        { 1.0, "Seek1" },
        { 0.25, "Seek0.25" },
        { 0.75, "Seek0.75" },
        { 0.1, "Seek0.100000001490116" },
        { 0.3, "Seek0.300000011920929" },
        { 0.123456789012345678, "Seek0.123456791043282" },
        { double(floatFromBits(0x3f7fffff)), "Seek0.999999940395355" }, // the float below 1
        { 0.999999, "Seek0.999998986721039" },
        { 0.00001234, "Seek0.0000123399995572981" },
        { double(floatFromBits(0x3727c5ad)), "Seek0.0000100000006568735" }, // the float above 0.00001
        { 0.00001, "Seek9.99999974737875E-6" }, // its float lies below
        { 0.000001, "Seek9.99999997475243E-7" },
        { std::ldexp(1.0, -20), "Seek9.5367431640625E-7" },
        { std::ldexp(1.0, -149), "Seek1.40129846432482E-45" },
        { 1.5, "Seek1.5" },
        { 100.0, "Seek100" },
        { 123456.789, "Seek123456.7890625" },
        { 1e20, "Seek100000002004088000000" },
        { -0.5, "Seek-0.5" },
        { std::numeric_limits<double>::quiet_NaN(), "Seeknan" },
        { std::numeric_limits<double>::infinity(), "Seekinf" },
    };
    for (const auto &[fraction, text] : rows)
        EXPECT_EQ(TPlay::seekCommand(fraction), QString::fromLatin1(text)) << text;
}

TEST(SeekText, ReadsFixedAndScientificAndDropsTheRest)
{
    const std::pair<const char *, double> good[] = {
        { "Seek0", 0.0 },
        { "Seek1", 1.0 },
        { "Seek0.25", 0.25 },
        { "Seek.5", 0.5 },
        { "Seek5.", 1.0 },
        { "Seek5E-1", 0.5 },
        { "Seek2.5e-1", 0.25 },
        { "Seek1e+0", 1.0 },
        { "Seek0.100000001490116", double(0.1f) },
        { "Seek9.99999997475243E-7", double(1e-6f) },
        { "Seek9.99999997475243e-7", double(1e-6f) },
        { "Seek1.40129846432482E-45", double(floatFromBits(1)) },
        { "Seek1e-50", 0.0 },
        { "Seek1.5", 1.0 },
        { "Seek100000002004088000000", 1.0 },
    };
    for (const auto &[text, expected] : good) {
        double fraction = -1;
        ASSERT_TRUE(TPlay::parseSeekCommand(QString::fromLatin1(text), fraction)) << text;
        EXPECT_EQ(fraction, expected) << text;
    }
    const char *bad[] = { "Seek", "Seeknan", "SeekNaN", "Seekinf", "Seek-inf", "SeekInfinity", "Seek-0.5", "Seek-0",
        "Seek+0.5", "Seek 0.5", "Seek0.5 ", "Seek0. 5", "Seek\t0.5", "Seek0,5", "Seek0x1p-2", "Seek1e", "Seek.",
        "Seek0.5x", "Seek1e-5e", "Seek1e400", "seek0.5", "Pause", "Seek0.5\n", "SeekE-7" };
    for (const char *text : bad) {
        double fraction = -1;
        EXPECT_FALSE(TPlay::parseSeekCommand(QString::fromLatin1(text), fraction)) << text;
        EXPECT_EQ(fraction, -1) << text;
    }
    double fraction = -1;
    EXPECT_FALSE(TPlay::parseSeekCommand(u"Seek０.５"_qs, fraction));

    // A hundred characters from the fifth on are read, no more.
    const QString zeros = QString(99, u'0');
    ASSERT_TRUE(TPlay::parseSeekCommand(u"Seek"_qs + zeros + u"1"_qs, fraction));
    EXPECT_EQ(fraction, 1.0);
    ASSERT_TRUE(TPlay::parseSeekCommand(u"Seek"_qs + zeros + u"01"_qs, fraction));
    EXPECT_EQ(fraction, 0.0);
    ASSERT_TRUE(TPlay::parseSeekCommand(u"Seek0.5"_qs + QString(97, u'0') + u" blanks beyond"_qs, fraction));
    EXPECT_EQ(fraction, 0.5);
}

TEST(SeekText, EveryFloatFractionReadsBackExactly)
{
    QRandomGenerator rng(20240611);
    std::vector<float> floats;
    for (int exponent = -149; exponent <= 0; ++exponent)
        floats.push_back(float(std::ldexp(1.0, exponent)));
    for (int i = 0; i < 200000; ++i)
        floats.push_back(floatFromBits(rng.bounded(0x3f800001u))); // 0 up to 1, every exponent alike
    for (int i = 0; i < 200000; ++i)
        floats.push_back(float(rng.generateDouble()));
    for (const float f : floats) {
        const QString text = TPlay::seekCommand(f);
        double back = -1;
        ASSERT_TRUE(TPlay::parseSeekCommand(text, back)) << text.toStdString();
        ASSERT_EQ(back, double(f)) << text.toStdString();
        ASSERT_LE(text.size(), 4 + 25) << text.toStdString();
    }
}

} // namespace
