// The pixel loop shared by RotateBitmap and RotateToneGammaBitmap: every
// output pixel takes the source pixel nearest to its sample point, or the
// background when that point lies outside the source.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/color.h"
#include "imaging/rotation_geometry.h"

namespace corvane {

class ColourRule;

// The value uncovered pixels get, in the result's own layout: a palette
// index (1-, 4-, 8-bit; 1-bit ignores it and always writes index 1), a
// little-endian 16- or 32-bit word, or blue | green << 8 | red << 16 for 24-bit.
using TurnBackground = std::uint32_t;

// The background of a plain turn for the source's pixel format: the
// background index of an indexed palette, white as 0x7FFF, 0xFFFF or
// 0x00FFFFFF in 15-, 16- and 32-bit pixels (another colour through the
// picture's channel masks), BackColor's bytes for 24-bit.
TurnBackground PlainBackground(const TBitmap& source, TColor BackColor);

// Fills every pixel of the result's rows. `adjust`, when given, is applied to
// the covered pixels of a 24-bit result right after they are sampled (the
// background is expected to be adjusted already). Throws ERotateError
// "Illegal Bitmap" for a format other than 1, 4, 8, 15, 16, 24 or 32 bits.
void TurnPixels(TPixelFormat format, const TurnGeometry& geometry,
                const std::vector<const std::uint8_t*>& src, const std::vector<std::uint8_t*>& dst,
                TurnBackground background, const ColourRule* adjust);

// The source's alpha plane, when it has one, moved into the result's by the
// same geometry; uncovered pixels become transparent (0).
void TurnAlpha(const TurnGeometry& geometry, const TBitmap& source, TBitmap& result);

}  // namespace corvane
