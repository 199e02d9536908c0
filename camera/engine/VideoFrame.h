// A frame as the frame hook sees it: BGR, 3 bytes per pixel, rows possibly
// padded (stride), top-down unless bottomUp is set. Rules written for
// bottom-up frames use row() so they do not depend on the orientation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

struct VideoFrame {
    std::uint8_t *data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;          // bytes from one row to the next
    bool bottomUp = false;   // true when the first row in memory is the bottom one

    // Row y counted from the top of the picture.
    std::uint8_t *row(int y) const
    {
        const int memRow = bottomUp ? height - 1 - y : y;
        return data + std::ptrdiff_t(memRow) * stride;
    }
    std::size_t byteLength() const { return std::size_t(stride) * std::size_t(height); }
};

} // namespace quorvel
