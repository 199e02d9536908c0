#include "COverlayController.h"

#include "LibReporter.h"

#include <algorithm>

namespace quorvel {

namespace {

const char *const kWeekdays[] = {"Sun.", "Mon.", "Tues.", "Wed.", "Thur.", "Fri.", "Sat."};

} // namespace

COverlayController::COverlayController(CDataClass &record, Role role, std::mutex *cameraLock, Clock clock)
    : m_Record(record), m_Role(role), m_pCameraLock(cameraLock),
      // UTC is cheap to read every frame; it is turned into local time only
      // when the text is rendered (once a second).
      m_Clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

COverlayController::~COverlayController() = default;

std::unique_lock<std::mutex> COverlayController::lockRecord() const
{
    return m_pCameraLock ? std::unique_lock<std::mutex>(*m_pCameraLock) : std::unique_lock<std::mutex>();
}

void COverlayController::drawInto(VideoFrame &frame)
{
    if (m_Role == Role::Name)
        DrawName(frame);
    else
        DrawTime(frame);
}

QString COverlayController::TimeText(int format, const QDateTime &when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    const char *weekday = kWeekdays[d.dayOfWeek() % 7];
    switch (format) {
    case 0:
        return QString::asprintf("%04d/%02d/%02d:%02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(),
                                 t.minute(), t.second());
    case 1:
        return QString::asprintf("%04d/%02d/%02d/%s:%02d:%02d:%02d", d.year(), d.month(), d.day(), weekday,
                                 t.hour(), t.minute(), t.second());
    case 2:
        return QString::asprintf("%s:%02d:%02d:%02d", weekday, t.hour(), t.minute(), t.second());
    case 3:
        return QString::asprintf("%02d:%02d:%02d", t.hour(), t.minute(), t.second());
    default:
        return QString();
    }
}

bool COverlayController::renderMask(const QString &text, const LogFont &font, bool armed, TextMask &out) const
{
    if (!MayRender())
        return false;
    if (!armed)
        return renderTextMask(text, nullptr, out);
    if (!textRenderingAvailable())
        return false;
    CAutoFont autoFont;
    autoFont.Create(font);
    return renderTextMask(text, &autoFont, out);
}

bool COverlayController::PrepareName()
{
    QString name;
    LogFont font;
    {
        auto guard = lockRecord();
        name = m_Record.m_CameraName;
        font = m_Record.m_NameFont;
    }
    bool armed;
    {
        std::lock_guard guard(m_DrawLock);
        armed = m_Armed;
        m_Prepared = false;
    }
    if (name.isEmpty())
        return false;
    // Rendered outside the draw lock: frames keep flowing meanwhile.
    TextMask rendered;
    const bool ok = renderMask(name, font, armed, rendered);
    std::lock_guard guard(m_DrawLock);
    if (ok)
        m_Mask = std::move(rendered);
    m_Prepared = m_pPixel != nullptr && ok;
    return m_Prepared;
}

void COverlayController::StopName()
{
    std::lock_guard guard(m_DrawLock);
    m_Prepared = false;
}

void COverlayController::ArmTime()
{
    std::lock_guard guard(m_DrawLock);
    m_Prepared = m_pPixel != nullptr;
}

void COverlayController::StopTime()
{
    std::lock_guard guard(m_DrawLock);
    m_Prepared = false;
}

COverlayController::Placement COverlayController::readNamePlacement() const
{
    auto guard = lockRecord();
    return {m_Record.m_NameX, m_Record.m_NameY, m_Record.m_NameColorR, m_Record.m_NameColorG,
            m_Record.m_NameColorB};
}

COverlayController::TimeSettings COverlayController::readTimeSettings() const
{
    TimeSettings s;
    auto guard = lockRecord();
    s.show = m_Record.m_ShowTime;
    s.format = m_Record.m_TimeFormat;
    s.x = m_Record.m_TimeX;
    s.y = m_Record.m_TimeY;
    s.font = m_Record.m_TimeFont;
    s.r = m_Record.m_TimeColorR;
    s.g = m_Record.m_TimeColorG;
    s.b = m_Record.m_TimeColorB;
    return s;
}

void COverlayController::DrawName(VideoFrame &frame)
{
    const Placement p = readNamePlacement();
    std::lock_guard guard(m_DrawLock);
    if (!m_Prepared)
        return;
    useColor(p.r, p.g, p.b);
    paintMask(frame, p.x, p.y);
}

void COverlayController::DrawTime(VideoFrame &frame)
{
    const TimeSettings s = readTimeSettings();
    if (!s.show)
        return;
    const QDateTime now = m_Clock();
    std::lock_guard guard(m_DrawLock);
    if (!m_Prepared)
        return;
    // The mask shows the current second; it is rendered again only when
    // the second, the layout or the font changes, which gives the same
    // pixels as rendering every frame.
    const std::int64_t second = now.toSecsSinceEpoch();
    const bool same = m_HaveTimeKey && second == m_TimeKeySecond && s.format == m_TimeKeyFormat
        && m_Armed == m_TimeKeyArmed && (!m_Armed || s.font == m_TimeKeyFont);
    if (!same) {
        m_HaveTimeKey = true;
        m_TimeKeySecond = second;
        m_TimeKeyFormat = s.format;
        m_TimeKeyFont = s.font;
        m_TimeKeyArmed = m_Armed;
        m_TimeKeyRendered = renderMask(TimeText(s.format, now.toLocalTime()), s.font, m_Armed, m_Mask);
        if (m_TimeKeyRendered) {
            ++m_RenderCount;
            m_ErrorShown = false;
        } else if (!m_ErrorShown) {
            // Once, not per frame: a box per frame from the streaming thread
            // would flood the host. The reporter only queues it.
            m_ErrorShown = true;
            reportPlain(QString::fromLatin1(kRenderError));
        }
    }
    if (!m_TimeKeyRendered)
        return;
    useColor(s.r, s.g, s.b);
    paintMask(frame, s.x, s.y);
}

void COverlayController::PaintName(VideoFrame &frame)
{
    const Placement p = readNamePlacement();
    std::lock_guard guard(m_DrawLock);
    useColor(p.r, p.g, p.b);
    paintMask(frame, p.x, p.y);
}

void COverlayController::PaintTime(VideoFrame &frame)
{
    const TimeSettings s = readTimeSettings();
    std::lock_guard guard(m_DrawLock);
    useColor(s.r, s.g, s.b);
    paintMask(frame, s.x, s.y);
}

void COverlayController::useColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    // A colour the panel wrote into the record shows on the next frame.
    if (m_pPixel && (m_pPixel->red() != r || m_pPixel->green() != g || m_pPixel->blue() != b))
        m_pPixel->SetColor(r, g, b);
}

void COverlayController::paintMask(VideoFrame &frame, std::int64_t x, std::int64_t y)
{
    if (!m_pPixel || !frame.data || m_Mask.empty() || frame.width <= 0 || frame.height <= 0)
        return;
    const int bytesPerPixel = m_pPixel->bytesPerPixel();
    if (frame.width != m_FrameWidth || frame.height != m_FrameHeight)
        SetFrameGeometry(frame.width, frame.bottomUp ? frame.height : -frame.height, bytesPerPixel * 8);
    // Columns that fit a row of this frame for this writer.
    const std::int64_t frameColumns = std::min<std::int64_t>(frame.width, frame.stride / bytesPerPixel);
    if (x >= frameColumns || y >= frame.height)
        return;
    const std::int64_t columns = std::min<std::int64_t>(frameColumns - x, m_Mask.width);
    const std::int64_t rows = std::min<std::int64_t>(frame.height - y, m_Mask.height);
    // A position left of or above the frame cuts the text there instead of
    // writing before the frame.
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -x);
    const std::int64_t firstRow = std::max<std::int64_t>(0, -y);
    for (std::int64_t i = firstRow; i < rows; ++i) {
        const std::uint8_t *maskRow = m_Mask.rowFromTop(int(i));
        std::uint8_t *frameRow = frame.row(int(y + i));
        for (std::int64_t j = firstColumn; j < columns; ++j) {
            if ((maskRow[j >> 3] & (0x80u >> (j & 7))) == 0)
                m_pPixel->WritePixel(m_pPixel->PixelAddress(frameRow, int(x + j)));
        }
    }
}

void COverlayController::createWriter(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    m_pPixel = createPixelWriter(m_PixelFormat);
    if (m_pPixel)
        m_pPixel->SetColor(r, g, b);
}

void COverlayController::CreatePixelWriter()
{
    std::lock_guard guard(m_DrawLock);
    m_pPixel = createPixelWriter(m_PixelFormat);
}

void COverlayController::CreateNameWriter()
{
    const Placement p = readNamePlacement();
    std::lock_guard guard(m_DrawLock);
    createWriter(p.r, p.g, p.b);
}

void COverlayController::CreateTimeWriter()
{
    const TimeSettings s = readTimeSettings();
    std::lock_guard guard(m_DrawLock);
    createWriter(s.r, s.g, s.b);
}

void COverlayController::ResetNameFontAngles()
{
    auto guard = lockRecord();
    m_Record.m_NameFont.lfEscapement = 0;
    m_Record.m_NameFont.lfOrientation = 0;
}

void COverlayController::ResetTimeFontAngles()
{
    auto guard = lockRecord();
    m_Record.m_TimeFont.lfEscapement = 0;
    m_Record.m_TimeFont.lfOrientation = 0;
}

void COverlayController::SetNamePixelFormat(int format)
{
    {
        std::lock_guard guard(m_DrawLock);
        if (m_pPixel && m_PixelFormat == format)
            return;
        m_pPixel.reset();
        m_PixelFormat = std::uint8_t(format);
    }
    CreateNameWriter();
}

void COverlayController::SetTimePixelFormat(int format)
{
    {
        std::lock_guard guard(m_DrawLock);
        if (m_pPixel && m_PixelFormat == format)
            return;
        m_pPixel.reset();
        m_PixelFormat = std::uint8_t(format);
    }
    CreateTimeWriter();
}

void COverlayController::SetFrameGeometry(int width, int signedHeight, int bitsPerPixel)
{
    m_FrameWidth = width;
    m_FrameHeight = signedHeight < 0 ? -signedHeight : signedHeight;
    m_BottomUp = signedHeight > 0;
    m_BitsPerPixel = std::uint16_t(bitsPerPixel);
    if (bitsPerPixel > 0 && bitsPerPixel % 8 == 0)
        m_FrameStride = int((std::int64_t(bitsPerPixel) / 8 * width + 3) & ~std::int64_t(3));
    else
        m_FrameStride = width;
}

void COverlayController::ArmName()
{
    {
        std::lock_guard guard(m_DrawLock);
        m_Armed = true;
    }
    ResetNameFontAngles();
}

void COverlayController::ArmTimeFonts()
{
    {
        std::lock_guard guard(m_DrawLock);
        m_Armed = true;
    }
    ResetTimeFontAngles();
}

void COverlayController::SetNameColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    // The writer takes the colour up on the streaming thread at the next
    // frame.
    auto guard = lockRecord();
    m_Record.m_NameColorR = r;
    m_Record.m_NameColorG = g;
    m_Record.m_NameColorB = b;
}

void COverlayController::SetTimeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    auto guard = lockRecord();
    m_Record.m_TimeColorR = r;
    m_Record.m_TimeColorG = g;
    m_Record.m_TimeColorB = b;
}

} // namespace quorvel
