#include "MotionCompare.h"

#include "CDataClass.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quorvel {

MotionRegion clampRegion(const MoveRect &rect, int width, int height)
{
    MotionRegion r;
    r.left = std::clamp(rect.left, 0, std::max(width, 0));
    r.right = std::clamp(rect.right, 0, std::max(width, 0));
    r.top = std::clamp(rect.top, 0, std::max(height, 0));
    r.bottom = std::clamp(rect.bottom, 0, std::max(height, 0));
    if (r.right <= r.left || r.bottom <= r.top)
        r = MotionRegion{};
    return r;
}

namespace {

const std::uint8_t *previousRow(const VideoFrame &frame, const std::uint8_t *previous, int y)
{
    return previous + (frame.row(y) - frame.data);
}

std::int64_t countRowScalar(const std::uint8_t *a, const std::uint8_t *b, int pixels, int threshold)
{
    std::int64_t count = 0;
    for (int x = 0; x < pixels; ++x, a += 3, b += 3) {
        if (std::abs(int(a[0]) - int(b[0])) > threshold || std::abs(int(a[1]) - int(b[1])) > threshold
            || std::abs(int(a[2]) - int(b[2])) > threshold)
            ++count;
    }
    return count;
}

#if defined(__SSE2__)
inline __m128i absDiffOver(__m128i a, __m128i b, __m128i t)
{
    // Non-zero exactly where |a - b| > t (unsigned saturating arithmetic).
    const __m128i d = _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
    return _mm_subs_epu8(d, t);
}

inline std::int64_t horizontalSum(__m128i bytes)
{
    const __m128i sums = _mm_sad_epu8(bytes, _mm_setzero_si128());
    return std::int64_t(_mm_cvtsi128_si32(sums)) + std::int64_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
}

// 16 pixels (48 bytes) per step. Each byte of o holds the OR of the three
// channel results starting at that byte, so the bytes at pixel starts
// (every third byte) say whether the pixel changed; the masks pick those
// bytes, as 1 or 0, and the sums count them.
std::int64_t countRowSse2(const std::uint8_t *a, const std::uint8_t *b, int pixels, std::uint8_t threshold)
{
    const __m128i t = _mm_set1_epi8(char(threshold));
    const __m128i m0 = _mm_setr_epi8(1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1);
    const __m128i m1 = _mm_setr_epi8(0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0);
    const __m128i m2 = _mm_setr_epi8(0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0);
    std::int64_t count = 0;
    __m128i acc = _mm_setzero_si128();
    int steps = 0;
    int x = 0;
    for (; x + 16 <= pixels; x += 16, a += 48, b += 48) {
        const auto *pa = reinterpret_cast<const __m128i *>(a);
        const auto *pb = reinterpret_cast<const __m128i *>(b);
        const __m128i d0 = absDiffOver(_mm_loadu_si128(pa), _mm_loadu_si128(pb), t);
        const __m128i d1 = absDiffOver(_mm_loadu_si128(pa + 1), _mm_loadu_si128(pb + 1), t);
        const __m128i d2 = absDiffOver(_mm_loadu_si128(pa + 2), _mm_loadu_si128(pb + 2), t);
        const __m128i o0 = _mm_or_si128(
            d0, _mm_or_si128(_mm_or_si128(_mm_srli_si128(d0, 1), _mm_slli_si128(d1, 15)),
                             _mm_or_si128(_mm_srli_si128(d0, 2), _mm_slli_si128(d1, 14))));
        const __m128i o1 = _mm_or_si128(
            d1, _mm_or_si128(_mm_or_si128(_mm_srli_si128(d1, 1), _mm_slli_si128(d2, 15)),
                             _mm_or_si128(_mm_srli_si128(d1, 2), _mm_slli_si128(d2, 14))));
        const __m128i o2 = _mm_or_si128(d2, _mm_or_si128(_mm_srli_si128(d2, 1), _mm_srli_si128(d2, 2)));
        const __m128i hits = _mm_or_si128(_mm_min_epu8(o0, m0),
                                          _mm_or_si128(_mm_min_epu8(o1, m1), _mm_min_epu8(o2, m2)));
        acc = _mm_add_epi8(acc, hits);
        if (++steps == 255) {  // a byte lane holds at most 255
            count += horizontalSum(acc);
            acc = _mm_setzero_si128();
            steps = 0;
        }
    }
    count += horizontalSum(acc);
    return count + countRowScalar(a, b, pixels - x, threshold);
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QV_MOTION_WIDE 1
// Wider registers, chosen at run time where the processor has them. The
// per-byte results become bit masks; a pixel changed when any of the three
// bits from its first byte on is set, so the masks are ORed with themselves
// shifted by one and two bits (carrying across words), and the bits at
// pixel starts (every third bit) are counted.
constexpr std::uint64_t kStarts0 = 0x9249249249249249ull;  // bits 0, 3, ..., 63
constexpr std::uint64_t kStarts1 = 0x4924924924924924ull;  // bits 2, 5, ..., 62
constexpr std::uint64_t kStarts2 = 0x2492492492492492ull;  // bits 1, 4, ..., 61

// 32 pixels (96 bytes) per step.
__attribute__((target("avx2,popcnt"))) std::int64_t countRowAvx2(const std::uint8_t *a, const std::uint8_t *b,
                                                                  int pixels, std::uint8_t threshold)
{
    const __m256i t = _mm256_set1_epi8(char(threshold));
    const __m256i zero = _mm256_setzero_si256();
    std::int64_t count = 0;
    int x = 0;
    for (; x + 32 <= pixels; x += 32, a += 96, b += 96) {
        std::uint64_t m[3];
        for (int k = 0; k < 3; ++k) {
            const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + 32 * k));
            const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + 32 * k));
            const __m256i d = _mm256_sub_epi8(_mm256_max_epu8(va, vb), _mm256_min_epu8(va, vb));
            const __m256i unchanged = _mm256_cmpeq_epi8(_mm256_subs_epu8(d, t), zero);
            m[k] = ~std::uint64_t(std::uint32_t(_mm256_movemask_epi8(unchanged))) & 0xffffffffull;
        }
        const std::uint64_t w0 = m[0] | (m[1] << 32);
        const std::uint64_t w1 = m[2];
        const std::uint64_t c0 = w0 | (w0 >> 1) | (w1 << 63) | (w0 >> 2) | (w1 << 62);
        const std::uint64_t c1 = w1 | (w1 >> 1) | (w1 >> 2);
        count += __builtin_popcountll(c0 & kStarts0) + __builtin_popcountll(c1 & (kStarts1 & 0xffffffffull));
    }
    return count + countRowScalar(a, b, pixels - x, threshold);
}

// 64 pixels (192 bytes) per step.
__attribute__((target("avx512bw,popcnt"))) std::int64_t countRowAvx512(const std::uint8_t *a, const std::uint8_t *b,
                                                                        int pixels, std::uint8_t threshold)
{
    const __m512i t = _mm512_set1_epi8(char(threshold));
    std::int64_t count = 0;
    int x = 0;
    for (; x + 64 <= pixels; x += 64, a += 192, b += 192) {
        std::uint64_t m[3];
        for (int k = 0; k < 3; ++k) {
            const __m512i va = _mm512_loadu_si512(a + 64 * k);
            const __m512i vb = _mm512_loadu_si512(b + 64 * k);
            const __m512i d = _mm512_sub_epi8(_mm512_max_epu8(va, vb), _mm512_min_epu8(va, vb));
            m[k] = _mm512_cmpgt_epu8_mask(d, t);
        }
        const std::uint64_t c0 = m[0] | (m[0] >> 1) | (m[1] << 63) | (m[0] >> 2) | (m[1] << 62);
        const std::uint64_t c1 = m[1] | (m[1] >> 1) | (m[2] << 63) | (m[1] >> 2) | (m[2] << 62);
        const std::uint64_t c2 = m[2] | (m[2] >> 1) | (m[2] >> 2);
        count += __builtin_popcountll(c0 & kStarts0) + __builtin_popcountll(c1 & kStarts1)
            + __builtin_popcountll(c2 & kStarts2);
    }
    return count + countRowAvx2(a, b, pixels - x, threshold);
}
#endif

} // namespace

std::int64_t countChangedPixelsScalar(const VideoFrame &frame, const std::uint8_t *previous,
                                      const MotionRegion &region, int threshold)
{
    const int pixels = region.right - region.left;
    if (region.area() == 0)
        return 0;
    std::int64_t count = 0;
    for (int y = region.top; y < region.bottom; ++y) {
        const std::uint8_t *a = frame.row(y) + std::ptrdiff_t(region.left) * 3;
        const std::uint8_t *b = previousRow(frame, previous, y) + std::ptrdiff_t(region.left) * 3;
        count += countRowScalar(a, b, pixels, threshold);
    }
    return count;
}

namespace {

using RowCounter = std::int64_t (*)(const std::uint8_t *, const std::uint8_t *, int, std::uint8_t);

std::int64_t countRowPortable(const std::uint8_t *a, const std::uint8_t *b, int pixels, std::uint8_t threshold)
{
#if defined(__SSE2__)
    return countRowSse2(a, b, pixels, threshold);
#else
    return countRowScalar(a, b, pixels, threshold);
#endif
}

bool isaAvailable(MotionIsa isa)
{
    switch (isa) {
    case MotionIsa::Portable:
        return true;
#if defined(QV_MOTION_WIDE)
    case MotionIsa::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    case MotionIsa::Avx512:
        return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx2")
            && __builtin_cpu_supports("popcnt");
#endif
    default:
        return false;
    }
}

RowCounter rowCounterFor(MotionIsa isa)
{
    switch (isa) {
#if defined(QV_MOTION_WIDE)
    case MotionIsa::Avx2:
        return &countRowAvx2;
    case MotionIsa::Avx512:
        return &countRowAvx512;
#endif
    default:
        return &countRowPortable;
    }
}

// The widest the processor has, chosen once.
RowCounter bestRowCounter()
{
    static const RowCounter best = [] {
        for (MotionIsa isa : {MotionIsa::Avx512, MotionIsa::Avx2})
            if (isaAvailable(isa))
                return rowCounterFor(isa);
        return rowCounterFor(MotionIsa::Portable);
    }();
    return best;
}

std::int64_t countRow(const std::uint8_t *a, const std::uint8_t *b, int pixels, int threshold)
{
    return bestRowCounter()(a, b, pixels, std::uint8_t(threshold));
}

} // namespace

std::int64_t countChangedPixelsAndKeep(const VideoFrame &frame, std::uint8_t *previous, const MotionRegion &region,
                                       int threshold)
{
    const std::size_t stride = std::size_t(frame.stride);
    const std::int64_t area = region.area();
    // Every difference is at least 0 and at most 255.
    const bool compare = area > 0 && threshold >= 0 && threshold < 255;
    std::int64_t count = area > 0 && threshold < 0 ? area : 0;
    const int pixels = region.right - region.left;
    // Rows in memory order; rows outside the region are copied in one go.
    int copiedUpTo = 0;  // memory rows before this one are copied
    for (int m = 0; m < frame.height; ++m) {
        const int y = frame.bottomUp ? frame.height - 1 - m : m;
        if (!compare || y < region.top || y >= region.bottom)
            continue;
        if (copiedUpTo < m)
            std::memcpy(previous + std::size_t(copiedUpTo) * stride, frame.data + std::size_t(copiedUpTo) * stride,
                        std::size_t(m - copiedUpTo) * stride);
        const std::uint8_t *row = frame.data + std::size_t(m) * stride;
        std::uint8_t *keep = previous + std::size_t(m) * stride;
        count += countRow(row + std::ptrdiff_t(region.left) * 3, keep + std::ptrdiff_t(region.left) * 3, pixels,
                          threshold);
        std::memcpy(keep, row, stride);
        copiedUpTo = m + 1;
    }
    if (copiedUpTo < frame.height)
        std::memcpy(previous + std::size_t(copiedUpTo) * stride, frame.data + std::size_t(copiedUpTo) * stride,
                    std::size_t(frame.height - copiedUpTo) * stride);
    return count;
}

std::int64_t countChangedPixelsWith(MotionIsa isa, const VideoFrame &frame, const std::uint8_t *previous,
                                    const MotionRegion &region, int threshold)
{
    const std::int64_t area = region.area();
    if (area == 0)
        return 0;
    // Every difference is at least 0 and at most 255.
    if (threshold < 0)
        return area;
    if (threshold >= 255)
        return 0;
    const RowCounter counter = isaAvailable(isa) ? rowCounterFor(isa) : rowCounterFor(MotionIsa::Portable);
    const int pixels = region.right - region.left;
    std::int64_t count = 0;
    for (int y = region.top; y < region.bottom; ++y) {
        const std::uint8_t *a = frame.row(y) + std::ptrdiff_t(region.left) * 3;
        const std::uint8_t *b = previousRow(frame, previous, y) + std::ptrdiff_t(region.left) * 3;
        count += counter(a, b, pixels, std::uint8_t(threshold));
    }
    return count;
}

std::int64_t countChangedPixels(const VideoFrame &frame, const std::uint8_t *previous, const MotionRegion &region,
                                int threshold)
{
    const std::int64_t area = region.area();
    if (area == 0)
        return 0;
    if (threshold < 0)
        return area;
    if (threshold >= 255)
        return 0;
    const int pixels = region.right - region.left;
    std::int64_t count = 0;
    for (int y = region.top; y < region.bottom; ++y) {
        const std::uint8_t *a = frame.row(y) + std::ptrdiff_t(region.left) * 3;
        const std::uint8_t *b = previousRow(frame, previous, y) + std::ptrdiff_t(region.left) * 3;
        count += countRow(a, b, pixels, threshold);
    }
    return count;
}

bool motionIsaAvailable(MotionIsa isa)
{
    return isaAvailable(isa);
}

} // namespace quorvel
