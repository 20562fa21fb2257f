// Result: the source's pixel format, W x H for orientations 1 to 4, H x W
// for 5 to 8. Quarter and half turns with Circum move every pixel exactly
// (no sampling between pixels), so the turn does all the work; no rounding.
#include "imaging/orient.h"

#include "imaging/rotate.h"
#include "imaging/transform_setup.h"

namespace corvane {

namespace {

struct TurnFor {
    int Angle;  // tenths of a degree, positive turning left
    bool Mirror;
};

// What the viewer does to the stored picture, as RotateBitmap's turn and
// its left-right mirror of the result.
constexpr TurnFor kTurns[9] = {
    {0, false},     // (unused)
    {0, false},     // 1
    {0, true},      // 2
    {1800, false},  // 3
    {1800, true},   // 4
    {-900, true},   // 5
    {-900, false},  // 6
    {900, true},    // 7
    {900, false},   // 8
};

}  // namespace

std::unique_ptr<TBitmap> OrientBitmap(TBitmap& source, int orientation) {
    CheckSourceSize(source);
    if (orientation < 2 || orientation > 8) return source.Clone();
    const TurnFor turn = kTurns[orientation];
    return RotateBitmap(source, turn.Angle, turn.Mirror, true, clWhite);
}

}  // namespace corvane
