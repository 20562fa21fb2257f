// Colour model: BGR pixel triples, fixed-point YCbCr with 10 fractional bits
// (BT.601 / JFIF weights), and the luma adjustment through a tone table.
#pragma once

#include <cstdint>

namespace corvane {

// 0x00BBGGRR, red in the low byte.
using TColor = std::uint32_t;
inline constexpr TColor clWhite = 0xFFFFFF;

// Three bytes in the order they lie in a 24-bit row.
struct TPixelTriple {
    std::uint8_t Blue;
    std::uint8_t Green;
    std::uint8_t Red;
};

struct TYCbCr {
    std::int32_t Y;
    std::int32_t Cb;
    std::int32_t Cr;
};

// Blue, green, red, not yet limited to 0 .. 255.
struct TColorInts {
    std::int32_t Blue;
    std::int32_t Green;
    std::int32_t Red;
};

constexpr TYCbCr RGBToYCbCr(TPixelTriple p) {
    const std::int32_t r = p.Red, g = p.Green, b = p.Blue;
    return TYCbCr{(306 * r + 601 * g + 117 * b + 512) >> 10,
                  ((512 * b - 173 * r - 339 * g + 131584) >> 10) - 128,
                  ((512 * r - 429 * g - 83 * b + 131584) >> 10) - 128};
}

// "div 1024" truncates toward zero; C++ integer division does exactly that.
constexpr TColorInts YCbCrToRGB(TYCbCr c) {
    return TColorInts{(1024 * c.Y + 1814 * c.Cb - c.Cr + 512) / 1024,
                      (1024 * c.Y - 353 * c.Cb - 731 * c.Cr + 512) / 1024,
                      (1024 * c.Y + 1436 * c.Cr + 512) / 1024};
}

constexpr std::uint8_t ClampByte(std::int32_t v) {
    return static_cast<std::uint8_t>(v > 255 ? 255 : (v < 0 ? 0 : v));
}

constexpr TPixelTriple ClampToPixel(TColorInts c) {
    return TPixelTriple{ClampByte(c.Blue), ClampByte(c.Green), ClampByte(c.Red)};
}

// Luma adjustment: Y replaced by toneTable[Y], chroma kept. Every entry of
// the table lies in 0 .. 255, so the index is always in range.
constexpr TPixelTriple AdjustLuma(TPixelTriple p, const std::int32_t* toneTable) {
    TYCbCr c = RGBToYCbCr(p);
    c.Y = toneTable[c.Y];
    return ClampToPixel(YCbCrToRGB(c));
}

}  // namespace corvane
