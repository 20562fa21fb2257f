#include "imaging/pixel_kernels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/color.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define CORVANE_HAS_BYTE_PERMUTE 1
#endif

// The run kernels are built for the x86-64 baseline and for two newer
// instruction sets; the loader picks the best one the processor has. The
// arithmetic is the same integer arithmetic in every version.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CORVANE_VECTOR_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#else
#define CORVANE_VECTOR_CLONES
#endif

namespace corvane::pixel_kernels {

// Pixels go through the tone step in blocks of this many: split into blue,
// green and red planes, adjusted plane-wise (this is the loop the compiler
// vectorises), then interleaved again.
constexpr int kBlock = 64;

// The tone step of one block held in planes. The colour conversions are
// those of the colour model; two exact rewrites keep the loop vectorisable:
//  - 1024*Y' + t is a multiple of 1024 plus t, so (1024*Y' + t) div 1024 and
//    Y' + t div 1024 agree whenever both divide the same way;
//  - the channel is limited to 0 .. 255 afterwards, and truncating and
//    flooring a negative sum both give a value <= 0, so an arithmetic shift
//    can stand in for the truncating division.
[[gnu::always_inline]] inline void TonePlanes(std::uint8_t* __restrict b, std::uint8_t* __restrict g,
                                              std::uint8_t* __restrict r,
                                              const std::int32_t* __restrict tone) {
    for (int k = 0; k < kBlock; ++k) {
        const std::int32_t B = b[k], G = g[k], R = r[k];
        const std::int32_t y = (306 * R + 601 * G + 117 * B + 512) >> 10;
        const std::int32_t cb = ((512 * B - 173 * R - 339 * G + 131584) >> 10) - 128;
        const std::int32_t cr = ((512 * R - 429 * G - 83 * B + 131584) >> 10) - 128;
        const std::int32_t t = 1024 * tone[y] + 512;
        b[k] = ClampByte((t + 1814 * cb - cr) >> 10);
        g[k] = ClampByte((t - 353 * cb - 731 * cr) >> 10);
        r[k] = ClampByte((t + 1436 * cr) >> 10);
    }
}

CORVANE_VECTOR_CLONES
void ToneRun(const std::uint8_t* src, std::uint8_t* dst, int count, const std::int32_t* tone) {
    alignas(64) std::uint8_t b[kBlock] = {};
    alignas(64) std::uint8_t g[kBlock] = {};
    alignas(64) std::uint8_t r[kBlock] = {};
    for (int start = 0; start < count; start += kBlock) {
        const int n = std::min(kBlock, count - start);
        const std::uint8_t* s = src + 3 * static_cast<std::ptrdiff_t>(start);
        std::uint8_t* d = dst + 3 * static_cast<std::ptrdiff_t>(start);
        for (int k = 0; k < n; ++k) {
            b[k] = s[3 * k];
            g[k] = s[3 * k + 1];
            r[k] = s[3 * k + 2];
        }
        // Always the whole block: a fixed trip count vectorises best, and
        // lanes past `n` hold earlier, already valid values.
        TonePlanes(b, g, r, tone);
        for (int k = 0; k < n; ++k) {
            d[3 * k] = b[k];
            d[3 * k + 1] = g[k];
            d[3 * k + 2] = r[k];
        }
    }
}

void GammaBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, const std::uint8_t* gamma) {
    for (std::size_t i = 0; i < bytes; ++i) dst[i] = gamma[src[i]];
}

#ifdef CORVANE_HAS_BYTE_PERMUTE
#define CORVANE_BYTE_PERMUTE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// Processors with the 512-bit byte permute look up 64 bytes at once: two
// permutes over the table's halves (bit 6 of an index picks the quarter),
// then bit 7 picks the half.
struct GammaPermuteTable {
    __m512i t0, t1, t2, t3;
};

[[gnu::always_inline]] CORVANE_BYTE_PERMUTE_TARGET inline __m512i LookUp64(const GammaPermuteTable& t,
                                                                           __m512i v) {
    const __m512i low = _mm512_permutex2var_epi8(t.t0, v, t.t1);
    const __m512i high = _mm512_permutex2var_epi8(t.t2, v, t.t3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

CORVANE_BYTE_PERMUTE_TARGET void GammaBytesPermute(const std::uint8_t* src, std::uint8_t* dst,
                                                   std::size_t bytes, const std::uint8_t* gamma) {
    const GammaPermuteTable t{_mm512_loadu_si512(gamma), _mm512_loadu_si512(gamma + 64),
                              _mm512_loadu_si512(gamma + 128), _mm512_loadu_si512(gamma + 192)};
    std::size_t i = 0;
    for (; i + 64 <= bytes; i += 64) _mm512_storeu_si512(dst + i, LookUp64(t, _mm512_loadu_si512(src + i)));
    if (i < bytes) {
        const __mmask64 tail = (__mmask64{1} << (bytes - i)) - 1;
        _mm512_mask_storeu_epi8(dst + i, tail, LookUp64(t, _mm512_maskz_loadu_epi8(tail, src + i)));
    }
}

bool HasBytePermute() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
}
#else
void GammaBytesPermute(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes,
                       const std::uint8_t* gamma) {
    GammaBytes(src, dst, bytes, gamma);
}
bool HasBytePermute() { return false; }
#endif

std::vector<std::uint16_t> GammaPairTable(const std::uint8_t* gamma) {
    if constexpr (std::endian::native != std::endian::little) return {};
    std::vector<std::uint16_t> pairs(65536);
    for (int hi = 0; hi < 256; ++hi)
        for (int lo = 0; lo < 256; ++lo)
            pairs[static_cast<std::size_t>(hi << 8 | lo)] =
                static_cast<std::uint16_t>(gamma[hi] << 8 | gamma[lo]);
    return pairs;
}

// Eight bytes per step, four two-byte look-ups: half the loads of the byte
// loop, from a 128 KiB table that stays in cache for the whole picture.
void GammaPairBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, const std::uint16_t* pairs,
                    const std::uint8_t* gamma) {
    std::size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, src + i, 8);
        const std::uint64_t out =
            std::uint64_t{pairs[v & 0xFFFF]} | std::uint64_t{pairs[(v >> 16) & 0xFFFF]} << 16 |
            std::uint64_t{pairs[(v >> 32) & 0xFFFF]} << 32 | std::uint64_t{pairs[v >> 48]} << 48;
        std::memcpy(dst + i, &out, 8);
    }
    GammaBytes(src + i, dst + i, bytes - i, gamma);
}

}  // namespace corvane::pixel_kernels
