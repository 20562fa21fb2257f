// Output pixel (i, j) samples source pixel ((X + 512) >> 10, (Y + 512) >> 10)
// at X = X0 + i*ColumnDX + j*RowDX (Y alike), in 1/1024 pixel, halves away
// from zero; outside the covered span of its row it gets the background.
//
// The result depends only on each pixel's own sample point, so the output
// is walked in strips of columns, top to bottom: the source lines one strip
// reads stay in cache from one output row to the next, which is what makes a
// quarter turn (a column of the source per output row) cheap.
#include "imaging/turn_pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/colour_rule.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

// Output columns per strip, multiples of 8 so that strips of a 1- or 4-bit
// picture start on a byte; the widths are the fastest measured on
// 12-megapixel pictures (bench/transforms_bench.cpp). A quarter turn's strip
// reads one source row per output column and needs a new cache line of each
// only every 21 output rows, so it can be wider.
constexpr int kStrip = 128;
constexpr int kQuarterTurnStrip = 512;
// A turned row reads across many source rows, a pattern the processor's own
// prefetching does not follow: the source pixels of the row this far below
// are requested while the current one is copied. Quarter turns need no help.
constexpr int kRowsAhead = 8;

struct Walk {
    const TurnGeometry& g;
    const std::vector<CoveredSpan>& spans;
    const std::uint8_t* const* src;
    std::uint8_t* const* dst;
};

// 8-, 15-, 16-, 24- and 32-bit pixels: whole units of `Bytes` bytes moved.
template <int Bytes>
class UnitMover {
public:
    UnitMover(const Walk& w, TurnBackground background, const ColourRule* adjust) : w_(w), adjust_(adjust) {
        for (int k = 0; k < Bytes; ++k) bg_[k] = static_cast<std::uint8_t>(background >> (8 * k));
        uniform_ = std::all_of(bg_, bg_ + Bytes, [this](std::uint8_t v) { return v == bg_[0]; });
    }

    // Inlined by force: a call to a function that only prefetches counts as
    // having no effect, and the compiler drops it.
    [[gnu::always_inline]] void Prefetch(int j, int first, int last) const {
        const TurnGeometry& g = w_.g;
        std::int32_t x = g.XAt(first, j);
        std::int32_t y = g.YAt(first, j);
        for (int i = first; i < last; ++i) {
            __builtin_prefetch(w_.src[(y + 512) >> 10] +
                               Bytes * static_cast<std::ptrdiff_t>((x + 512) >> 10));
            x += g.ColumnDX;
            y += g.ColumnDY;
        }
    }

    void Row(int j, int from, int first, int last, int to) const {
        std::uint8_t* d = w_.dst[j];
        Fill(d, from, first);
        if (first < last) {
            Sample(d + Bytes * static_cast<std::ptrdiff_t>(first), first, j, last - first);
            if constexpr (Bytes == 3) {
                // Adjusted in place while the run is still in cache.
                std::uint8_t* run = d + 3 * static_cast<std::ptrdiff_t>(first);
                if (adjust_) adjust_->ApplyRun(run, run, last - first);
            }
        }
        Fill(d, last, to);
    }

private:
    void Fill(std::uint8_t* d, int from, int to) const {
        if (from >= to) return;
        std::uint8_t* p = d + Bytes * static_cast<std::ptrdiff_t>(from);
        if (uniform_) {
            std::memset(p, bg_[0], Bytes * static_cast<std::size_t>(to - from));
            return;
        }
        for (int i = from; i < to; ++i, p += Bytes) std::memcpy(p, bg_, Bytes);
    }

    // `count` covered pixels from column i of row j on.
    void Sample(std::uint8_t* out, int i, int j, int count) const {
        const TurnGeometry& g = w_.g;
        const std::uint8_t* const* rows = w_.src;
        std::int32_t x = g.XAt(i, j);
        std::int32_t y = g.YAt(i, j);
        if (g.AxisAligned()) {
            // Whole-pixel steps: the rounded position moves by whole pixels too.
            const int sx = (x + 512) >> 10;
            const int sy = (y + 512) >> 10;
            const int kx = g.ColumnDX / 1024;
            const int ky = g.ColumnDY / 1024;
            if (ky == 0) {
                const std::uint8_t* row = rows[sy] + Bytes * static_cast<std::ptrdiff_t>(sx);
                if (kx == 1) {
                    std::memcpy(out, row, Bytes * static_cast<std::size_t>(count));
                } else {
                    for (int k = 0; k < count; ++k, out += Bytes, row -= Bytes) std::memcpy(out, row, Bytes);
                }
            } else {
                const std::ptrdiff_t offset = Bytes * static_cast<std::ptrdiff_t>(sx);
                const std::uint8_t* const* r = rows + sy;
                for (int k = 0; k < count; ++k, out += Bytes, r += ky) std::memcpy(out, *r + offset, Bytes);
            }
            return;
        }
        const std::int32_t dx = g.ColumnDX;
        const std::int32_t dy = g.ColumnDY;
        for (int k = 0; k < count; ++k, out += Bytes) {
            const std::uint8_t* p =
                rows[(y + 512) >> 10] + Bytes * static_cast<std::ptrdiff_t>((x + 512) >> 10);
            std::memcpy(out, p, Bytes);
            x += dx;
            y += dy;
        }
    }

    const Walk& w_;
    const ColourRule* adjust_;
    std::uint8_t bg_[Bytes];
    bool uniform_;
};

// 1- and 4-bit pixels: each output byte is assembled whole, the bits after a
// row's last pixel left 0.
template <int Bits>
class PackedMover {
public:
    PackedMover(const Walk& w, TurnBackground background)
        : w_(w), bg_(Bits == 1 ? 1u : (background & 0x0Fu)) {}

    void Prefetch(int, int, int) const {}

    void Row(int j, int from, int first, int last, int to) const {
        constexpr int kPerByte = 8 / Bits;
        const TurnGeometry& g = w_.g;
        const std::uint8_t* const* rows = w_.src;
        std::uint8_t* d = w_.dst[j] + from / kPerByte;
        std::int32_t x = g.XAt(from, j);
        std::int32_t y = g.YAt(from, j);
        unsigned acc = 0;
        int filled = 0;
        for (int i = from; i < to; ++i) {
            unsigned v = bg_;
            if (i >= first && i < last) v = Read(rows[(y + 512) >> 10], (x + 512) >> 10);
            acc = acc << Bits | v;
            if (++filled == kPerByte) {
                *d++ = static_cast<std::uint8_t>(acc);
                acc = 0;
                filled = 0;
            }
            x += g.ColumnDX;
            y += g.ColumnDY;
        }
        if (filled) *d = static_cast<std::uint8_t>(acc << (Bits * (kPerByte - filled)));
    }

private:
    static unsigned Read(const std::uint8_t* row, int sx) {
        if constexpr (Bits == 1) {
            return (row[sx >> 3] >> (7 - (sx & 7))) & 1u;
        } else {
            return (sx & 1) ? (row[sx >> 1] & 0x0Fu) : (row[sx >> 1] >> 4);
        }
    }

    const Walk& w_;
    unsigned bg_;
};

template <class Mover>
void WalkStrips(const Walk& w, const Mover& mover, int strip, bool prefetch) {
    const int width = w.g.NewWidth;
    const int height = w.g.NewHeight;
    for (int from = 0; from < width; from += strip) {
        const int to = std::min(width, from + strip);
        const auto covered = [&](int j, auto&& use) {
            const CoveredSpan span = w.spans[static_cast<std::size_t>(j)];
            const int first = std::clamp(span.First, from, to);
            use(first, std::clamp(span.Last, first, to));
        };
        if (prefetch)
            for (int j = 0; j < std::min(kRowsAhead, height); ++j)
                covered(j, [&](int first, int last) { mover.Prefetch(j, first, last); });
        for (int j = 0; j < height; ++j) {
            if (prefetch && j + kRowsAhead < height)
                covered(j + kRowsAhead,
                        [&](int first, int last) { mover.Prefetch(j + kRowsAhead, first, last); });
            covered(j, [&](int first, int last) { mover.Row(j, from, first, last, to); });
        }
    }
}

// A channel value 0 .. 255 scaled into the bits of `mask`.
std::uint32_t IntoMask(std::uint32_t value, std::uint32_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t max = mask >> shift;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(value) * max + 127) / 255) << shift & mask;
}

}  // namespace

TurnBackground PlainBackground(const TBitmap& source, TColor BackColor) {
    const TPixelFormat format = source.PixelFormat();
    if (IsIndexed(format)) return static_cast<TurnBackground>(BackgroundIndex(source.Palette(), BackColor));
    const std::uint32_t red = BackColor & 0xFF, green = BackColor >> 8 & 0xFF, blue = BackColor >> 16 & 0xFF;
    const bool white = (BackColor & 0xFFFFFF) == clWhite;
    switch (format) {
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit:
        case TPixelFormat::pf32bit: {
            if (white)
                return format == TPixelFormat::pf15bit   ? 0x7FFF
                       : format == TPixelFormat::pf16bit ? 0xFFFF
                                                         : 0x00FFFFFF;
            const TBitFields masks = source.BitFields().value_or(DefaultBitFields(format));
            return IntoMask(red, masks.Red) | IntoMask(green, masks.Green) | IntoMask(blue, masks.Blue);
        }
        default:
            return blue | green << 8 | red << 16;
    }
}

void TurnPixels(TPixelFormat format, const TurnGeometry& geometry,
                const std::vector<const std::uint8_t*>& src, const std::vector<std::uint8_t*>& dst,
                TurnBackground background, const ColourRule* adjust) {
    const std::vector<CoveredSpan> spans = CoveredSpans(geometry);
    const Walk w{geometry, spans, src.data(), dst.data()};
    // Rows that map onto rows need no strips; everything else reads across
    // source rows and wants them.
    const bool aligned = geometry.AxisAligned();
    const bool rowToRow = aligned && geometry.ColumnDY == 0;
    const int strip = rowToRow ? geometry.NewWidth : aligned ? kQuarterTurnStrip : kStrip;
    const bool prefetch = !aligned;
    switch (format) {
        case TPixelFormat::pf1bit:
            WalkStrips(w, PackedMover<1>(w, background), strip, prefetch);
            break;
        case TPixelFormat::pf4bit:
            WalkStrips(w, PackedMover<4>(w, background), strip, prefetch);
            break;
        case TPixelFormat::pf8bit:
            WalkStrips(w, UnitMover<1>(w, background, nullptr), strip, prefetch);
            break;
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit:
            WalkStrips(w, UnitMover<2>(w, background, nullptr), strip, prefetch);
            break;
        case TPixelFormat::pf24bit:
            WalkStrips(w, UnitMover<3>(w, background, adjust), strip, prefetch);
            break;
        case TPixelFormat::pf32bit:
            WalkStrips(w, UnitMover<4>(w, background, nullptr), strip, prefetch);
            break;
        default:
            throw ERotateError::IllegalBitmap();
    }
}

void TurnAlpha(const TurnGeometry& geometry, const TBitmap& source, TBitmap& result) {
    if (!source.HasAlpha()) return;
    result.AddAlpha(0);
    std::vector<const std::uint8_t*> src(static_cast<std::size_t>(source.Height()));
    std::vector<std::uint8_t*> dst(static_cast<std::size_t>(result.Height()));
    for (int y = 0; y < source.Height(); ++y) src[static_cast<std::size_t>(y)] = source.AlphaLine(y);
    for (int y = 0; y < result.Height(); ++y) dst[static_cast<std::size_t>(y)] = result.AlphaLine(y);
    // One byte a pixel, as an 8-bit picture whose background is index 0.
    TurnPixels(TPixelFormat::pf8bit, geometry, src, dst, 0, nullptr);
}

}  // namespace corvane
