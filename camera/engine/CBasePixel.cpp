#include "CBasePixel.h"

namespace quorvel {

void CBasePixel::InvertPixel(std::uint8_t *pixel) const
{
    for (int i = 0; i < m_BytesPerPixel; ++i)
        pixel[i] = std::uint8_t(~pixel[i]);
}

void CBasePixel::SetColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    m_Red = red;
    m_Green = green;
    m_Blue = blue;
    UpdateColor();
}

void CPixelRGB555::UpdateColor()
{
    m_Packed = std::uint16_t(((m_Red >> 3) << 10) + ((m_Green >> 3) << 5) + (m_Blue >> 3));
}

void CPixelRGB555::WritePixel(std::uint8_t *pixel) const
{
    pixel[0] = std::uint8_t(m_Packed & 0xff);
    pixel[1] = std::uint8_t(m_Packed >> 8);
}

void CPixelRGB565::UpdateColor()
{
    m_Packed = std::uint16_t(((m_Red >> 3) << 11) + ((m_Green >> 2) << 5) + (m_Blue >> 3));
}

void CPixelRGB565::WritePixel(std::uint8_t *pixel) const
{
    pixel[0] = std::uint8_t(m_Packed & 0xff);
    pixel[1] = std::uint8_t(m_Packed >> 8);
}

std::unique_ptr<CBasePixel> createPixelWriter(int pixelFormat)
{
    switch (pixelFormat) {
    case kPixelFormatRGB8:
        return std::make_unique<CPixelRGB8>();
    case kPixelFormatRGB555:
        return std::make_unique<CPixelRGB555>();
    case kPixelFormatRGB565:
        return std::make_unique<CPixelRGB565>();
    case kPixelFormatRGB24:
        return std::make_unique<CPixelRGB24>();
    case kPixelFormatRGB32:
        return std::make_unique<CPixelRGB32>();
    default:
        return nullptr;
    }
}

} // namespace quorvel
