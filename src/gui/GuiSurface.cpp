#include "GuiSurface.h"

#include "Random.h"
#include "Rounding.h"
#include "TextCodec.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Where along the line from (x1, y1) to (x2, y2) the foot of the
// perpendicular from (x, y) lies: 0 at the start, 1 at the end, clamped.
// The steps keep 32-bit floats where the arithmetic is stored.
class LineParameter
{
public:
    LineParameter(int x1, int y1, int x2, int y2) : m_x1(x1), m_y1(y1), m_x2(x2), m_y2(y2)
    {
        m_u = x1 == x2 ? 1e11f : float(static_cast<long double>(y2 - y1) / (x2 - x1));
        m_v = y1 == y2 ? 1e11f : float(static_cast<long double>(x2 - x1) / (y2 - y1));
        m_vertical = std::abs(static_cast<long long>(y2) - y1) >= std::abs(static_cast<long long>(x2) - x1);
    }
    float at(int x, int y) const
    {
        const long double u = m_u;
        const long double v = m_v;
        const float px = float((m_x1 * u + x * v - m_y1 + y) / (u + v));
        const float py = float((px - static_cast<long double>(m_x1)) * u + m_y1);
        const float t = m_vertical ? float((py - static_cast<long double>(m_y1)) / (m_y2 - m_y1))
                                   : float((px - static_cast<long double>(m_x1)) / (m_x2 - m_x1));
        if (!(t >= 0))
            return 0;
        return t > 1 ? 1 : t;
    }

private:
    int m_x1, m_y1, m_x2, m_y2;
    float m_u, m_v;
    bool m_vertical;
};

float randomUnit() { return float(static_cast<long double>(kalvuno::randomBelow(10000)) / 9999); }

} // namespace

void TGUIDIB::AddDiscAlpha(float cx, float cy, float radius, float feather)
{
    const long double r = radius;
    int left = int(kalvuno::roundHalfEven(cx - r));
    int top = int(kalvuno::roundHalfEven(cy - r));
    int right = int(kalvuno::roundHalfEven(cx + r));
    int bottom = int(kalvuno::roundHalfEven(cy + r));
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, Width());
    bottom = std::min(bottom, Height());
    const float slope = float(255.0L / feather);
    for (int y = top; y < bottom; ++y) {
        uint32_t *line = row(y);
        for (int x = left; x < right; ++x) {
            const long double ox = x - static_cast<long double>(cx) + 0.5L;
            const long double oy = y - static_cast<long double>(cy) + 0.5L;
            const float d = float(std::sqrt(ox * ox + oy * oy));
            uint32_t alpha = line[x] >> 24;
            if (d < r - feather)
                alpha = 255;
            else if (d < r)
                alpha = std::min<uint32_t>(alpha + uint32_t(std::trunc((r - d) * slope)), 255);
            line[x] = (line[x] & 0x00FFFFFF) | (alpha << 24);
        }
    }
}

void TGUIDIB::AddCentredDiscAlpha(float feather)
{
    AddDiscAlpha(float(Width() / 2.0L), float(Height() / 2.0L), float((Width() - 1) / 2.0L), feather);
}

void TGUIDIB::MakeOpaque(const QRect &rect)
{
    const QRect r = rect.intersected(QRect(0, 0, Width(), Height()));
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            row(y)[x] |= 0xFF000000;
}

void TGUIDIB::MakeOpaque() { MakeOpaque(QRect(0, 0, Width(), Height())); }

void TGUIDIB::AddTextAlpha(int x, int y, const QString &text, int cellSize, int oversample, int spread)
{
    // Every character cell is as wide as the text's bytes in the interface's
    // code page: a double-byte character gets two cells.
    const auto bytes = kalvuno::encodeCp932(text);
    const int n = int(bytes ? bytes->size() : text.toUtf8().size());
    if (n == 0 || cellSize <= 0 || oversample <= 0)
        return;
    const int o = oversample;
    // White on black: each pixel's blue byte is the text's coverage there.
    QImage scratch(cellSize * n * o, 2 * cellSize * o, QImage::Format_RGB32);
    scratch.setDotsPerMeterX(3780);
    scratch.setDotsPerMeterY(3780);
    scratch.fill(0u);
    {
        QPainter painter(&scratch);
        QFont f = font();
        f.setPointSizeF(qreal(o) * cellSize);
        painter.setFont(f);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, scratch.width(), scratch.height()), Qt::AlignLeft | Qt::AlignTop, text);
    }
    const QRect target = QRect(x, y, cellSize * n, 2 * cellSize).intersected(QRect(0, 0, Width(), Height()));
    const int p = spread;
    const long double divisor = static_cast<long double>(o + p) * (o + p);
    for (int ty = target.top(); ty <= target.bottom(); ++ty) {
        uint32_t *line = row(ty);
        for (int tx = target.left(); tx <= target.right(); ++tx) {
            long double sum = 0;
            for (int j = -p; j < o + p; ++j) {
                const int sy = o * (ty - y) + j;
                if (sy < 0 || sy >= scratch.height())
                    continue;
                const auto *src = reinterpret_cast<const uint32_t *>(scratch.constScanLine(sy));
                for (int i = -p; i < o + p; ++i) {
                    const int sx = o * (tx - x) + i;
                    if (sx >= 0 && sx < scratch.width())
                        sum += static_cast<long double>(src[sx] & 0xFF) / 255;
                }
            }
            const float value = float(sum / divisor * 255);
            const uint32_t alpha = std::min<uint32_t>((line[tx] >> 24) + uint32_t(std::trunc(value)), 255);
            line[tx] = (line[tx] & 0x00FFFFFF) | (alpha << 24);
        }
    }
}

void TGUIDIB::FillRGB(uint32_t color)
{
    for (int y = 0; y < Height(); ++y) {
        uint32_t *line = row(y);
        for (int x = 0; x < Width(); ++x)
            line[x] = color | (line[x] & 0xFF000000);
    }
}

template <class ColourAt> void TGUIDIB::paintGradient(int x1, int y1, int x2, int y2, ColourAt colourAt)
{
    const LineParameter along(x1, y1, x2, y2);
    for (int y = 0; y < Height(); ++y) {
        uint32_t *line = row(y);
        for (int x = 0; x < Width(); ++x)
            line[x] = colourAt(along.at(x, y)) | (line[x] & 0xFF000000);
    }
}

void TGUIDIB::LinearGradient(int x1, int y1, int x2, int y2, uint32_t c1, uint32_t c2)
{
    paintGradient(x1, y1, x2, y2, [&](float t) { return LerpPixel(c1, c2, t); });
}

void TGUIDIB::NoiseGradient(int x1, int y1, int x2, int y2, uint32_t c1, uint32_t c2, uint32_t noise1, uint32_t noise2)
{
    // A random walk of the grain's strength, carried on from row to row.
    float m = randomUnit();
    float target = randomUnit();
    int k = int(kalvuno::randomBelow(50)) + 10;
    float step = float((static_cast<long double>(target) - m) / k);
    paintGradient(x1, y1, x2, y2, [&](float t) {
        const uint32_t e2 = AddNoise(c2, noise2, m);
        const uint32_t e1 = AddNoise(c1, noise1, m);
        const uint32_t colour = LerpPixel(e1, e2, t);
        m = float(static_cast<long double>(m) + step);
        if (--k == 0) {
            target = randomUnit();
            k = int(kalvuno::randomBelow(100)) + 50;
            step = float((static_cast<long double>(target) - m) / k);
        }
        return colour;
    });
}

void TGUIDIB::RadialGradient(uint32_t c1, uint32_t c2, float cx, float cy, float radius)
{
    for (int y = 0; y < Height(); ++y) {
        uint32_t *line = row(y);
        for (int x = 0; x < Width(); ++x) {
            const long double ox = x - static_cast<long double>(cx);
            const long double oy = y - static_cast<long double>(cy);
            const float d = float(std::sqrt(ox * ox + oy * oy));
            line[x] = LerpPixel(c1, c2, float(static_cast<long double>(d) / radius)) | (line[x] & 0xFF000000);
        }
    }
}

void TGUIDIB::BevelFrame(uint32_t light, uint32_t dark)
{
    const int w = Width();
    const int h = Height();
    if (w <= 0 || h <= 0)
        return;
    std::fill(row(0), row(0) + w, light | 0xFF000000);
    if (h > 1)
        std::fill(row(h - 1), row(h - 1) + w, dark | 0xFF000000);
    for (int y = 1; y < h - 1; ++y) {
        row(y)[0] = light | 0xFF000000;
        row(y)[w - 1] = dark | 0xFF000000;
    }
}
