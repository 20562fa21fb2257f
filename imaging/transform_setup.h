// What every transform does before it touches a pixel: the size check, the
// working source, the result, the palette record, the row tables and the
// pixel-format dispatch. Kept here so the transforms themselves stay short.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/TBitmap.h"

namespace corvane {

// "Bitmap Size Error" when the source is 0 wide or 0 high; nothing allocated.
void CheckSourceSize(const TBitmap& source);

// The picture the tone operations read: never the caller's pixels changed.
// 24-bit and indexed device-independent sources are read in place (nothing
// writes to them); device-dependent, 15-, 16- and 32-bit sources become a
// private 24-bit copy.
class WorkingSource {
public:
    explicit WorkingSource(const TBitmap& source);
    const TBitmap& operator*() const { return *picture_; }
    const TBitmap* operator->() const { return picture_; }

private:
    std::unique_ptr<TBitmap> copy_;
    const TBitmap* picture_;
};

// The rotation's form: a device-dependent source is switched, in place, to
// the device-independent form; no pixel format is converted.
void MakeDeviceIndependent(TBitmap& source);

// True for the formats the transforms handle: 1, 4, 8, 15, 16, 24, 32 bits.
bool IsTransformable(TPixelFormat format);
// Raises "Illegal Bitmap" unless IsTransformable(format).
void CheckTransformable(TPixelFormat format);

// Entries 0 .. count-1 of the palette, at most 256.
std::vector<TPaletteEntry> ReadPalette(const TBitmap& picture);

// A new picture of the given format and size, pixels uninitialized (the
// transforms write every pixel). Throws EInvalidGraphic beyond the limits.
std::unique_ptr<TBitmap> NewResult(TPixelFormat format, int width, int height);

// The source's alpha plane, if any, into a result of the same size.
void CopyAlpha(const TBitmap& source, TBitmap& result);

// Row addresses collected once before the pixel loops.
std::vector<const std::uint8_t*> RowTable(const TBitmap& picture);
std::vector<std::uint8_t*> RowTable(TBitmap& picture);

}  // namespace corvane
