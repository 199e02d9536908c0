// The stream a broadcast sends, from the camera's data record: frame size,
// frame rate, the encoder's bit rate target and the average frame time.
#pragma once

#include <QString>

#include <cstdint>

namespace quorvel {

struct BroadcastProfile {
    // Values the broadcast panel starts with; used for an index outside its list.
    static constexpr int kDefaultSizeIndex = 0;
    static constexpr int kDefaultFpsIndex = 4;
    static constexpr int kDefaultBitRate = 1335;   // kbit/s (units of 1024 bit/s)
    static constexpr int kSizeCount = 8;
    static constexpr int kMaxFpsIndex = 29;        // 1 to 30 frames per second
    static constexpr int kMaxBitRate = 100000;     // kbit/s; more is not a camera stream
    static constexpr int kAudioRate = 44100;
    static constexpr int kAudioChannels = 2;
    static constexpr int kAudioBitRate = 128000;   // bit/s

    int width = 176;
    int height = 144;
    int fps = 5;
    std::int64_t bitRate = 0;          // bit/s
    std::int64_t avgTimePerFrame = 0;  // 100 ns units
    bool audio = false;

    // Out-of-range values are replaced by the defaults above; `note`, when
    // given, names what was replaced (empty when nothing was).
    static BroadcastProfile fromRecord(int sizeIndex, int fpsIndex, int bitRateK, bool audio,
                                       QString *note = nullptr);
    static bool sizeOf(int sizeIndex, int &width, int &height);
};

} // namespace quorvel
