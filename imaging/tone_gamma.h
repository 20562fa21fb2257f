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

// The same adjustment on the picture itself, which then equals what
// ToneGammaBitmap would have made, with half the memory and traffic. Only
// for a plain 24-bit picture, stored as a new one would be (bottom-up, no
// palette, masks or core header); returns false and leaves any other alone.
bool ToneGammaInPlace(TBitmap& Picture, int Brightness, int Contrast, int LevelCode, int GammaCode,
                      bool ToneFirst);

}  // namespace corvane
