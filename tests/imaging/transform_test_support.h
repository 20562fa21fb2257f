// Helpers for the transform tests: pictures built in code, pixel access by
// format, and a plain per-pixel turn written straight from the rules, which
// the optimised operations must match byte for byte.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane::testing_support {

inline constexpr TPixelFormat kAllFormats[] = {
    TPixelFormat::pf1bit,  TPixelFormat::pf4bit,  TPixelFormat::pf8bit, TPixelFormat::pf15bit,
    TPixelFormat::pf16bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit};

inline const char* FormatName(TPixelFormat f) {
    switch (f) {
        case TPixelFormat::pf1bit:
            return "1-bit";
        case TPixelFormat::pf4bit:
            return "4-bit";
        case TPixelFormat::pf8bit:
            return "8-bit";
        case TPixelFormat::pf15bit:
            return "15-bit";
        case TPixelFormat::pf16bit:
            return "16-bit";
        case TPixelFormat::pf24bit:
            return "24-bit";
        case TPixelFormat::pf32bit:
            return "32-bit";
        case TPixelFormat::pfDevice:
            return "device";
        case TPixelFormat::pfCustom:
            return "custom";
    }
    return "?";
}

inline TBitmap MakePicture(TPixelFormat format, int w, int h) {
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(w, h);
    return b;
}

// A unit is a palette index, a 16- or 32-bit word, or blue | green << 8 | red << 16.
inline std::uint32_t GetUnit(const TBitmap& b, int x, int y) {
    const std::uint8_t* r = b.ScanLine(y);
    switch (b.PixelFormat()) {
        case TPixelFormat::pf1bit:
            return (r[x / 8] >> (7 - x % 8)) & 1u;
        case TPixelFormat::pf4bit:
            return x % 2 ? r[x / 2] & 0x0Fu : r[x / 2] >> 4;
        case TPixelFormat::pf8bit:
            return r[x];
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit:
            return r[2 * x] | std::uint32_t{r[2 * x + 1]} << 8;
        case TPixelFormat::pf24bit:
            return r[3 * x] | std::uint32_t{r[3 * x + 1]} << 8 | std::uint32_t{r[3 * x + 2]} << 16;
        default:
            return r[4 * x] | std::uint32_t{r[4 * x + 1]} << 8 | std::uint32_t{r[4 * x + 2]} << 16 |
                   std::uint32_t{r[4 * x + 3]} << 24;
    }
}

inline void SetUnit(TBitmap& b, int x, int y, std::uint32_t v) {
    std::uint8_t* r = b.ScanLine(y);
    switch (b.PixelFormat()) {
        case TPixelFormat::pf1bit: {
            const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
            r[x / 8] = static_cast<std::uint8_t>(v & 1 ? r[x / 8] | mask : r[x / 8] & ~mask);
            return;
        }
        case TPixelFormat::pf4bit:
            r[x / 2] = static_cast<std::uint8_t>(x % 2 ? (r[x / 2] & 0xF0) | (v & 0x0F)
                                                       : (r[x / 2] & 0x0F) | (v & 0x0F) << 4);
            return;
        default: {
            const int bytes = BitsPerPixel(b.PixelFormat()) / 8;
            for (int k = 0; k < bytes; ++k) r[bytes * x + k] = static_cast<std::uint8_t>(v >> (8 * k));
        }
    }
}

inline TPixelTriple GetTriple(const TBitmap& b, int x, int y) {
    const std::uint8_t* p = b.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

// Random pixels; indexed pictures get a random palette of 2, 16 or 256
// entries. Every byte of every row is random, including the bits after a
// 1- or 4-bit row's last pixel, so nothing may depend on them.
inline TBitmap RandomPicture(TPixelFormat format, int w, int h, std::mt19937& rng) {
    TBitmap b = MakePicture(format, w, h);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::size_t used = (static_cast<std::size_t>(w) * BitsPerPixel(format) + 7) / 8;
    for (int y = 0; y < h; ++y)
        for (std::size_t i = 0; i < used; ++i) b.ScanLine(y)[i] = static_cast<std::uint8_t>(byte(rng));
    if (IsIndexed(format)) {
        std::vector<TPaletteEntry> pal(std::size_t{1} << BitsPerPixel(format));
        for (auto& e : pal)
            e = {static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng)),
                 static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng))};
        b.SetPalette(pal);
    }
    return b;
}

// Row bytes that belong to pixels, padding excluded.
inline bool SamePixels(const TBitmap& a, const TBitmap& b, std::string* where = nullptr) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) {
        if (where) *where = "size or format";
        return false;
    }
    const std::size_t used = (static_cast<std::size_t>(a.Width()) * BitsPerPixel(a.PixelFormat()) + 7) / 8;
    for (int y = 0; y < a.Height(); ++y)
        for (std::size_t i = 0; i < used; ++i)
            if (a.ScanLine(y)[i] != b.ScanLine(y)[i]) {
                if (where) *where = "row " + std::to_string(y) + " byte " + std::to_string(i);
                return false;
            }
    return true;
}

// ---- The turn, pixel by pixel, as the rules state it ----

inline int ReferenceBackgroundIndex(const std::vector<TPaletteEntry>& pal, TColor back) {
    std::uint32_t largest = 0;
    int candidate = 0, first = -1;
    for (int i = 0; i < static_cast<int>(pal.size()); ++i) {
        const std::uint32_t v = pal[i].peBlue * 65536u + pal[i].peGreen * 256u + pal[i].peRed;
        if (v >= largest) largest = v, candidate = i;
        if (first < 0 && v == (back & 0xFFFFFF)) first = i;
    }
    return first >= 0 && (back & 0xFFFFFF) != 0xFFFFFF ? first : candidate;
}

struct ReferenceTurnOptions {
    int Angle = 0;
    bool Mirror = false;
    bool Circum = false;
    TColor BackColor = clWhite;
    // 24-bit only: applied to every covered pixel and to the background.
    std::function<TPixelTriple(TPixelTriple)> Adjust;
};

// `background`, when given, replaces the format's background unit (an alpha
// plane's 0).
inline std::unique_ptr<TBitmap> ReferenceTurn(const TBitmap& src, const ReferenceTurnOptions& o,
                                              std::optional<std::uint32_t> background = {}) {
    const int W = src.Width(), H = src.Height();
    const int a = o.Angle >= 0 ? o.Angle % 3600 : 3600 - (-o.Angle) % 3600;
    const double theta = a / 10.0 * 0.017453292519943295;
    const int S = static_cast<int>(std::nearbyint(std::sin(theta) * 1024));
    const int C = static_cast<int>(std::nearbyint(std::cos(theta) * 1024));
    const int Wn = o.Circum ? (std::abs(W * C) + std::abs(H * S) + 512) / 1024 : W;
    const int Hn = o.Circum ? (std::abs(W * S) + std::abs(H * C) + 512) / 1024 : H;
    // Halves are exact in double at these sizes; nearbyint takes the even one.
    int X0 = static_cast<int>(std::nearbyint(512.0 * (W - 1) - C * (Wn - 1) / 2.0 + S * (Hn - 1) / 2.0));
    int Y0 = static_cast<int>(std::nearbyint(512.0 * (H - 1) - S * (Wn - 1) / 2.0 - C * (Hn - 1) / 2.0));
    int dXc = C, dYc = S;
    if (o.Mirror) X0 += (Wn - 1) * C, Y0 += (Wn - 1) * S, dXc = -C, dYc = -S;

    const TPixelFormat f = src.PixelFormat();
    auto out = std::make_unique<TBitmap>();
    out->SetPixelFormat(f);
    out->SetSize(Wn, Hn);  // zeroed, as a fresh picture is
    std::uint32_t back = 0;
    switch (f) {
        case TPixelFormat::pf1bit:
            back = 1;
            break;
        case TPixelFormat::pf4bit:
            back = ReferenceBackgroundIndex(src.Palette(), o.BackColor) & 0x0F;
            break;
        case TPixelFormat::pf8bit:
            back = ReferenceBackgroundIndex(src.Palette(), o.BackColor);
            break;
        case TPixelFormat::pf15bit:
            back = 0x7FFF;
            break;
        case TPixelFormat::pf16bit:
            back = 0xFFFF;
            break;
        case TPixelFormat::pf32bit:
            back = 0x00FFFFFF;
            break;
        default: {
            TPixelTriple t{static_cast<std::uint8_t>(o.BackColor >> 16),
                           static_cast<std::uint8_t>(o.BackColor >> 8),
                           static_cast<std::uint8_t>(o.BackColor)};
            if (o.Adjust) t = o.Adjust(t);
            back = t.Blue | t.Green << 8 | t.Red << 16;
        }
    }
    if (background) back = *background;
    const auto nearest = [](int v) { return v >= 0 ? (v + 512) / 1024 : -((-v + 512) / 1024); };
    for (int j = 0; j < Hn; ++j) {
        int X = X0 - S * j, Y = Y0 + C * j;
        for (int i = 0; i < Wn; ++i) {
            const int sx = nearest(X), sy = nearest(Y);
            if (0 <= sx && sx < W && 0 <= sy && sy < H) {
                std::uint32_t v = GetUnit(src, sx, sy);
                if (o.Adjust && f == TPixelFormat::pf24bit) {
                    const TPixelTriple t =
                        o.Adjust({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                  static_cast<std::uint8_t>(v >> 16)});
                    v = t.Blue | t.Green << 8 | t.Red << 16;
                }
                SetUnit(*out, i, j, v);
            } else {
                SetUnit(*out, i, j, back);
            }
            X += dXc;
            Y += dYc;
        }
    }
    return out;
}

}  // namespace corvane::testing_support
