// Reading TIFF files (libtiff) into a working bitmap: the first page; strips
// or tiles; grey, palette and RGB pictures of 1, 2, 4, 8 or 16 bits a sample
// (16 reduced to 8 by the high byte), with an alpha sample where the file
// marks one; any compression libtiff decodes (none, LZW, Deflate, PackBits,
// JPEG, ...). Other layouts (CMYK, Lab, separate planes, ...) go through
// libtiff's own RGBA conversion. Rows come as stored; the orientation tag is
// the metadata's orientation. The metadata: the profile, the XMP packet and
// an EXIF block of the first directory's description tags with its EXIF and
// GPS directories (tiff_exif.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageFileError with the path and libtiff's text; a declared size beyond
// the working bitmap's limits is refused before pixel memory is taken.
// `maxPixels` lowers the picture limit (the fuzz targets keep their time
// for parsing).
TDecodedImage DecodeTIFF(std::span<const std::uint8_t> bytes, const std::string& path,
                         std::int64_t maxPixels = kMaxPixels);
TDecodedImage ReadTIFFFile(const std::string& path, const TReadHints& hints);

}  // namespace corvane
