#include "TextMask.h"

#include "CAutoFont.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace quorvel {

bool textRenderingAvailable()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

bool renderTextMask(const QString &text, CAutoFont *font, TextMask &mask)
{
    if (text.isEmpty() || !textRenderingAvailable())
        return false;
    const QFont used = font ? font->font() : CAutoFont::defaultFont();
    // Measured on an image, so the metrics are those of the device drawn on.
    QImage probe(1, 1, QImage::Format_RGB32);
    const QFontMetrics metrics(used, &probe);
    const int width = metrics.horizontalAdvance(text);
    const int height = metrics.height();
    if (width <= 0 || height <= 0 || width > TextMask::kMaxWidth || height > TextMask::kMaxHeight)
        return false;

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        if (!painter.isActive())
            return false;
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (font)
            font->Select(painter);
        else
            painter.setFont(used);
        painter.setPen(Qt::black);
        painter.drawText(0, metrics.ascent(), text);
        if (font)
            font->Release();
    }

    TextMask out;
    out.width = width;
    out.height = height;
    const int stride = out.stride();
    out.bits.assign(std::size_t(stride) * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        std::uint8_t *dst = out.bits.data() + std::ptrdiff_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x)
            if (qGray(src[x]) >= 128)  // background
                dst[x >> 3] |= std::uint8_t(0x80u >> (x & 7));
    }
    mask = std::move(out);
    return true;
}

} // namespace quorvel
