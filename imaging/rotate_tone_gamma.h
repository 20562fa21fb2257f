// RotateToneGammaBitmap: the turn of RotateBitmap and the adjustment of
// ToneGammaBitmap in one pass.
#pragma once

#include <memory>

#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {

// The source turned and mirrored as RotateBitmap does and adjusted as
// ToneGammaBitmap does, the background adjusted like a pixel. 15-, 16- and
// 32-bit sources give a 24-bit result; the source is never changed, not even
// its representation. Failures as for the other two transforms.
std::unique_ptr<TBitmap> RotateToneGammaBitmap(const TBitmap& Source, int Angle, bool Mirror, bool Circum,
                                               int Brightness, int Contrast, int LevelCode, int GammaCode,
                                               bool ToneFirst, TColor BackColor);

}  // namespace corvane
