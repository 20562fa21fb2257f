// Writing TIFF files (libtiff): one page, 8-bit RGB or RGBA (unassociated
// alpha), Deflate with the horizontal predictor; lossless.
#pragma once

#include <cstdint>
#include <vector>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageEncodeError with libtiff's text. An empty picture gives no bytes.
std::vector<std::uint8_t> EncodeTIFF(const TBitmap& picture, const TEncodeOptions& options);

}  // namespace corvane
