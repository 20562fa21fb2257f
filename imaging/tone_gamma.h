// ToneGammaBitmap: a tone- and gamma-adjusted copy of a working bitmap.
#pragma once

#include <memory>

#include "imaging/TBitmap.h"

namespace corvane {

// Tone (brightness, contrast, level) acts on luma only, gamma on red, green
// and blue; ToneFirst orders them when both are active. Indexed pictures are
// adjusted through their palette, their indices copied. 15-, 16- and 32-bit
// sources give a 24-bit result. Throws ERotateError "Bitmap Size Error" for
// an empty source and "Illegal Bitmap" for a format no transform handles.
std::unique_ptr<TBitmap> ToneGammaBitmap(const TBitmap& Source, int Brightness, int Contrast, int LevelCode,
                                         int GammaCode, bool ToneFirst);

}  // namespace corvane
