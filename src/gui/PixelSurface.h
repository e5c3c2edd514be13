#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>

class QPainter;

// Pixel arithmetic of the drawing surfaces. Pixels are 0xAARRGGBB; colour
// arguments are 0x00RRGGBB.
uint32_t ColorToPixel(uint32_t color);           // 0x00BBGGRR toolkit colour -> pixel
uint32_t BlendPixel(uint32_t dst, uint32_t src); // src over dst by src's alpha
uint32_t LerpPixel(uint32_t a, uint32_t b, float t);
uint32_t ScalePixel(uint32_t c, float factor);
uint32_t AddNoise(uint32_t c, uint32_t amplitude, float t);

// A 32-bit surface with direct row access, row 0 at the top.
class TFDIB
{
public:
    TFDIB(int width, int height);
    virtual ~TFDIB() = default;
    TFDIB(const TFDIB &) = default;
    TFDIB &operator=(const TFDIB &) = default;

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    uint32_t *row(int y) { return reinterpret_cast<uint32_t *>(m_image.scanLine(y)); }
    const uint32_t *row(int y) const { return reinterpret_cast<const uint32_t *>(m_image.constScanLine(y)); }
    uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, uint32_t p) { row(y)[x] = p; }

    // The font text primitives draw with; the toolkit's default to begin with.
    QFont &font() { return m_font; }

    // Every pixel, alpha included, to 0.
    void Clear();
    // Lays this surface over dest with its top-left corner at (x, y).
    virtual void BlendOnto(TFDIB &dest, int x, int y) const;

    // The surface as a window shows it: colour channels only, alpha ignored.
    QImage opaqueImage() const;
    void drawOn(QPainter &painter, int x, int y) const;
    const QImage &image() const { return m_image; }
    // For drawing text onto the surface with a painter.
    QImage &image() { return m_image; }

private:
    QImage m_image; // Format_ARGB32: each pixel one 0xAARRGGBB word, not premultiplied
    QFont m_font;
};
