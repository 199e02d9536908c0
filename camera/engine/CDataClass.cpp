#include "CDataClass.h"

#include "BinaryStream.h"
#include "LibraryError.h"
#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <functional>

namespace quorvel {

QString LogFont::faceName() const
{
    int n = 0;
    while (n < 32 && lfFaceName[n] != 0)
        ++n;
    return QString::fromUtf16(lfFaceName, n);
}

void LogFont::setFaceName(const QString &name)
{
    std::fill(std::begin(lfFaceName), std::end(lfFaceName), char16_t(0));
    const qsizetype n = std::min<qsizetype>(name.size(), 31);
    const char16_t *src = reinterpret_cast<const char16_t *>(name.utf16());
    std::copy(src, src + n, lfFaceName);
}

bool LogFont::operator==(const LogFont &o) const
{
    return lfHeight == o.lfHeight && lfWidth == o.lfWidth && lfEscapement == o.lfEscapement
        && lfOrientation == o.lfOrientation && lfWeight == o.lfWeight && lfItalic == o.lfItalic
        && lfUnderline == o.lfUnderline && lfStrikeOut == o.lfStrikeOut && lfCharSet == o.lfCharSet
        && lfOutPrecision == o.lfOutPrecision && lfClipPrecision == o.lfClipPrecision
        && lfQuality == o.lfQuality && lfPitchAndFamily == o.lfPitchAndFamily
        && std::equal(std::begin(lfFaceName), std::end(lfFaceName), std::begin(o.lfFaceName));
}

namespace {

void writeFont(ByteWriter &out, const LogFont &f)
{
    out.writeI32(f.lfHeight);
    out.writeI32(f.lfWidth);
    out.writeI32(f.lfEscapement);
    out.writeI32(f.lfOrientation);
    out.writeI32(f.lfWeight);
    for (std::uint8_t b : {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                           f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily})
        out.writeU8(b);
    out.writeUnits(f.lfFaceName, 32);
}

// All 92 bytes or nothing.
bool readFont(ByteReader &in, LogFont &f)
{
    std::uint8_t b[LogFont::kSizeBytes];
    if (!in.read(b, sizeof b))
        return false;
    auto i32 = [&](int at) {
        return std::int32_t(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8
                            | std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24);
    };
    f.lfHeight = i32(0);
    f.lfWidth = i32(4);
    f.lfEscapement = i32(8);
    f.lfOrientation = i32(12);
    f.lfWeight = i32(16);
    f.lfItalic = b[20];
    f.lfUnderline = b[21];
    f.lfStrikeOut = b[22];
    f.lfCharSet = b[23];
    f.lfOutPrecision = b[24];
    f.lfClipPrecision = b[25];
    f.lfQuality = b[26];
    f.lfPitchAndFamily = b[27];
    for (int i = 0; i < 32; ++i)
        f.lfFaceName[i] = char16_t(b[28 + 2 * i] | b[29 + 2 * i] << 8);
    return true;
}

} // namespace

void CDataClass::load(int cameraNumber, const QString &userFolder)
{
    m_CameraNumber = cameraNumber;
    QString folder = userFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    m_FileName = folder + QString::number(cameraNumber) + QStringLiteral(".bin");
    if (!QFileInfo(m_FileName).isFile())
        return;
    if (auto bytes = readWholeFile(m_FileName))
        loadFromBytes(*bytes);
}

bool CDataClass::save() const
{
    if (m_FileName.isEmpty())
        return false;
    QString why;
    if (writeFileAtomically(m_FileName, toBytes(), &why))
        return true;
    reportWriteFailure(m_FileName, why);
    return false;
}

QByteArray CDataClass::toBytes() const
{
    ByteWriter out;
    // 1
    out.writeText(m_DeviceName);
    out.writeText(m_SourceId);
    out.writeText(m_CapDir_root);
    out.writeText(m_ImgDir_root);
    out.writeText(m_CameraName);
    // 2
    out.writeI32(m_NameX);
    out.writeI32(m_NameY);
    writeFont(out, m_NameFont);
    out.writeU8(m_NameColorR);
    out.writeU8(m_NameColorG);
    out.writeU8(m_NameColorB);
    // 3
    out.writeI32(m_MovePercent);
    out.writeI32(m_dlta);
    out.writeI32(m_MoveRect.left);
    out.writeI32(m_MoveRect.top);
    out.writeI32(m_MoveRect.right);
    out.writeI32(m_MoveRect.bottom);
    out.writeI32(m_MoveRectColor);
    out.writeBool(m_MoveCheck);
    out.writeI32(m_MoveInterval);
    out.writeF32(m_Reserved1);
    out.writeI32(m_Reserved2);
    // 4-7
    out.writeText(m_VideoCompressor);
    out.writeText(m_AudioDevice);
    out.writeBool(m_Audio);
    out.writeText(m_AudioCompressor);
    // 8
    out.writeU8(m_ShowTime);
    out.writeI32(m_TimeFormat);
    out.writeI32(m_TimeX);
    out.writeI32(m_TimeY);
    writeFont(out, m_TimeFont);
    out.writeU8(m_TimeColorR);
    out.writeU8(m_TimeColorG);
    out.writeU8(m_TimeColorB);
    // 9-13
    out.writeBool(m_VideoCompressorRecommended);
    out.writeBool(m_AudioCompressorRecommended);
    out.writeBool(m_CapturePlaySound);
    out.writeText(m_CaptureSound);
    out.writeBool(m_MovePlaySound);
    out.writeText(m_MoveSound);
    out.writeBool(m_NoCapImage_move);
    // 14
    out.writeBool(m_MoveShellExecute);
    out.writeText(m_MoveProgram);
    out.writeText(m_MoveProgramParams);
    out.writeI32(m_MoveProgramRunMode);
    // 15-18
    out.writeBool(m_CapVideo_move);
    out.writeI32(m_CapVideo_moveStop);
    out.writeI32(m_GraphFormat);
    out.writeBool(m_FixedFileName);
    out.writeText(m_FixedFileNameText);
    // 19
    out.writeI32(m_maxClient);
    out.writeI32(m_Port);
    out.writeI32(m_BroadcastSize);
    out.writeBool(m_BroadcastAudio);
    out.writeI32(m_BroadcastFPS);
    out.writeI32(m_BroadcastBitRate);
    // 20
    out.writeI32(m_MoveCount);
    out.writeBool(m_MoveCountOn);
    // 21
    out.writeBool(m_VideoFormatRecommended);
    out.writeI32(m_VideoFormat);
    out.writeI32(m_WMVSize);
    out.writeBool(m_WMVAudio);
    out.writeI32(m_WMVFPS);
    out.writeI32(m_WMVBitRate);
    return out.bytes();
}

void CDataClass::loadFromBytes(const QByteArray &bytes)
{
    ByteReader in(bytes);
    // Each field is assigned as soon as it is read, so a file that ends inside
    // a group keeps what it held before the end. A text whose count does not
    // fit the rest of the file ends the reading there.

    // Groups 1 to 3: the file must hold them; an early end stops here.
    const bool head = [&] {
        for (QString *t : {&m_DeviceName, &m_SourceId, &m_CapDir_root, &m_ImgDir_root, &m_CameraName}) {
            if (!in.readText(*t))
                return false;
        }
        LogFont font;
        if (!in.readI32(m_NameX) || !in.readI32(m_NameY) || !readFont(in, font))
            return false;
        m_NameFont = font;
        if (!in.readU8(m_NameColorR) || !in.readU8(m_NameColorG) || !in.readU8(m_NameColorB))
            return false;
        std::int32_t percent;
        if (!in.readI32(percent))
            return false;
        // The stored share is not used: detection always starts at 50 %.
        m_MovePercent = 50;
        return in.readI32(m_dlta) && in.readI32(m_MoveRect.left) && in.readI32(m_MoveRect.top)
            && in.readI32(m_MoveRect.right) && in.readI32(m_MoveRect.bottom) && in.readI32(m_MoveRectColor)
            && in.readBool(m_MoveCheck) && in.readI32(m_MoveInterval) && in.readF32(m_Reserved1)
            && in.readI32(m_Reserved2);
    }();
    if (!head)
        return;

    // Groups 4 to 21: each optional on its own.
    const std::function<bool()> groups[] = {
        [&] { return in.readText(m_VideoCompressor); },
        [&] { return in.readText(m_AudioDevice); },
        [&] { return in.readBool(m_Audio); },
        [&] { return in.readText(m_AudioCompressor); },
        [&] {
            LogFont font;
            if (!in.readU8(m_ShowTime) || !in.readI32(m_TimeFormat) || !in.readI32(m_TimeX)
                || !in.readI32(m_TimeY) || !readFont(in, font))
                return false;
            m_TimeFont = font;
            return in.readU8(m_TimeColorR) && in.readU8(m_TimeColorG) && in.readU8(m_TimeColorB);
        },
        [&] { return in.readBool(m_VideoCompressorRecommended); },
        [&] { return in.readBool(m_AudioCompressorRecommended); },
        [&] { return in.readBool(m_CapturePlaySound) && in.readText(m_CaptureSound); },
        [&] { return in.readBool(m_MovePlaySound) && in.readText(m_MoveSound); },
        [&] { return in.readBool(m_NoCapImage_move); },
        [&] {
            return in.readBool(m_MoveShellExecute) && in.readText(m_MoveProgram)
                && in.readText(m_MoveProgramParams) && in.readI32(m_MoveProgramRunMode);
        },
        [&] { return in.readBool(m_CapVideo_move) && in.readI32(m_CapVideo_moveStop); },
        [&] {
            if (in.readI32(m_GraphFormat))
                return true;
            m_GraphFormat = 0;
            return false;
        },
        [&] { return in.readBool(m_FixedFileName); },
        [&] { return in.readText(m_FixedFileNameText); },
        [&] {
            return in.readI32(m_maxClient) && in.readI32(m_Port) && in.readI32(m_BroadcastSize)
                && in.readBool(m_BroadcastAudio) && in.readI32(m_BroadcastFPS) && in.readI32(m_BroadcastBitRate);
        },
        [&] { return in.readI32(m_MoveCount) && in.readBool(m_MoveCountOn); },
        [&] {
            return in.readBool(m_VideoFormatRecommended) && in.readI32(m_VideoFormat) && in.readI32(m_WMVSize)
                && in.readBool(m_WMVAudio) && in.readI32(m_WMVFPS) && in.readI32(m_WMVBitRate);
        },
    };
    for (const auto &group : groups)
        group(); // a failed group keeps its defaults; the next one is tried
}

QString CDataClass::datedFolder(const QString &root, int cameraNumber, const QDate &date, const QString &suffix)
{
    const QString dated = QString::asprintf("%02d/%04d%02d%02d", cameraNumber, date.year(), date.month(), date.day())
        + suffix;
    if (root.endsWith(u'/'))
        return root + dated;
    return root + u'/' + dated;
}

namespace {

QString makeFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        if (!QFileInfo(folder).isDir())
            throw LibraryError(QString::fromLatin1(kTempDirError));
    }
    return folder + u'/';
}

} // namespace

QString CDataClass::alarmOrTimingFolder(const QDateTime &when, bool alarm) const
{
    return makeFolder(datedFolder(m_ImgDir_root, m_CameraNumber, when.date(),
                                  alarm ? QStringLiteral("AlarmCapture") : QStringLiteral("TimingCapture")));
}

QString CDataClass::recordFolder(const QDateTime &when) const
{
    return makeFolder(datedFolder(m_CapDir_root, m_CameraNumber, when.date(), QStringLiteral("Record")));
}

int CDataClass::sourceKind() const
{
    const QString id = m_SourceId.toLower();
    if (id.left(4) == QStringLiteral("mms:") || id.left(5) == QStringLiteral("http:"))
        return SourceStream;
    if (id == QStringLiteral("screen"))
        return SourceScreen;
    return SourceDevice;
}

} // namespace quorvel
