// The camera's settings file: any bytes load without reading past the end,
// and what loads writes back into a file that loads the same. The loaded
// record then drives frames through the name and time overlays and the
// motion check: any region, font or position is cut or clamped, never read
// or written outside the frames.
#include "CDataClass.h"
#include "COverlayController.h"
#include "CSampleGrabberCB.h"
#include "MotionDetector.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

// Qt's font database keeps fontconfig patterns it has looked up for the
// rest of the run; the per-input leak check sees them as lost. Only
// allocations made inside fontconfig are suppressed.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts need a QGuiApplication; offscreen, no display.
    static int argc = 1;
    static char name[] = "fuzz_datarecord";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quorvel::CDataClass d;
    d.loadFromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray once = d.toBytes();
    quorvel::CDataClass again;
    again.loadFromBytes(once);
    if (again.toBytes() != once)
        std::abort();

    // No files, programs or sounds from a fuzzed record.
    d.m_NoCapImage_move = true;
    d.m_MoveShellExecute = false;
    d.m_MovePlaySound = false;
    d.m_MoveCheck = true;
    // Face names and very large sizes only exercise fontconfig's lookups and
    // glyph rendering (slow under the sanitizers); the overlays' own
    // clamping of huge sizes is covered by the engine tests.
    for (quorvel::LogFont *font : {&d.m_NameFont, &d.m_TimeFont}) {
        font->setFaceName(QString());
        font->lfHeight %= 64;
        font->lfWidth %= 64;
    }

    // A frame size from the input, rows tightly packed so that any write
    // past them is caught.
    const int width = 1 + int(size % 83);
    const int height = 1 + int((size / 83) % 61);
    std::vector<std::uint8_t> bytes(std::size_t(width) * 3 * std::size_t(height), 0x10);
    quorvel::VideoFrame frame;
    frame.data = bytes.data();
    frame.width = width;
    frame.height = height;
    frame.stride = width * 3;
    frame.bottomUp = (size & 1) != 0;

    QDateTime when(QDate(2024, 1, 4), QTime(14, 3, 9));
    auto clock = [&when] { return when; };
    quorvel::CSampleGrabberCB cb;
    cb.m_pRecord = &d;
    auto name = std::make_unique<quorvel::COverlayController>(d, quorvel::COverlayController::Role::Name, nullptr, clock);
    auto time = std::make_unique<quorvel::COverlayController>(d, quorvel::COverlayController::Role::Time, nullptr, clock);
    name->SetNamePixelFormat(cb.m_PixelFormat);
    time->SetTimePixelFormat(cb.m_PixelFormat);
    name->ArmName();
    name->PrepareName();
    time->ArmTimeFonts();
    time->ArmTime();
    cb.m_pNameOverlay = std::move(name);
    cb.m_pTimeOverlay = std::move(time);
    quorvel::MotionDetector motion(cb, clock);
    cb.m_pMotionCheck = &motion;

    cb.BufferCB(0.0, &frame);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = data[i % (size ? size : 1)] ^ std::uint8_t(i);
    // Late enough for the second check, whatever the interval.
    when = when.addMSecs(qint64(std::max(0, d.m_MoveInterval)) + 1);
    cb.BufferCB(0.0, &frame);
    return 0;
}
