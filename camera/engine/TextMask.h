// A text rendered into a one-bit mask: rows bottom-up, each of
// stride() bytes, bit 7 - (x mod 8) of byte x / 8 for column x; text pixels
// are 0, background 1. Rendered with QPainter on a QImage (safe on any
// thread) without antialiasing.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>
#include <vector>

namespace quorvel {

class CAutoFont;

struct TextMask {
    // Largest mask rendered; a longer text or taller font fails to render.
    static constexpr int kMaxWidth = 16384;
    static constexpr int kMaxHeight = 2048;

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;

    // ((width + 31) / 8) rounded down to a multiple of 4, in bytes.
    static int strideFor(int width) { return ((width + 31) / 8) & ~3; }
    int stride() const { return strideFor(width); }
    bool empty() const { return width <= 0 || height <= 0; }
    // Row y counted from the top of the text.
    const std::uint8_t *rowFromTop(int y) const
    {
        return bits.data() + std::ptrdiff_t(height - 1 - y) * stride();
    }
    bool isTextPixel(int x, int yFromTop) const
    {
        return (rowFromTop(yFromTop)[x >> 3] & (0x80u >> (x & 7))) == 0;
    }
};

// True when fonts can be used: a QGuiApplication exists.
bool textRenderingAvailable();

// Renders `text` in `font` (null: the default font of a drawing context)
// into `mask`. On failure (no QGuiApplication, empty text, a text too large)
// returns false and leaves `mask` as it was.
bool renderTextMask(const QString &text, CAutoFont *font, TextMask &mask);

} // namespace quorvel
