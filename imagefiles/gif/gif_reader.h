// Reading GIF files (giflib) into a working bitmap: the first frame on the
// logical screen, through its local or the global colour map; a frame with a
// transparent index gives an alpha plane. Only read: GIF is no save format.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageFileError with the path and giflib's text; a screen beyond the
// working bitmap's limits is refused before pixel memory is taken.
// `maxPixels` lowers the picture limit (the fuzz targets keep their time
// for parsing).
TDecodedImage DecodeGIF(std::span<const std::uint8_t> bytes, const std::string& path,
                        std::int64_t maxPixels = kMaxPixels);
TDecodedImage ReadGIFFile(const std::string& path, const TReadHints& hints);

}  // namespace corvane
