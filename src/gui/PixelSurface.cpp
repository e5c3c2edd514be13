#include "PixelSurface.h"

#include "Random.h"
#include "Rounding.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

uint32_t channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }

// Trunc toward zero of a value computed in the widest type, capped at 255.
uint32_t truncChannel(long double v)
{
    const long double t = std::trunc(v);
    return t >= 255 ? 255 : t <= 0 ? 0 : uint32_t(t);
}

} // namespace

uint32_t ColorToPixel(uint32_t c) { return (c & 0xFF00) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF); }

uint32_t BlendPixel(uint32_t d, uint32_t s)
{
    const uint32_t a = s >> 24;
    uint32_t out = std::max(d >> 24, a) << 24;
    for (int shift : {0, 8, 16})
        out |= ((channel(d, shift) * (256 - a) + channel(s, shift) * a) >> 8) << shift;
    return out;
}

uint32_t LerpPixel(uint32_t a, uint32_t b, float t)
{
    if (!(t >= 0)) // below 0, or not a number
        t = 0;
    if (t > 1)
        t = 1;
    const long double lt = t;
    uint32_t out = a & 0xFF000000;
    for (int shift : {0, 8, 16})
        out |= truncChannel((1 - lt) * channel(a, shift) + lt * channel(b, shift)) << shift;
    return out;
}

uint32_t ScalePixel(uint32_t c, float factor)
{
    uint32_t out = c & 0xFF000000;
    for (int shift : {0, 8, 16})
        out |= truncChannel(static_cast<long double>(channel(c, shift)) * factor) << shift;
    return out;
}

uint32_t AddNoise(uint32_t c, uint32_t amplitude, float t)
{
    uint32_t out = c & 0xFF000000;
    for (int shift : {16, 8, 0}) { // red, then green, then blue
        const uint32_t r = kalvuno::randomBelow(channel(amplitude, shift));
        const long long v = kalvuno::roundHalfEven(static_cast<long double>(r) * t + channel(c, shift));
        out |= uint32_t(std::clamp(v, 0LL, 255LL)) << shift;
    }
    return out;
}

TFDIB::TFDIB(int width, int height) : m_image(std::max(width, 0), std::max(height, 0), QImage::Format_ARGB32)
{
    // 96 dots per inch, so that a font of n points is n * 96 / 72 pixels high.
    m_image.setDotsPerMeterX(3780);
    m_image.setDotsPerMeterY(3780);
    Clear();
}

void TFDIB::Clear() { m_image.fill(0u); }

void TFDIB::BlendOnto(TFDIB &dest, int x, int y) const
{
    int sx = 0;
    int sy = 0;
    int dx = x;
    int dy = y;
    int w = Width();
    int h = Height();
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min(w, dest.Width() - dx);
    h = std::min(h, dest.Height() - dy);
    if (w <= 0 || h <= 0)
        return;
    for (int j = 0; j < h; ++j) {
        const uint32_t *src = row(sy + j) + sx;
        uint32_t *dst = dest.row(dy + j) + dx;
        for (int i = 0; i < w; ++i)
            dst[i] = BlendPixel(dst[i], src[i]);
    }
}

QImage TFDIB::opaqueImage() const
{
    // The same words read as RGB32 ignore the top byte.
    return QImage(m_image.constBits(), Width(), Height(), int(m_image.bytesPerLine()), QImage::Format_RGB32);
}

void TFDIB::drawOn(QPainter &painter, int x, int y) const { painter.drawImage(x, y, opaqueImage()); }
