// Result: the picture's size, 24-bit, no alpha plane, no palette. Integer
// blend per channel, rounded half up; alpha 255 keeps the pixel and alpha 0
// gives the background exactly.
#include "imaging/flatten_alpha.h"

#include <array>
#include <cstdint>

namespace corvane {

std::unique_ptr<TBitmap> FlattenOntoBackground(const TBitmap& picture, TColor BackColor) {
    if (!picture.HasAlpha()) return nullptr;
    std::unique_ptr<TBitmap> out = picture.Clone();
    out->SetPixelFormat(TPixelFormat::pf24bit);
    const std::array<unsigned, 3> back = {BackColor >> 16 & 0xFF, BackColor >> 8 & 0xFF, BackColor & 0xFF};
    for (int y = 0; y < out->Height(); ++y) {
        std::uint8_t* p = out->ScanLine(y);
        const std::uint8_t* a = out->AlphaLine(y);
        for (int x = 0; x < out->Width(); ++x, p += 3) {
            const unsigned alpha = a[x];
            if (alpha == 255) continue;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<std::uint8_t>((p[c] * alpha + back[c] * (255 - alpha) + 127) / 255);
        }
    }
    out->DropAlpha();
    return out;
}

}  // namespace corvane
