// Writing PNG files (libspng): lossless, 8-bit RGB, or RGBA when the picture
// has alpha. Indexed and deep pictures are written through their 24-bit colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageEncodeError with libspng's text when the library refuses. An empty
// picture gives no bytes.
std::vector<std::uint8_t> EncodePNG(const TBitmap& picture, const TEncodeOptions& options);

}  // namespace corvane
