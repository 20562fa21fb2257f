// Writing WebP files (libwebp): lossy at the JPEG quality setting, alpha
// kept (and compressed losslessly) when the picture has it.
#pragma once

#include <cstdint>
#include <vector>

#include "imagefiles/format_registry.h"

namespace corvane {

// EImageEncodeError with libwebp's error. An empty picture gives no bytes.
std::vector<std::uint8_t> EncodeWebP(const TBitmap& picture, const TEncodeOptions& options);

}  // namespace corvane
