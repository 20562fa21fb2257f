// Reading PNG files (libspng) into a working bitmap: every bit depth and
// colour type, palettes, tRNS transparency, 16-bit samples reduced to 8 by
// their high byte. A file with an alpha channel or tRNS gives a picture with
// an alpha plane. gAMA is applied (towards a 2.2 display) when the file has
// neither an iCCP nor an sRGB chunk, as browsers do. The metadata: the iCCP
// profile, the eXIf block, XMP from the "XML:com.adobe.xmp" text chunk and
// "Comment" texts as comments (see container_metadata.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageFileError with the path and libspng's text for anything the library
// refuses, and for a declared size beyond the working bitmap's limits
// (checked on the header, before any pixel memory is taken).
// `maxPixels` lowers the picture limit (the fuzz targets keep their time
// for parsing).
TDecodedImage DecodePNG(std::span<const std::uint8_t> bytes, const std::string& path,
                        std::int64_t maxPixels = kMaxPixels);
TDecodedImage ReadPNGFile(const std::string& path, const TReadHints& hints);

}  // namespace corvane
