// Result: the source's pixel format and palette, W x H, or with Circum the
// circumscribing size rounded half up. Sample points are fixed point with 10
// fractional bits, started from X0, Y0 (rounded half to even) on every row
// and rounded to a pixel with halves away from zero; no interpolation. An
// alpha plane moves with its pixels; turned-in corners are transparent.
#include "imaging/rotate.h"

#include <utility>

#include "imaging/rotation_geometry.h"
#include "imaging/transform_setup.h"
#include "imaging/turn_pixels.h"

namespace corvane {

std::unique_ptr<TBitmap> RotateBitmap(TBitmap& Source, int Angle, bool Mirror, bool Circum,
                                      TColor BackColor) {
    CheckSourceSize(Source);
    MakeDeviceIndependent(Source);
    const TPixelFormat format = Source.PixelFormat();
    const TurnGeometry geometry = MakeTurnGeometry(Source.Width(), Source.Height(), Angle, Mirror, Circum);
    const TurnBackground background = PlainBackground(Source, BackColor);

    auto result = NewResult(format, geometry.NewWidth, geometry.NewHeight);
    if (IsIndexed(format)) result->SetPalette(ReadPalette(Source));
    // Pixels move whole, so they keep the meaning the source's masks give them.
    if (format == TPixelFormat::pf15bit || format == TPixelFormat::pf16bit || format == TPixelFormat::pf32bit)
        result->SetBitFields(Source.BitFields());

    TurnPixels(format, geometry, RowTable(std::as_const(Source)), RowTable(*result), background, nullptr);
    TurnAlpha(geometry, Source, *result);
    return result;
}

}  // namespace corvane
