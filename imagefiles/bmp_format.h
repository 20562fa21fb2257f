// Layout of Windows bitmap files shared by the reader and the writer, and the
// limits the reader applies before it allocates anything for a picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/TBitmap.h"

namespace corvane::bmp {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::uint32_t kCoreHeaderSize = 12;
inline constexpr std::uint32_t kInfoHeaderSize = 40;
// A header this long or longer holds the red, green and blue masks itself
// (V2 and later); shorter ones with bit fields are followed by the masks.
inline constexpr std::uint32_t kHeaderWithMasksSize = 52;
inline constexpr std::uint32_t kHeaderWithAlphaMaskSize = 56;
// The longest header whose fields mean anything to us (V5); longer headers
// are read that far and the rest is skipped.
inline constexpr std::uint32_t kLongestKnownHeaderSize = 124;

inline constexpr std::uint8_t kSignature[2] = {'B', 'M'};

// Fields of the V5 header (offsets from the header's start) that say where
// a colour profile is: the colour-space type, the rendering intent, and the
// profile's offset (from the header's start) and size.
inline constexpr std::uint32_t kV5HeaderSize = 124;
inline constexpr std::size_t kV5CsTypeAt = 56;
inline constexpr std::size_t kV5IntentAt = 108;
inline constexpr std::size_t kV5ProfileDataAt = 112;
inline constexpr std::size_t kV5ProfileSizeAt = 116;
// Colour-space types: the profile is in the file, or the file names one by
// its path (which the program never opens: a file's contents choose no
// file to read).
inline constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
inline constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
// The intent written with a profile: perceptual, for photographs.
inline constexpr std::uint32_t kIntentImages = 4;

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    // Four masks (red, green, blue, alpha) after a 40-byte header; the alpha
    // mask is read and ignored.
    kAlphaBitFields = 6,
};

// Limits. A few header bytes can declare any size, so everything a header
// asks for is checked against these before memory is committed to it.
// - Sides and pixel count: the working bitmap's own limits (kMaxSide 65535,
//   kMaxPixels 2^28, about 1 GiB at 32 bits per pixel), so a declared
//   picture the program could never hold is refused before allocation.
inline constexpr std::int64_t kMaxSide = corvane::kMaxSide;
inline constexpr std::int64_t kMaxPixels = corvane::kMaxPixels;
// - Colour-table entries kept: a palette never holds more; further entries a
//   file declares are checked against the file's length and skipped, so a
//   huge colours-used field costs no memory.
inline constexpr std::uint32_t kMaxPaletteEntries = corvane::kMaxPaletteEntries;
// - Bytes skipped per read when a file is read from disk: skipping a long
//   header or gap in a file costs this much scratch memory at most.
inline constexpr std::size_t kSkipChunk = 64 * 1024;

inline std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace corvane::bmp
