// Limits on what a file's metadata may make the program hold. A few header
// bytes can declare a profile of gigabytes; nothing is allocated for one
// beyond these.
#pragma once

#include <cstddef>

namespace corvane {

// The largest profile a JPEG file can carry (255 APP2 segments of 65519
// bytes) is just under 16 MiB; real profiles, CLUT-based ones included,
// stay far below. A bitmap file's profile is held to the same bound.
inline constexpr std::size_t kMaxIccProfileBytes = 255 * 65519;
// An ICC profile starts with a 128-byte header.
inline constexpr std::size_t kIccHeaderBytes = 128;
// The most a JPEG segment's payload can hold (a 16-bit length that counts
// its own two bytes).
inline constexpr std::size_t kMaxSegmentPayload = 65533;
// An EXIF block or XMP packet in a container other than JPEG, which has no
// segment limit: real ones stay far below (a JPEG output can take 64 KB).
inline constexpr std::size_t kMaxMetadataBlockBytes = 16 << 20;

}  // namespace corvane
