// Reading WebP files (libwebp) into a working bitmap: lossy and lossless,
// with or without alpha; of an animation, the first frame as shown.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageFileError with the path and libwebp's status; a declared size
// beyond the working bitmap's limits is refused before pixel memory is taken.
// `maxPixels` lowers the picture limit (the fuzz targets keep their time
// for parsing).
TDecodedImage DecodeWebP(std::span<const std::uint8_t> bytes, const std::string& path,
                         std::int64_t maxPixels = kMaxPixels);
TDecodedImage ReadWebPFile(const std::string& path, const TReadHints& hints);

}  // namespace corvane
