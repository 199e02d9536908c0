// The motion compare: how many pixels of a region changed between a frame
// and the previous checked frame. A pixel counts once when the absolute
// difference of its blue, green or red byte is greater than the threshold.
// The vectorised version is the one the frame path uses; the scalar one is
// the reference it is checked against.
#pragma once

#include "VideoFrame.h"

#include <cstdint>

namespace quorvel {

struct MoveRect;

// A region in picture pixels counted from the top-left corner: columns
// [left, right), rows [top, bottom).
struct MotionRegion {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::int64_t area() const
    {
        return right > left && bottom > top ? std::int64_t(right - left) * (bottom - top) : 0;
    }
};

// The stored region cut to a width x height frame (a region loaded from a
// file may not fit it); empty (area 0) when nothing of it is inside.
MotionRegion clampRegion(const MoveRect &rect, int width, int height);

// `previous` has the layout of `frame` (same stride, height, orientation);
// `region` lies inside the frame.
std::int64_t countChangedPixelsScalar(const VideoFrame &frame, const std::uint8_t *previous,
                                      const MotionRegion &region, int threshold);
std::int64_t countChangedPixels(const VideoFrame &frame, const std::uint8_t *previous,
                                const MotionRegion &region, int threshold);
// The instruction sets the compare can use: SSE2 (the x86-64 baseline, or
// plain C++ elsewhere), and AVX2 or AVX-512BW where the processor has them.
// countChangedPixels uses the widest available.
enum class MotionIsa { Portable, Avx2, Avx512 };
bool motionIsaAvailable(MotionIsa isa);
// With a given instruction set (Portable when `isa` is not available).
std::int64_t countChangedPixelsWith(MotionIsa isa, const VideoFrame &frame, const std::uint8_t *previous,
                                    const MotionRegion &region, int threshold);

// countChangedPixels, then the whole frame (frame.byteLength() bytes) is
// copied into `previous`; each row is copied right after it is compared,
// while it is still in the cache, so the check costs little more than the
// copy alone.
std::int64_t countChangedPixelsAndKeep(const VideoFrame &frame, std::uint8_t *previous,
                                       const MotionRegion &region, int threshold);

} // namespace quorvel
