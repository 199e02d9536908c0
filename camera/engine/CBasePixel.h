// Pixel writers: put one colour into a pixel of a frame, in the byte layout
// of the frame's pixel format. The frame path's frames are 24-bit, so
// CPixelRGB24 is the one in use; the others keep the formats a capture
// device may connect with.
#pragma once

#include <cstdint>
#include <memory>

namespace quorvel {

class CBasePixel {
public:
    virtual ~CBasePixel() = default;

    // Writes the colour at `pixel` (bytesPerPixel() bytes).
    virtual void WritePixel(std::uint8_t *pixel) const { (void)pixel; }
    // Complements every byte of the pixel.
    virtual void InvertPixel(std::uint8_t *pixel) const;
    // Recomputes the packed value from red, green and blue.
    virtual void UpdateColor() {}

    void SetColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    void SetBytesPerPixel(std::uint8_t bytes) { m_BytesPerPixel = bytes; }
    std::uint8_t *PixelAddress(std::uint8_t *row, int column) const
    {
        return row + std::ptrdiff_t(column) * m_BytesPerPixel;
    }

    std::uint8_t red() const { return m_Red; }
    std::uint8_t green() const { return m_Green; }
    std::uint8_t blue() const { return m_Blue; }
    int bytesPerPixel() const { return m_BytesPerPixel; }

protected:
    std::uint8_t m_Red = 0;
    std::uint8_t m_Green = 0;
    std::uint8_t m_Blue = 0;
    std::uint8_t m_BytesPerPixel = 1;
};

// 8-bit palette frames: the fixed palette index 10.
class CPixelRGB8 : public CBasePixel {
public:
    static constexpr std::uint8_t kPaletteIndex = 10;
    CPixelRGB8() { SetBytesPerPixel(1); }
    void WritePixel(std::uint8_t *pixel) const override { pixel[0] = kPaletteIndex; }
};

// 15-bit 5-5-5, low byte first.
class CPixelRGB555 : public CBasePixel {
public:
    CPixelRGB555() { SetBytesPerPixel(2); }
    void UpdateColor() override;
    void WritePixel(std::uint8_t *pixel) const override;

private:
    std::uint16_t m_Packed = 0;
};

// 16-bit 5-6-5, low byte first.
class CPixelRGB565 : public CBasePixel {
public:
    CPixelRGB565() { SetBytesPerPixel(2); }
    void UpdateColor() override;
    void WritePixel(std::uint8_t *pixel) const override;

private:
    std::uint16_t m_Packed = 0;
};

// 24-bit: blue, green, red.
class CPixelRGB24 : public CBasePixel {
public:
    CPixelRGB24() { SetBytesPerPixel(3); }
    void WritePixel(std::uint8_t *pixel) const override
    {
        pixel[0] = m_Blue;
        pixel[1] = m_Green;
        pixel[2] = m_Red;
    }
};

// 32-bit: blue, green, red, 0.
class CPixelRGB32 : public CBasePixel {
public:
    CPixelRGB32() { SetBytesPerPixel(4); }
    void WritePixel(std::uint8_t *pixel) const override
    {
        pixel[0] = m_Blue;
        pixel[1] = m_Green;
        pixel[2] = m_Red;
        pixel[3] = 0;
    }
};

// Pixel format numbers of the connected media type.
enum PixelFormatNumber : int {
    kPixelFormatOther = 1,
    kPixelFormatRGB8 = 3,
    kPixelFormatRGB555 = 4,
    kPixelFormatRGB565 = 5,
    kPixelFormatRGB24 = 6,
    kPixelFormatRGB32 = 7,
};

// The writer for a pixel format, or null for a format without one.
std::unique_ptr<CBasePixel> createPixelWriter(int pixelFormat);

} // namespace quorvel
