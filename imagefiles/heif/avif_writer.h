// Writing AVIF files (libheif with its AV1 encoder, aom): lossy at the JPEG
// quality setting, 8-bit, alpha kept when the picture has it.
#pragma once

#include <cstdint>
#include <vector>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageEncodeError with libheif's message, also when this libheif has no
// AV1 encoder. An empty picture gives no bytes. The metadata's orientation
// becomes the container's turn, which is what viewers of the format follow;
// its EXIF block is written as it is given, so its orientation tag should
// be 1 by then (the metadata policy sees to it).
std::vector<std::uint8_t> EncodeAVIF(const TBitmap& picture, const TEncodeOptions& options);

}  // namespace corvane
