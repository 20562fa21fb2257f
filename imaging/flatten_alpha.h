// Laying a picture with transparency onto a background colour, for formats
// that hold no alpha (bitmap, JPEG).
#pragma once

#include <memory>

#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {

// A 24-bit copy without alpha in which every channel is
// (value * alpha + back * (255 - alpha) + 127) / 255, back being BackColor's
// channel. A picture without alpha gives nullptr: it is written as it is.
std::unique_ptr<TBitmap> FlattenOntoBackground(const TBitmap& picture, TColor BackColor);

}  // namespace corvane
