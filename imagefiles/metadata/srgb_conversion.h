// Pixels described by an embedded RGB profile converted to sRGB through
// LittleCMS, so that a file written without a profile shows the same
// colours in a viewer that assumes sRGB.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/TBitmap.h"

namespace corvane {

// In place, perceptual intent, 8 bits per channel. Indexed pictures have
// their palette converted and keep their pixels; 24-bit pictures are
// converted row by row; any other format is made 24-bit first. Returns an
// empty text on success, else why nothing was changed (a profile LittleCMS
// cannot read, or one that is not for RGB data).
std::string ConvertToSRGB(TBitmap& picture, std::span<const std::uint8_t> profile);

}  // namespace corvane
