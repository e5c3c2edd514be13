#include "Random.h"
#include "GuiSurface.h"

#include <QGuiApplication>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Expected values below are worked out by hand from the pixel rules.

TEST(Pixels, BlendPixel)
{
    struct Case
    {
        uint32_t dst, src, expected;
    };
    const Case cases[] = {
        {0x80ABCDEF, 0x00123456, 0x80ABCDEF}, // transparent source: colour and alpha stay
        {0x00FFFFFF, 0xFF000000, 0xFF000000}, // opaque black over white: 255 * 1 >> 8 = 0
        {0x00000000, 0xFFFFFFFF, 0xFFFEFEFE}, // opaque white over black: 255 * 255 >> 8 = 254
        {0xFF000000, 0x80FF0000, 0xFF7F0000}, // 255 * 128 >> 8 = 127; the larger alpha
        {0x40102030, 0x80405060, 0x80283848}, // (0x10 + 0x40) * 128 >> 8 = 0x28, ...
    };
    for (const Case &c : cases)
        EXPECT_EQ(BlendPixel(c.dst, c.src), c.expected) << std::hex << c.dst << " " << c.src;
}

TEST(Pixels, ScaleLerpAndColour)
{
    EXPECT_EQ(ScalePixel(0xC0C0C0, 1.3f), 0xF9F9F9u);     // 192 * 1.3 = 249.6
    EXPECT_EQ(ScalePixel(0xF0F0F0, 1.3f), 0xFFFFFFu);     // 312 saturates
    EXPECT_EQ(ScalePixel(0x12808080, 0.7f), 0x12595959u); // 128 * 0.7 = 89.6; top byte kept

    EXPECT_EQ(LerpPixel(0x11000000, 0x00C864C8, -1.0f), 0x11000000u);
    EXPECT_EQ(LerpPixel(0x11000000, 0x00C864C8, std::nanf("")), 0x11000000u);
    EXPECT_EQ(LerpPixel(0x11000000, 0x00C864C8, 7.0f), 0x11C864C8u);
    EXPECT_EQ(LerpPixel(0x00000000, 0x00C965C9, 0.5f), 0x00643264u);  // 100.5 and 50.5 truncate
    EXPECT_EQ(LerpPixel(0x00FFFFFF, 0x00000000, 0.25f), 0x00BFBFBFu); // 191.25

    EXPECT_EQ(ColorToPixel(0x00332211), 0x00112233u);
    EXPECT_EQ(ColorToPixel(0xFF00FF00), 0x0000FF00u);
}

TEST(Pixels, NoiseStaysInItsRangeAndFollowsTheSeed)
{
    kalvuno::seedRandom(1);
    for (int i = 0; i < 1000; ++i) {
        const uint32_t p = AddNoise(0xAA101010, 0x00200000, 1.0f); // red only: 16 + [0, 32)
        EXPECT_EQ(p & 0xFF00FFFF, 0xAA001010u);
        EXPECT_GE((p >> 16) & 0xFF, 0x10u);
        EXPECT_LT((p >> 16) & 0xFF, 0x30u);
    }
    // A channel that would pass 255 stops there.
    bool saturated = false;
    for (int i = 0; i < 200 && !saturated; ++i)
        saturated = (AddNoise(0xF0F0F0, 0x808080, 1.0f) & 0xFF) == 0xFF;
    EXPECT_TRUE(saturated);
}

std::vector<QPoint> changedAfterBlend(int x, int y)
{
    TFDIB src(3, 2);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            src.setPixel(i, j, 0xFF0000FF);
    TFDIB dest(4, 4);
    src.BlendOnto(dest, x, y);
    std::vector<QPoint> changed;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            if (dest.pixel(i, j) != 0) {
                EXPECT_EQ(dest.pixel(i, j), 0xFF0000FEu);
                changed.push_back(QPoint(i, j));
            }
    return changed;
}

TEST(Surface, BlendOntoClips)
{
    EXPECT_EQ(changedAfterBlend(-1, -1), (std::vector<QPoint>{{0, 0}, {1, 0}}));
    EXPECT_EQ(changedAfterBlend(3, 3), (std::vector<QPoint>{{3, 3}}));
    EXPECT_EQ(changedAfterBlend(2, -1), (std::vector<QPoint>{{2, 0}, {3, 0}}));
    for (const QPoint at : {QPoint(4, 0), QPoint(-3, 0), QPoint(0, -2), QPoint(0, 4), QPoint(-100, -100)})
        EXPECT_TRUE(changedAfterBlend(at.x(), at.y()).empty()) << at.x() << "," << at.y();
}

TEST(Surface, LinearGradientAlongEitherAxis)
{
    // 201 * t never lands near a whole number here, so float steps cannot flip a truncation.
    TGUIDIB vertical(3, 12);
    vertical.FillRGB(0);
    vertical.MakeOpaque(QRect(0, 0, 1, 12));
    vertical.LinearGradient(0, 0, 0, 10, 0x000000, 0x0000C9);
    TGUIDIB horizontal(12, 3);
    horizontal.LinearGradient(0, 0, 10, 0, 0x000000, 0x0000C9);
    for (int i = 0; i < 12; ++i) {
        const uint32_t blue = i >= 10 ? 201 : uint32_t(std::floor(20.1 * i));
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(vertical.pixel(k, i), (k == 0 ? 0xFF000000 : 0) | blue) << "y " << i;
            EXPECT_EQ(horizontal.pixel(i, k), blue) << "x " << i;
        }
    }
}

TEST(Surface, RadialGradientAndFill)
{
    TGUIDIB s(6, 1);
    s.MakeOpaque(QRect(5, 0, 1, 1));
    s.RadialGradient(0x000000, 0x0000C8, 0.0f, 0.0f, 4.0f);
    const uint32_t expected[] = {0, 50, 100, 150, 200, 0xFF0000C8};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(s.pixel(x, 0), expected[x]) << x;
    s.FillRGB(0x123456);
    EXPECT_EQ(s.pixel(0, 0), 0x00123456u);
    EXPECT_EQ(s.pixel(5, 0), 0xFF123456u);
}

TEST(Surface, DiscAlphaAddsAndSaturates)
{
    TGUIDIB fresh(10, 10);
    fresh.FillRGB(0x123456);
    fresh.AddDiscAlpha(5, 5, 5, 2);
    EXPECT_EQ(fresh.pixel(4, 4), 0xFF123456u); // d = 0.71, inside R - F
    EXPECT_EQ(fresh.pixel(0, 5) >> 24, 60u);   // d = sqrt(20.5) = 4.528: (5 - d) * 127.5 = 60.2
    EXPECT_EQ(fresh.pixel(1, 5) >> 24, 186u);  // d = sqrt(12.5) = 3.536: 186.7
    EXPECT_EQ(fresh.pixel(9, 9), 0x00123456u); // d = 6.36: outside
    fresh.AddDiscAlpha(5, 5, 5, 2);
    EXPECT_EQ(fresh.pixel(0, 5) >> 24, 120u);
    EXPECT_EQ(fresh.pixel(1, 5) >> 24, 255u);

    TGUIDIB half(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            half.setPixel(x, y, 0xC8000000);
    half.AddDiscAlpha(5, 5, 5, 2);
    EXPECT_EQ(half.pixel(9, 9) >> 24, 200u) << "never lowered";
    EXPECT_EQ(half.pixel(0, 5) >> 24, 255u) << "200 + 60 saturates";

    TGUIDIB centred(11, 11);
    centred.AddCentredDiscAlpha(1.0f); // centre 5.5, radius 5
    EXPECT_EQ(centred.pixel(5, 5) >> 24, 255u);
    EXPECT_EQ(centred.pixel(0, 0) >> 24, 0u);
}

TEST(Surface, BevelFrame)
{
    TGUIDIB one(5, 1);
    one.BevelFrame(0x111111, 0x222222);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(one.pixel(x, 0), 0xFF111111u);
    TGUIDIB three(3, 3);
    three.BevelFrame(0x111111, 0x222222);
    const uint32_t L = 0xFF111111, D = 0xFF222222;
    const uint32_t expected[3][3] = {{L, L, L}, {L, 0, D}, {D, D, D}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(three.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(Surface, TextAlpha)
{
    TGUIDIB empty(40, 20);
    empty.AddTextAlpha(0, 0, QString(), 10, 4, 2);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(empty.pixel(x, y), 0u);

    TGUIDIB text(40, 20);
    text.FillRGB(0x123456);
    text.AddTextAlpha(0, 0, QStringLiteral("Ab"), 10, 4, 0);
    int covered = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(text.pixel(x, y) & 0xFFFFFF, 0x123456u) << "colour untouched";
            covered += (text.pixel(x, y) >> 24) > 0;
            if (x >= 20) { // two bytes: two cells of 10 pixels
                EXPECT_EQ(text.pixel(x, y) >> 24, 0u);
            }
        }
    EXPECT_GT(covered, 10);
}

TEST(Surface, NoiseGradientFollowsTheSeedAndKeepsAlpha)
{
    const auto make = [](uint64_t seed) {
        kalvuno::seedRandom(seed);
        TGUIDIB s(64, 8);
        s.MakeOpaque(QRect(0, 0, 32, 8));
        s.NoiseGradient(0, 0, 0, 8, 0x101010, 0x101010, 0x202020, 0x202020);
        return s;
    };
    const TGUIDIB a = make(5);
    const TGUIDIB b = make(5);
    const TGUIDIB c = make(6);
    bool differs = false;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(a.pixel(x, y), b.pixel(x, y));
            differs = differs || a.pixel(x, y) != c.pixel(x, y);
            EXPECT_EQ(a.pixel(x, y) >> 24, x < 32 ? 0xFFu : 0u);
            for (int shift : {0, 8, 16}) {
                const uint32_t v = (a.pixel(x, y) >> shift) & 0xFF;
                EXPECT_GE(v, 0x10u);
                EXPECT_LE(v, 0x2Fu);
            }
        }
    EXPECT_TRUE(differs);
}

TEST(Surface, WindowsSeeColourOnly)
{
    TFDIB s(2, 1);
    s.setPixel(0, 0, 0x00123456);
    s.setPixel(1, 0, 0x80ABCDEF);
    EXPECT_EQ(s.opaqueImage().pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(s.opaqueImage().pixel(1, 0), 0xFFABCDEFu);
}

} // namespace
