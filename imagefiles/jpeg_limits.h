// Limits on JPEG streams. A JPEG header of a few bytes can declare any size
// up to the format's 65535 x 65535, and a stream can hold any number of
// scans; both would let a tiny file take gigabytes of memory or hours of
// decoding. Streams beyond these limits are refused with EJPEG.
#pragma once

#include <cstdint>

#include "imaging/TBitmap.h"

namespace corvane {

// Checked after the header and before any pixel or coefficient memory exists.
// The same limits as any working bitmap: a larger picture could not be held.
inline constexpr std::int64_t kMaxJPEGSide = kMaxSide;
inline constexpr std::int64_t kMaxJPEGPixels = kMaxPixels;

// The JPEG library neither reads nor writes a picture with a side above this
// (its JPEG_MAX_DIMENSION), below the 65535 the format could hold.
inline constexpr std::int64_t kMaxJPEGLibrarySide = 65500;

// Real progressive files have about ten scans and no sensible scan script
// has more than a few hundred, while every scan costs a pass over the whole
// coefficient buffer: thousands of tiny scans make the decoder work for hours.
inline constexpr int kMaxJPEGScans = 1000;

// Message codes of the refusals, reported as "JPEG エラー #<code>".
// Too big: the library's own code for a picture beyond its dimension limit
// (JERR_IMAGE_TOO_BIG). Too many scans: the library has no code for it, so it
// is the first code of the add-on range that libjpeg applications use for
// their own messages.
int JPEGErrImageTooBig();
inline constexpr int kJPEGErrTooManyScans = 1000;

}  // namespace corvane
