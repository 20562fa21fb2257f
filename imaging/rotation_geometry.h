// Where each output pixel of a turn samples the source: turning factors,
// result size, start point and steps in 1/1024 pixel, the covered span of
// every output row, and the background index of an indexed picture.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {

// Angle in tenths of a degree reduced to 0 .. 3600 (3600 behaves as 0).
int ReduceAngle(int Angle);

// Sine and cosine of a reduced angle, times 1024, rounded half to even.
struct TurningFactors {
    int S;
    int C;
};
TurningFactors FactorsFor(int reducedAngle);

// Rounds n / 2 to an integer, a half going to the even neighbour.
std::int64_t HalveRoundingToEven(std::int64_t n);

struct TurnGeometry {
    int Width = 0;  // source
    int Height = 0;
    int NewWidth = 0;  // result
    int NewHeight = 0;
    int S = 0;
    int C = 0;
    // Source position sampled by output pixel (0, 0), Mirror applied.
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
    // Added per output column and per output row.
    std::int32_t ColumnDX = 0;
    std::int32_t ColumnDY = 0;
    std::int32_t RowDX = 0;
    std::int32_t RowDY = 0;

    // Output pixel (i, j) samples X = X0 + i*ColumnDX + j*RowDX (Y alike);
    // integer sums, so any walk over the output reaches the same values.
    std::int32_t XAt(int i, int j) const { return X0 + i * ColumnDX + j * RowDX; }
    std::int32_t YAt(int i, int j) const { return Y0 + i * ColumnDY + j * RowDY; }
    // Every step a whole pixel: quarter and half turns, with or without mirror.
    bool AxisAligned() const;
};

// The result size by Circum, then the start point and steps by Mirror.
TurnGeometry MakeTurnGeometry(int width, int height, int Angle, bool Mirror, bool Circum);

// Nearest pixel to a coordinate in 1/1024 pixel, halves away from zero.
constexpr int NearestPixel(std::int32_t v) { return v >= 0 ? (v + 512) >> 10 : -((-v + 512) >> 10); }

// A coordinate v rounds into 0 .. n-1 exactly when -511 <= v <= 1024*n - 513,
// and there NearestPixel(v) == (v + 512) >> 10.
constexpr std::int64_t kFirstCovered = -511;
constexpr std::int64_t LastCovered(int n) { return 1024 * static_cast<std::int64_t>(n) - 513; }

// Output columns First .. Last-1 of a row sample inside the source; the
// rest of the row is background. First == Last when nothing is covered.
struct CoveredSpan {
    int First;
    int Last;
};
std::vector<CoveredSpan> CoveredSpans(const TurnGeometry& g);

// The index uncovered pixels of an indexed picture take: the first entry
// equal to BackColor unless that is white, else the last entry of the
// largest value blue*65536 + green*256 + red.
int BackgroundIndex(const std::vector<TPaletteEntry>& palette, TColor BackColor);

}  // namespace corvane
