// RotateBitmap: a working bitmap turned about its centre by any angle in
// tenths of a degree, optionally mirrored left to right.
#pragma once

#include <memory>

#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {

// Positive angles turn left (counter-clockwise on screen). The result keeps
// the source's pixel format and palette; with Circum it is enlarged to the
// rectangle circumscribing the turned picture, otherwise it keeps the
// source's size. Uncovered pixels take the background. A device-dependent
// source is switched to the device-independent form in place; its pixels
// are never changed. Throws ERotateError "Bitmap Size Error" for an empty
// source and "Illegal Bitmap" for a format no transform handles.
std::unique_ptr<TBitmap> RotateBitmap(TBitmap& Source, int Angle, bool Mirror, bool Circum, TColor BackColor);

}  // namespace corvane
