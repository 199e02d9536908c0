// Text overlays without a display: the pixel writers' bytes, the one-bit
// mask geometry, fonts from stored records, painting with the cut at the
// frame's edges, the time layouts and the once-a-second rendering, and the
// "er" message.
#include "CAutoFont.h"
#include "CBasePixel.h"
#include "COverlayController.h"
#include "CDataClass.h"
#include "CSampleGrabberCB.h"
#include "LibReporter.h"
#include "TextMask.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <climits>
#include <cstring>
#include <vector>

using namespace quorvel;

namespace {

// Fonts need a QGuiApplication (offscreen in tests); made once, before any
// test, on the main thread.
class GuiApp : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "engine_overlay_motion_test";
            static char *argv[] = {name, nullptr};
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            app = new QGuiApplication(argc, argv);
        }
    }
    void TearDown() override
    {
        delete app;
        app = nullptr;
    }
    QGuiApplication *app = nullptr;
};
const auto *const kGuiApp = ::testing::AddGlobalTestEnvironment(new GuiApp);

// A 24-bit frame filled with `fill`, rows padded by `extra` bytes of 0xAA so
// that a write past a row's pixels shows.
struct Frame {
    Frame(int w, int h, bool bottomUp = false, int extra = 8, std::uint8_t fill = 0x40)
    {
        frame.width = w;
        frame.height = h;
        frame.stride = w * 3 + extra;
        frame.bottomUp = bottomUp;
        bytes.assign(std::size_t(frame.stride) * std::size_t(h), 0xAA);
        frame.data = bytes.data();
        for (int y = 0; y < h; ++y)
            std::memset(frame.row(y), fill, std::size_t(w) * 3);
    }
    const std::uint8_t *pixel(int x, int y) const { return frame.row(y) + x * 3; }
    bool isColour(int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) const
    {
        const std::uint8_t *p = pixel(x, y);
        return p[0] == b && p[1] == g && p[2] == r;
    }
    bool paddingIntact() const
    {
        for (int y = 0; y < frame.height; ++y)
            for (int i = frame.width * 3; i < frame.stride; ++i)
                if (frame.row(y)[i] != 0xAA)
                    return false;
        return true;
    }
    std::vector<std::uint8_t> bytes;
    VideoFrame frame;
};

// A name overlay as the camera sets it up at graph start.
std::unique_ptr<COverlayController> nameOverlay(CDataClass &record)
{
    auto c = std::make_unique<COverlayController>(record, COverlayController::Role::Name);
    c->SetNamePixelFormat(kPixelFormatRGB24);
    c->StopName();
    c->ArmName();
    c->PrepareName();
    return c;
}

std::unique_ptr<COverlayController> timeOverlay(CDataClass &record, COverlayController::Clock clock)
{
    auto c = std::make_unique<COverlayController>(record, COverlayController::Role::Time, nullptr, std::move(clock));
    c->SetTimePixelFormat(kPixelFormatRGB24);
    c->StopTime();
    c->ArmTimeFonts();
    c->ArmTime();
    return c;
}

int textPixels(const TextMask &m)
{
    int n = 0;
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            n += m.isTextPixel(x, y);
    return n;
}

} // namespace

// The bytes each writer puts into a pixel, for red 255, green 128, blue 64.
struct WriterCase {
    const char *name;
    int format;
    std::vector<std::uint8_t> bytes;  // empty: no writer
};

class PixelWriters : public ::testing::TestWithParam<WriterCase> {};

TEST_P(PixelWriters, WriteTheFormatsBytes)
{
    const WriterCase c = GetParam();
    auto writer = createPixelWriter(c.format);
    if (c.bytes.empty()) {
        EXPECT_EQ(writer, nullptr);
        return;
    }
    ASSERT_NE(writer, nullptr);
    writer->SetColor(255, 128, 64);
    EXPECT_EQ(writer->bytesPerPixel(), int(c.bytes.size()));
    std::uint8_t pixels[12];
    std::memset(pixels, 0x5A, sizeof pixels);
    // Column 1 of a row: only its bytes change.
    writer->WritePixel(writer->PixelAddress(pixels, 1));
    const int n = writer->bytesPerPixel();
    EXPECT_EQ(std::vector<std::uint8_t>(pixels + n, pixels + 2 * n), c.bytes);
    for (int i = 0; i < 12; ++i) {
        if (i < n || i >= 2 * n) {
            EXPECT_EQ(pixels[i], 0x5A) << i;
        }
    }
    writer->InvertPixel(pixels);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(pixels[i], 0xA5);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PixelWriters,
    ::testing::Values(
        WriterCase{"Other", kPixelFormatOther, {}}, WriterCase{"Two", 2, {}},
        WriterCase{"RGB8_paletteIndex10", kPixelFormatRGB8, {10}},
        // ((255>>3)<<10) + ((128>>3)<<5) + (64>>3) = 0x7E08
        WriterCase{"RGB555", kPixelFormatRGB555, {0x08, 0x7E}},
        // ((255>>3)<<11) + ((128>>2)<<5) + (64>>3) = 0xFC08
        WriterCase{"RGB565", kPixelFormatRGB565, {0x08, 0xFC}},
        WriterCase{"RGB24_blueGreenRed", kPixelFormatRGB24, {64, 128, 255}},
        WriterCase{"RGB32_blueGreenRedZero", kPixelFormatRGB32, {64, 128, 255, 0}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PixelWriters, PackedValuesFollowTheirColour)
{
    CPixelRGB565 w;
    std::uint8_t p[2];
    w.SetColor(0, 255, 0);
    w.WritePixel(p);
    EXPECT_EQ(p[0] | (p[1] << 8), 63 << 5);
    w.SetColor(7, 3, 7);  // below one step of every channel
    w.WritePixel(p);
    EXPECT_EQ(p[0] | (p[1] << 8), 0);
}

struct StrideCase {
    int width;
    int stride;
};

class MaskStride : public ::testing::TestWithParam<StrideCase> {};

TEST_P(MaskStride, RowsAreWholeFourByteWords)
{
    EXPECT_EQ(TextMask::strideFor(GetParam().width), GetParam().stride);
}

INSTANTIATE_TEST_SUITE_P(Widths, MaskStride,
                         ::testing::Values(StrideCase{1, 4}, StrideCase{31, 4}, StrideCase{32, 4},
                                           StrideCase{33, 8}, StrideCase{64, 8}, StrideCase{65, 12},
                                           StrideCase{100, 16}, StrideCase{640, 80}),
                         [](const auto &info) { return "Width" + std::to_string(info.param.width); });

class MaskGeometry : public ::testing::TestWithParam<const char *> {};

TEST_P(MaskGeometry, MeasuredSizeAndBottomUpRows)
{
    const QString text = QString::fromUtf8(GetParam());
    CAutoFont font;
    LogFont record;
    record.lfHeight = -20;
    font.Create(record);
    TextMask mask;
    ASSERT_TRUE(renderTextMask(text, &font, mask));
    QImage probe(1, 1, QImage::Format_RGB32);
    const QFontMetrics metrics(font.font(), &probe);
    EXPECT_EQ(mask.width, metrics.horizontalAdvance(text));
    EXPECT_EQ(mask.height, metrics.height());
    EXPECT_EQ(mask.bits.size(), std::size_t(TextMask::strideFor(mask.width)) * std::size_t(mask.height));
    EXPECT_GT(textPixels(mask), 0);
    EXPECT_LT(textPixels(mask), mask.width * mask.height);
}

INSTANTIATE_TEST_SUITE_P(Texts, MaskGeometry, ::testing::Values("I", "0#", "2024/01/05:14:03:09", "WWWWWWWWWWWW"),
                         [](const auto &info) { return "Text" + std::to_string(info.index); });

TEST(TextMask, RowsAreStoredBottomUpAndTextIsZero)
{
    // An underscore sits at the bottom of the text: its pixels are in the
    // first rows of the buffer.
    TextMask mask;
    ASSERT_TRUE(renderTextMask(QStringLiteral("__"), nullptr, mask));
    int topHalf = 0, bottomHalf = 0;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.isTextPixel(x, y))
                (y < mask.height / 2 ? topHalf : bottomHalf)++;
    EXPECT_EQ(topHalf, 0);
    EXPECT_GT(bottomHalf, 0);
    // Buffer row 0 is the bottom text row.
    bool bufferRowsNearStartHaveText = false;
    for (int r = 0; r < mask.height / 2; ++r)
        for (int b = 0; b < mask.stride(); ++b)
            if (mask.bits[std::size_t(r * mask.stride() + b)] != 0xFF && b < mask.width / 8)
                bufferRowsNearStartHaveText = true;
    EXPECT_TRUE(bufferRowsNearStartHaveText);
}

TEST(TextMask, NothingToRenderLeavesTheMask)
{
    TextMask mask;
    ASSERT_TRUE(renderTextMask(QStringLiteral("ok"), nullptr, mask));
    const TextMask before = mask;
    EXPECT_FALSE(renderTextMask(QString(), nullptr, mask));
    EXPECT_EQ(mask.bits, before.bits);
    EXPECT_EQ(mask.width, before.width);
}

TEST(CAutoFont, RecordsBecomeFonts)
{
    const QFont zero = CAutoFont::fontFor(LogFont{});
    const QFont fallback = CAutoFont::defaultFont();
    EXPECT_EQ(zero.family(), fallback.family());
    EXPECT_EQ(zero.pixelSize(), fallback.pixelSize());
    EXPECT_GT(zero.pixelSize(), 0);
    EXPECT_EQ(zero.weight(), QFont::Normal);
    EXPECT_EQ(zero.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);

    LogFont r;
    r.lfHeight = -20;
    r.lfWeight = 700;
    r.lfItalic = 1;
    r.lfUnderline = 1;
    r.lfStrikeOut = 1;
    r.setFaceName(QStringLiteral("DejaVu Serif"));
    const QFont f = CAutoFont::fontFor(r);
    EXPECT_EQ(f.pixelSize(), 20);
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_TRUE(f.italic());
    EXPECT_TRUE(f.underline());
    EXPECT_TRUE(f.strikeOut());
    EXPECT_EQ(QFontInfo(f).family(), QStringLiteral("DejaVu Serif"));

    // A positive height is the cell height: the line fits it.
    r.lfHeight = 30;
    EXPECT_LE(QFontMetrics(CAutoFont::fontFor(r)).height(), 30);
    // A width narrows the font.
    LogFont narrow;
    narrow.lfHeight = -20;
    narrow.lfWidth = 4;
    EXPECT_LT(QFontMetrics(CAutoFont::fontFor(narrow)).averageCharWidth(),
              QFontMetrics(CAutoFont::fontFor(LogFont{-20})).averageCharWidth());
}

TEST(CAutoFont, SelectAndReleaseRestoreThePaintersFont)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    QFont before = painter.font();
    {
        CAutoFont font;
        LogFont r;
        r.lfHeight = -33;
        font.Create(r);
        font.Select(painter);
        EXPECT_EQ(painter.font().pixelSize(), 33);
    }  // released on destruction
    EXPECT_EQ(painter.font(), before);
}

TEST(CAutoFont, MissingFaceFallsBackAndChineseRendersWithTheCjkFont)
{
    LogFont r;
    r.lfHeight = -24;
    r.setFaceName(QStringLiteral("No Such Face 12345"));
    CAutoFont missing;
    missing.Create(r);
    TextMask mask;
    ASSERT_TRUE(renderTextMask(QStringLiteral("0#"), &missing, mask));
    EXPECT_GT(textPixels(mask), 0);

    ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("WenQuanYi Zen Hei")));
    const QString name = QStringLiteral("大门摄像头");
    CAutoFont any;
    any.Create(LogFont{-24});
    LogFont cjk{-24};
    cjk.setFaceName(QStringLiteral("WenQuanYi Zen Hei"));
    CAutoFont zenhei;
    zenhei.Create(cjk);
    // The fallback draws the CJK font's glyphs (same advances), not boxes.
    EXPECT_EQ(QFontMetrics(any.font()).horizontalAdvance(name), QFontMetrics(zenhei.font()).horizontalAdvance(name));
    ASSERT_TRUE(renderTextMask(name, &any, mask));
    EXPECT_GT(textPixels(mask), 5 * 20);
}

TEST(Overlay, NameAt600IsCutAfter40Columns)
{
    CDataClass record;
    record.m_CameraName = QStringLiteral("Gate camera north");
    record.m_NameX = 600;
    record.m_NameY = 10;
    auto name = nameOverlay(record);
    ASSERT_TRUE(name->prepared());
    const TextMask mask = name->mask();
    ASSERT_GT(mask.width, 40);
    Frame f(640, 480);
    name->drawInto(f.frame);
    EXPECT_TRUE(f.paddingIntact());
    int painted = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool inText = x >= 600 && y >= 10 && y < 10 + mask.height && mask.isTextPixel(x - 600, y - 10);
            // Default colour red 255, green 0, blue 0: bytes 0, 0, 255.
            if (inText) {
                ASSERT_TRUE(f.isColour(x, y, 0, 0, 255)) << x << "," << y;
                ++painted;
            } else {
                ASSERT_TRUE(f.isColour(x, y, 0x40, 0x40, 0x40)) << x << "," << y;
            }
        }
    EXPECT_GT(painted, 0);
}

TEST(Overlay, BottomUpFramesGetTheTextAtTheTopOfThePicture)
{
    CDataClass record;
    record.m_CameraName = QStringLiteral("0#");
    auto name = nameOverlay(record);
    Frame f(64, 48, true);
    name->drawInto(f.frame);
    const TextMask mask = name->mask();
    for (int y = 0; y < mask.height && y < 48; ++y)
        for (int x = 0; x < mask.width && x < 64; ++x)
            EXPECT_EQ(f.isColour(x, y, 0, 0, 255), mask.isTextPixel(x, y));
    // Top of the picture is the last row in memory.
    bool lastMemoryRowTouched = false;
    for (int x = 0; x < 64; ++x)
        lastMemoryRowTouched |= f.bytes[std::size_t(47 * f.frame.stride + x * 3)] != 0x40;
    EXPECT_EQ(lastMemoryRowTouched, [&] {
        for (int x = 0; x < mask.width; ++x)
            if (mask.isTextPixel(x, 0))
                return true;
        return false;
    }());
}

TEST(Overlay, EmptyNameDrawsNothing)
{
    CDataClass record;
    record.m_CameraName.clear();
    auto name = nameOverlay(record);
    EXPECT_FALSE(name->prepared());
    Frame f(64, 48);
    const auto before = f.bytes;
    name->drawInto(f.frame);
    EXPECT_EQ(f.bytes, before);
}

TEST(Overlay, ColourChangesShowOnTheNextFrame)
{
    CDataClass record;
    record.m_CameraName = QStringLiteral("A");
    auto name = nameOverlay(record);
    name->SetNameColor(1, 2, 3);
    Frame f(64, 48);
    name->drawInto(f.frame);
    const TextMask mask = name->mask();
    bool found = false;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.isTextPixel(x, y)) {
                EXPECT_TRUE(f.isColour(x, y, 3, 2, 1));
                found = true;
            }
    EXPECT_TRUE(found);
    EXPECT_EQ(record.m_NameColorR, 1);
}

// Positions that make no sense cut the text or draw nothing, never write
// outside the frame (AddressSanitizer in the sanitizer build).
struct PositionCase {
    const char *name;
    int x, y;
    bool draws;
};

class OverlayPositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(OverlayPositions, CutOrNothing)
{
    const PositionCase c = GetParam();
    CDataClass record;
    record.m_CameraName = QStringLiteral("WWWW");
    record.m_NameX = c.x;
    record.m_NameY = c.y;
    auto name = nameOverlay(record);
    Frame f(32, 16, false, 0);
    f.bytes.shrink_to_fit();
    const auto before = f.bytes;
    name->drawInto(f.frame);
    EXPECT_EQ(f.bytes != before, c.draws);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, OverlayPositions,
    ::testing::Values(PositionCase{"Origin", 0, 0, true}, PositionCase{"LeftOfTheFrame", -10, 0, true},
                      PositionCase{"AboveTheFrame", 0, -3, true}, PositionCase{"FarLeft", -100000, 0, false},
                      PositionCase{"RightEdge", 32, 0, false}, PositionCase{"BottomEdge", 0, 16, false},
                      PositionCase{"Minimum", INT_MIN, INT_MIN, false},
                      PositionCase{"Maximum", INT_MAX, INT_MAX, false},
                      PositionCase{"LastPixel", 31, 0, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Overlay, NonsenseFontRecordsRenderOrFailCleanly)
{
    const std::int32_t heights[] = {INT_MIN, -1, 1, INT_MAX, 100000};
    for (std::int32_t h : heights) {
        CDataClass record;
        record.m_CameraName = QStringLiteral("0#");
        record.m_NameFont.lfHeight = h;
        record.m_NameFont.lfWidth = h;
        record.m_NameFont.lfWeight = h ^ 0x55;
        record.m_NameFont.lfEscapement = 900;
        record.m_NameFont.lfPitchAndFamily = 0xff;
        auto name = nameOverlay(record);
        EXPECT_EQ(record.m_NameFont.lfEscapement, 0);
        Frame f(64, 48, false, 0);
        name->drawInto(f.frame);
        EXPECT_LE(name->mask().height, TextMask::kMaxHeight);
    }
}

TEST(Overlay, PixelFormatsWithoutAWriterDrawNoTexts)
{
    CDataClass record;
    COverlayController c(record, COverlayController::Role::Name);
    c.SetNamePixelFormat(kPixelFormatOther);
    c.ArmName();
    EXPECT_FALSE(c.PrepareName());
    Frame f(64, 48);
    const auto before = f.bytes;
    c.drawInto(f.frame);
    EXPECT_EQ(f.bytes, before);
}

TEST(Overlay, FrameStrideFromTheVideoHeader)
{
    CDataClass record;
    COverlayController c(record, COverlayController::Role::Name);
    c.SetFrameGeometry(642, -480, 24);
    EXPECT_EQ(c.frameStride(), 1928);
    c.SetFrameGeometry(642, 480, 12);
    EXPECT_EQ(c.frameStride(), 642);
}

struct LayoutCase {
    const char *name;
    int format;
    QDate date;
    const char *text;
};

class TimeLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TimeLayouts, Text)
{
    const LayoutCase c = GetParam();
    EXPECT_EQ(COverlayController::TimeText(c.format, QDateTime(c.date, QTime(14, 3, 9))), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TimeLayouts,
    ::testing::Values(LayoutCase{"DateTime", 0, QDate(2024, 1, 5), "2024/01/05:14:03:09"},
                      LayoutCase{"WeekdayThursday", 1, QDate(2024, 1, 4), "2024/01/04/Thur.:14:03:09"},
                      LayoutCase{"WeekdayFriday", 1, QDate(2024, 1, 5), "2024/01/05/Fri.:14:03:09"},
                      LayoutCase{"Sunday", 2, QDate(2024, 1, 7), "Sun.:14:03:09"},
                      LayoutCase{"Monday", 2, QDate(2024, 1, 8), "Mon.:14:03:09"},
                      LayoutCase{"Tuesday", 2, QDate(2024, 1, 9), "Tues.:14:03:09"},
                      LayoutCase{"Wednesday", 2, QDate(2024, 1, 10), "Wed.:14:03:09"},
                      LayoutCase{"Saturday", 2, QDate(2024, 1, 6), "Sat.:14:03:09"},
                      LayoutCase{"TimeOnly", 3, QDate(2024, 1, 5), "14:03:09"},
                      LayoutCase{"Four", 4, QDate(2024, 1, 5), ""},
                      LayoutCase{"Negative", -1, QDate(2024, 1, 5), ""}),
    [](const auto &info) { return std::string(info.param.name); });

class TimeOverlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        record.m_ShowTime = 1;
        record.m_TimeFormat = 1;
        record.m_TimeY = 20;
    }
    RecordingLibReporter messages;
    ScopedLibReporter scoped{&messages};
    CDataClass record;
    QDateTime now{QDate(2024, 1, 4), QTime(14, 3, 9, 100)};
};

TEST_F(TimeOverlay, RenderedOncePerSecondWithTheSamePixels)
{
    auto time = timeOverlay(record, [this] { return now; });
    Frame first(640, 480);
    time->drawInto(first.frame);
    for (int i = 0; i < 10; ++i) {
        now = now.addMSecs(33);
        Frame f(640, 480);
        time->drawInto(f.frame);
        EXPECT_EQ(f.bytes, first.bytes);
    }
    EXPECT_EQ(time->renderCount(), 1u);
    // A controller that renders this moment fresh paints the same pixels.
    auto fresh = timeOverlay(record, [this] { return now; });
    Frame freshFrame(640, 480);
    fresh->drawInto(freshFrame.frame);
    EXPECT_EQ(freshFrame.bytes, first.bytes);

    now = now.addSecs(1);
    Frame next(640, 480);
    time->drawInto(next.frame);
    EXPECT_EQ(time->renderCount(), 2u);
    EXPECT_NE(next.bytes, first.bytes);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TimeOverlay, ShowsThursdayAndFontChangesTakeEffectOnTheNextFrame)
{
    auto time = timeOverlay(record, [this] { return now; });
    Frame f(640, 480);
    time->drawInto(f.frame);
    // The mask is the rendering of layout 1 on this Thursday.
    TextMask expected;
    ASSERT_TRUE(renderTextMask(QStringLiteral("2024/01/04/Thur.:14:03:09"), nullptr, expected));
    {
        CAutoFont font;
        font.Create(record.m_TimeFont);
        ASSERT_TRUE(renderTextMask(QStringLiteral("2024/01/04/Thur.:14:03:09"), &font, expected));
    }
    EXPECT_EQ(time->mask().bits, expected.bits);
    EXPECT_TRUE(f.isColour(0, 0, 0x40, 0x40, 0x40));  // y = 20: rows above untouched

    const int oldHeight = time->mask().height;
    record.m_TimeFont.lfHeight = -40;
    Frame g(640, 480);
    time->drawInto(g.frame);  // same second
    EXPECT_GT(time->mask().height, oldHeight);
    EXPECT_EQ(time->renderCount(), 2u);
}

TEST_F(TimeOverlay, ShowTimeOffOrStoppedDrawsNothing)
{
    auto time = timeOverlay(record, [this] { return now; });
    record.m_ShowTime = 0;
    Frame f(64, 48);
    const auto before = f.bytes;
    time->drawInto(f.frame);
    EXPECT_EQ(f.bytes, before);
    record.m_ShowTime = 1;
    time->StopTime();
    time->drawInto(f.frame);
    EXPECT_EQ(f.bytes, before);
}

TEST_F(TimeOverlay, FailureShowsErOnceAndAgainOnlyAfterARender)
{
    auto time = timeOverlay(record, [this] { return now; });
    record.m_TimeFormat = 9;  // empty text: cannot be rendered
    Frame f(64, 48);
    const auto before = f.bytes;
    for (int i = 0; i < 5; ++i) {
        now = now.addSecs(1);
        time->drawInto(f.frame);
    }
    EXPECT_EQ(f.bytes, before);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("er")});
    EXPECT_EQ(messages.messages().front().kind, LibReporter::Kind::Plain);

    record.m_TimeFormat = 3;
    now = now.addSecs(1);
    time->drawInto(f.frame);
    EXPECT_NE(f.bytes, before);
    record.m_TimeFormat = 9;
    now = now.addSecs(1);
    time->drawInto(f.frame);
    now = now.addSecs(1);
    time->drawInto(f.frame);
    EXPECT_EQ(messages.texts(), (QStringList{QStringLiteral("er"), QStringLiteral("er")}));
}

TEST(FramePathOrder, OverlaysAreDrawnBeforeTheSnapshotAndTheMotionCheck)
{
    // The frame callback draws the name into the frame it passes on.
    CDataClass record;
    record.m_CameraName = QStringLiteral("0#");
    CSampleGrabberCB cb;
    cb.m_pRecord = &record;
    cb.m_pNameOverlay = nameOverlay(record);
    Frame f(64, 48);
    const auto before = f.bytes;
    ASSERT_EQ(cb.BufferCB(0.0, &f.frame), 0);
    EXPECT_NE(f.bytes, before);
    EXPECT_EQ(cb.BufferCB(0.0, nullptr), -1);
}
