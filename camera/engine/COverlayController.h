// One text overlay of a camera: the camera's name or the date and time,
// rendered into a one-bit mask and painted into every frame in the text's
// colour through the pixel writer of the frame's pixel format. The camera
// creates two at every graph start (name and time); the frame path calls
// drawInto for each frame on the streaming thread.
#pragma once

#include "CAutoFont.h"
#include "CBasePixel.h"
#include "CDataClass.h"
#include "FrameHooks.h"
#include "TextMask.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace quorvel {

class COverlayController : public FrameOverlay {
public:
    enum class Role { Name, Time };
    using Clock = std::function<QDateTime()>;

    // The record (and the camera lock guarding the fields the panels change
    // while frames run, may be null) must outlive the controller. The clock
    // defaults to now; the text shows its local time.
    COverlayController(CDataClass &record, Role role, std::mutex *cameraLock = nullptr, Clock clock = {});
    ~COverlayController() override;

    // The per-frame draw of its role (name or time).
    void drawInto(VideoFrame &frame) override;

    bool PrepareName();
    void StopName();
    void DrawName(VideoFrame &frame);
    void DrawTime(VideoFrame &frame);
    void ArmTime();
    void StopTime();
    bool MayRender() const { return true; }
    void CreatePixelWriter();
    void CreateNameWriter();
    void CreateTimeWriter();
    void ResetNameFontAngles();
    void ResetTimeFontAngles();
    void PaintName(VideoFrame &frame);
    void PaintTime(VideoFrame &frame);

    void SetNamePixelFormat(int format);
    void SetTimePixelFormat(int format);
    // From the video header: the height is negative for a top-down frame.
    void SetFrameGeometry(int width, int signedHeight, int bitsPerPixel);
    void ArmName();
    void ArmTimeFonts();
    // Store the colour in the record; the next frame shows it.
    void SetNameColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    void SetTimeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    // The time text of a layout (0 to 3); empty for any other layout.
    static QString TimeText(int format, const QDateTime &when);

    bool prepared() const
    {
        std::lock_guard guard(m_DrawLock);
        return m_Prepared;
    }
    int paintMode() const { return m_PaintMode; }
    // A copy of the current mask (tests).
    TextMask mask() const
    {
        std::lock_guard guard(m_DrawLock);
        return m_Mask;
    }
    int frameStride() const { return m_FrameStride; }
    // How many time masks were rendered (once per new text, not per frame).
    std::uint64_t renderCount() const { return m_RenderCount; }

    // The message shown when a time mask cannot be rendered.
    static constexpr const char *kRenderError = "er";

private:
    struct TimeSettings {
        std::uint8_t show = 0;
        std::int32_t format = 0;
        std::int32_t x = 0;
        std::int32_t y = 0;
        LogFont font;
        std::uint8_t r = 0, g = 0, b = 0;
    };
    struct Placement {
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::uint8_t r = 0, g = 0, b = 0;
    };
    TimeSettings readTimeSettings() const;
    Placement readNamePlacement() const;
    bool renderMask(const QString &text, const LogFont &font, bool armed, TextMask &out) const;
    // With m_DrawLock held.
    void paintMask(VideoFrame &frame, std::int64_t x, std::int64_t y);
    void useColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    void createWriter(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    std::unique_lock<std::mutex> lockRecord() const;

    // Guards the writer, the mask, prepared and armed: the camera prepares
    // the name on the UI thread while frames may already be drawn. Never
    // held together with the camera lock.
    mutable std::mutex m_DrawLock;

    // In the order of the class's description.
    std::unique_ptr<CBasePixel> m_pPixel;
    bool m_Prepared = false;
    const int m_PaintMode = 1;  // text pixels in the text colour
    TextMask m_Mask;
    bool m_Armed = false;
    std::uint8_t m_PixelFormat = 0;
    int m_FrameWidth = 0;
    int m_FrameHeight = 0;
    int m_FrameStride = 0;
    std::uint16_t m_BitsPerPixel = 0;
    bool m_BottomUp = false;
    CDataClass &m_Record;

    const Role m_Role;
    std::mutex *m_pCameraLock;
    Clock m_Clock;
    // What the time mask shows, so it is rendered only when it changes.
    bool m_HaveTimeKey = false;
    std::int64_t m_TimeKeySecond = 0;
    std::int32_t m_TimeKeyFormat = 0;
    LogFont m_TimeKeyFont;
    bool m_TimeKeyArmed = false;
    bool m_TimeKeyRendered = false;
    // "er" is shown once per failure run: again only after a render worked.
    bool m_ErrorShown = false;
    std::uint64_t m_RenderCount = 0;
};

} // namespace quorvel
