#include "BroadcastProfile.h"

#include <QStringList>

namespace quorvel {

namespace {
struct Size {
    int w;
    int h;
};
constexpr Size kSizes[BroadcastProfile::kSizeCount] = {
    {176, 144}, {320, 240}, {352, 240}, {480, 360}, {640, 480}, {704, 400}, {800, 600}, {1024, 768},
};
} // namespace

bool BroadcastProfile::sizeOf(int sizeIndex, int &width, int &height)
{
    if (sizeIndex < 0 || sizeIndex >= kSizeCount)
        return false;
    width = kSizes[sizeIndex].w;
    height = kSizes[sizeIndex].h;
    return true;
}

BroadcastProfile BroadcastProfile::fromRecord(int sizeIndex, int fpsIndex, int bitRateK, bool audio, QString *note)
{
    QStringList replaced;
    BroadcastProfile p;
    if (!sizeOf(sizeIndex, p.width, p.height)) {
        replaced << QStringLiteral("size index %1").arg(sizeIndex);
        sizeOf(kDefaultSizeIndex, p.width, p.height);
    }
    if (fpsIndex < 0 || fpsIndex > kMaxFpsIndex) {
        replaced << QStringLiteral("frame rate index %1").arg(fpsIndex);
        fpsIndex = kDefaultFpsIndex;
    }
    p.fps = fpsIndex + 1;
    if (bitRateK <= 0 || bitRateK > kMaxBitRate) {
        replaced << QStringLiteral("bit rate %1").arg(bitRateK);
        bitRateK = kDefaultBitRate;
    }
    p.bitRate = std::int64_t(bitRateK) * 1024;
    p.avgTimePerFrame = 10000000 / p.fps;
    p.audio = audio;
    if (note)
        *note = replaced.join(QStringLiteral(", "));
    return p;
}

} // namespace quorvel
