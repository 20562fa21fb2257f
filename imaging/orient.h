// OrientBitmap: the stored picture turned and mirrored the way an EXIF
// orientation value says it is to be shown, so that row 0 is the top the
// viewer sees.
#pragma once

#include <memory>

#include "imaging/TBitmap.h"

namespace corvane {

// Orientation 1 .. 8 as the EXIF tag numbers them (1: as stored, 2: mirrored,
// 3: half turn, 4: upside down mirrored, 5: mirrored about the main
// diagonal, 6: a right turn, 7: mirrored about the other diagonal, 8: a left
// turn). Values 5 to 8 exchange width and height. Pixels move whole: same
// pixel format, palette and masks. Values outside 1 .. 8 and 1 give a copy.
// Throws ERotateError "Bitmap Size Error" for an empty source.
std::unique_ptr<TBitmap> OrientBitmap(TBitmap& source, int orientation);

}  // namespace corvane
