// Result: 1-, 4-, 8- or 24-bit (15-, 16- and 32-bit sources become 24-bit),
// sized as RotateBitmap sizes it. Geometry and sampling are RotateBitmap's;
// each covered 24-bit pixel is adjusted by the per-colour rule as it is
// written, an indexed picture through its palette.
#include "imaging/rotate_tone_gamma.h"

#include "imaging/colour_rule.h"
#include "imaging/rotation_geometry.h"
#include "imaging/transform_setup.h"
#include "imaging/turn_pixels.h"

namespace corvane {

std::unique_ptr<TBitmap> RotateToneGammaBitmap(const TBitmap& Source, int Angle, bool Mirror, bool Circum,
                                               int Brightness, int Contrast, int LevelCode, int GammaCode,
                                               bool ToneFirst, TColor BackColor) {
    CheckSourceSize(Source);
    const WorkingSource work(Source);
    const TPixelFormat format = work->PixelFormat();
    const TurnGeometry geometry = MakeTurnGeometry(work->Width(), work->Height(), Angle, Mirror, Circum);
    ColourRule rule(Brightness, Contrast, LevelCode, GammaCode, ToneFirst);

    auto result = NewResult(format, geometry.NewWidth, geometry.NewHeight);
    TurnBackground background = 0;
    if (IsIndexed(format)) {
        // The background index is chosen from the palette as read; that
        // entry is then adjusted like every other one.
        std::vector<TPaletteEntry> palette = ReadPalette(*work);
        background = static_cast<TurnBackground>(BackgroundIndex(palette, BackColor));
        for (TPaletteEntry& e : palette) e = rule.Apply(e);
        result->SetPalette(std::move(palette));
    } else if (format == TPixelFormat::pf24bit) {
        const TPixelTriple back = rule.Apply(TPixelTriple{static_cast<std::uint8_t>(BackColor >> 16),
                                                          static_cast<std::uint8_t>(BackColor >> 8),
                                                          static_cast<std::uint8_t>(BackColor)});
        background =
            TurnBackground{back.Blue} | TurnBackground{back.Green} << 8 | TurnBackground{back.Red} << 16;
    } else {
        result->SetPalette(work->Palette());  // TurnPixels refuses the format
    }

    rule.PrepareForPixels(static_cast<std::int64_t>(geometry.NewWidth) * geometry.NewHeight);
    const ColourRule* adjust = rule.Which() == ColourRule::Steps::None ? nullptr : &rule;
    TurnPixels(format, geometry, RowTable(*work), RowTable(*result), background, adjust);
    // Tone and gamma never touch transparency.
    TurnAlpha(geometry, *work, *result);
    return result;
}

}  // namespace corvane
