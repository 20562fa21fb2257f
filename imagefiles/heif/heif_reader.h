// Reading HEIF files (libheif: HEIC through libde265, AVIF through dav1d or
// aom) into a working bitmap: the primary image, with the container's turns
// and mirrors applied as libheif applies them, alpha when it has an alpha
// image, deeper samples reduced to 8 bits by libheif. The metadata: the ICC
// profile, the Exif item (its orientation tag set to 1: the pixels come
// turned already) and the XMP item; the orientation is always 1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageFileError with the path and libheif's message; a primary image
// beyond the working bitmap's limits is refused before it is decoded.
// `maxPixels` lowers the picture limit (the fuzz targets keep their time
// for parsing).
TDecodedImage DecodeHEIF(std::span<const std::uint8_t> bytes, const std::string& path,
                         std::int64_t maxPixels = kMaxPixels);
TDecodedImage ReadHEIFFile(const std::string& path, const TReadHints& hints);

}  // namespace corvane
