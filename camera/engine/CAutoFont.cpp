#include "CAutoFont.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace quorvel {

namespace {

// Pixel size of a point size on a 96-dpi device (the desk's screens).
int pixelsForPoints(qreal points)
{
    return std::max(1, int(points * 96.0 / 72.0 + 0.5));
}

QFont::StyleHint styleHintFor(std::uint8_t pitchAndFamily)
{
    switch (pitchAndFamily & 0xf0) {
    case 0x10: return QFont::Serif;       // roman
    case 0x20: return QFont::SansSerif;   // swiss
    case 0x30: return QFont::Monospace;   // modern
    case 0x40: return QFont::Cursive;     // script
    case 0x50: return QFont::Decorative;  // decorative
    default: return (pitchAndFamily & 0x03) == 1 ? QFont::Monospace : QFont::SansSerif;
    }
}

} // namespace

CAutoFont::CAutoFont() : m_Record(defaultRecord()) {}

CAutoFont::~CAutoFont()
{
    Release();
}

LogFont CAutoFont::defaultRecord()
{
    LogFont r;
    r.lfHeight = -12;
    r.lfWeight = 400;
    r.lfQuality = 2;
    r.lfPitchAndFamily = 18;
    r.setFaceName(QStringLiteral("Arial"));
    return r;
}

QFont CAutoFont::defaultFont()
{
    QFont f;
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelsForPoints(f.pointSizeF() > 0 ? f.pointSizeF() : 12.0));
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QFont CAutoFont::fontFor(const LogFont &r)
{
    QFont f = defaultFont();
    f.setStyleHint(styleHintFor(r.lfPitchAndFamily), QFont::NoAntialias);
    const QString face = r.faceName();
    if (!face.isEmpty())
        f.setFamilies({face});
    if ((r.lfPitchAndFamily & 0x03) == 1)
        f.setFixedPitch(true);

    // std::abs of INT_MIN is undefined: widen first.
    const std::int64_t height = r.lfHeight;
    if (height != 0) {
        const int wanted = int(std::min<std::int64_t>(height < 0 ? -height : height, kMaxPixelSize));
        f.setPixelSize(wanted);
        if (height > 0) {
            // A positive height is the cell (line) height: shrink the
            // character height so that the line fits it.
            const int cell = QFontMetrics(f).height();
            if (cell > wanted)
                f.setPixelSize(std::max(1, int(std::int64_t(wanted) * wanted / cell)));
        }
    }
    if (r.lfWeight > 0)
        f.setWeight(QFont::Weight(std::clamp<std::int32_t>(r.lfWeight, 1, 1000)));
    f.setItalic(r.lfItalic != 0);
    f.setUnderline(r.lfUnderline != 0);
    f.setStrikeOut(r.lfStrikeOut != 0);
    if (r.lfWidth != 0) {
        // The average character width: a stretch of the natural width.
        const int natural = QFontMetrics(f).averageCharWidth();
        const std::int64_t width = r.lfWidth < 0 ? -std::int64_t(r.lfWidth) : std::int64_t(r.lfWidth);
        if (natural > 0)
            f.setStretch(int(std::clamp<std::int64_t>(width * 100 / natural, 1, 4000)));
    }
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void CAutoFont::Create(const LogFont &record)
{
    Release();
    m_Record = record;
    m_Font = fontFor(record);
}

void CAutoFont::Select(QPainter &painter)
{
    Release();
    m_pPainter = &painter;
    m_Previous = painter.font();
    painter.setFont(m_Font);
}

void CAutoFont::Release()
{
    if (m_pPainter && m_Previous && m_pPainter->isActive())
        m_pPainter->setFont(*m_Previous);
    m_pPainter = nullptr;
    m_Previous.reset();
}

} // namespace quorvel
