#include "imaging/rotation_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace corvane {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

struct Range {
    std::int64_t lo;
    std::int64_t hi;  // inclusive
};

// The i with lo <= a + i*d <= hi.
Range Solve(std::int64_t a, std::int64_t d, std::int64_t lo, std::int64_t hi) {
    constexpr std::int64_t kAll = std::numeric_limits<std::int32_t>::max();
    if (d == 0) return lo <= a && a <= hi ? Range{-kAll, kAll} : Range{1, 0};
    if (d > 0) return {CeilDiv(lo - a, d), FloorDiv(hi - a, d)};
    return {CeilDiv(hi - a, d), FloorDiv(lo - a, d)};
}

bool WholePixelStep(std::int32_t d) { return d == 0 || d == 1024 || d == -1024; }

}  // namespace

int ReduceAngle(int Angle) {
    const std::int64_t a = Angle;
    return static_cast<int>(a >= 0 ? a % 3600 : 3600 - (-a) % 3600);
}

TurningFactors FactorsFor(int reducedAngle) {
    // Real division: 77 tenths turn by 7.7 degrees.
    const double theta = (reducedAngle / 10.0) * 0.017453292519943295;
    // nearbyint rounds in the default mode, to nearest with ties to even.
    return {static_cast<int>(std::nearbyint(std::sin(theta) * 1024.0)),
            static_cast<int>(std::nearbyint(std::cos(theta) * 1024.0))};
}

std::int64_t HalveRoundingToEven(std::int64_t n) {
    const std::int64_t down = n >> 1;  // floor(n / 2)
    if ((n & 1) == 0) return down;
    return (down & 1) == 0 ? down : down + 1;
}

bool TurnGeometry::AxisAligned() const {
    return WholePixelStep(ColumnDX) && WholePixelStep(ColumnDY) && WholePixelStep(RowDX) &&
           WholePixelStep(RowDY);
}

TurnGeometry MakeTurnGeometry(int width, int height, int Angle, bool Mirror, bool Circum) {
    TurnGeometry g;
    g.Width = width;
    g.Height = height;
    const TurningFactors f = FactorsFor(ReduceAngle(Angle));
    g.S = f.S;
    g.C = f.C;
    const std::int64_t W = width, H = height, S = f.S, C = f.C;
    if (Circum) {
        g.NewWidth = static_cast<int>((std::llabs(W * C) + std::llabs(H * S) + 512) / 1024);
        g.NewHeight = static_cast<int>((std::llabs(W * S) + std::llabs(H * C) + 512) / 1024);
    } else {
        g.NewWidth = width;
        g.NewHeight = height;
    }
    const std::int64_t Wn = g.NewWidth, Hn = g.NewHeight;
    // Twice the start point is a whole number, so the tie is seen exactly.
    std::int64_t x0 = HalveRoundingToEven(1024 * (W - 1) - C * (Wn - 1) + S * (Hn - 1));
    std::int64_t y0 = HalveRoundingToEven(1024 * (H - 1) - S * (Wn - 1) - C * (Hn - 1));
    g.ColumnDX = f.C;
    g.ColumnDY = f.S;
    g.RowDX = -f.S;
    g.RowDY = f.C;
    if (Mirror) {
        // Column i then samples what column Wn-1-i samples unmirrored.
        x0 += (Wn - 1) * C;
        y0 += (Wn - 1) * S;
        g.ColumnDX = -f.C;
        g.ColumnDY = -f.S;
    }
    g.X0 = static_cast<std::int32_t>(x0);
    g.Y0 = static_cast<std::int32_t>(y0);
    return g;
}

std::vector<CoveredSpan> CoveredSpans(const TurnGeometry& g) {
    std::vector<CoveredSpan> spans(static_cast<std::size_t>(g.NewHeight));
    for (int j = 0; j < g.NewHeight; ++j) {
        const Range x = Solve(g.XAt(0, j), g.ColumnDX, kFirstCovered, LastCovered(g.Width));
        const Range y = Solve(g.YAt(0, j), g.ColumnDY, kFirstCovered, LastCovered(g.Height));
        const std::int64_t first = std::max<std::int64_t>({0, x.lo, y.lo});
        const std::int64_t last = std::min<std::int64_t>({g.NewWidth, x.hi + 1, y.hi + 1});
        spans[static_cast<std::size_t>(j)] =
            first < last ? CoveredSpan{static_cast<int>(first), static_cast<int>(last)} : CoveredSpan{0, 0};
    }
    return spans;
}

int BackgroundIndex(const std::vector<TPaletteEntry>& palette, TColor BackColor) {
    const std::uint32_t wanted = BackColor & 0xFFFFFF;
    std::uint32_t largest = 0;
    int candidate = 0;
    int match = -1;
    for (std::size_t i = 0; i < palette.size() && i < kMaxPaletteEntries; ++i) {
        const TPaletteEntry& e = palette[i];
        const std::uint32_t value = std::uint32_t{e.peBlue} << 16 | std::uint32_t{e.peGreen} << 8 | e.peRed;
        if (value >= largest) {
            largest = value;
            candidate = static_cast<int>(i);
        }
        if (match < 0 && value == wanted) match = static_cast<int>(i);
    }
    return match >= 0 && wanted != 0xFFFFFF ? match : candidate;
}

}  // namespace corvane
