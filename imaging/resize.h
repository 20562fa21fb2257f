// Scaling a picture to a new size with libvips' Lanczos 3 resampling.
#pragma once

#include <memory>

#include "imaging/TBitmap.h"

namespace corvane {

// A 24-bit picture of exactly newWidth x newHeight (indexed and deep
// sources go through their 24-bit colours); an alpha plane is resized with
// the colours, premultiplied so that transparent pixels lend them nothing.
// Throws ERangeError for a size below 1 or beyond the picture limits and
// ERotateError "Bitmap Size Error" for an empty source.
std::unique_ptr<TBitmap> ResizeBitmap(const TBitmap& source, int newWidth, int newHeight);

}  // namespace corvane
