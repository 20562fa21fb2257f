// Result: the source's size; 1-, 4-, 8- and 24-bit keep their format, 15-,
// 16- and 32-bit become 24-bit. Colour arithmetic is fixed point with 10
// fractional bits; the contrast term alone rounds from double, half to even.
#include "imaging/tone_gamma.h"

#include <cstring>

#include "imaging/colour_rule.h"
#include "imaging/errors.h"
#include "imaging/transform_setup.h"

namespace corvane {

namespace {

// Indices (or whole pixels) are copied unchanged. The bits after the last pixel of a 1- or
// 4-bit row are cleared rather than copied: they belong to no pixel.
void CopyRows(const std::vector<const std::uint8_t*>& src, const std::vector<std::uint8_t*>& dst, int width,
              int bitsPerPixel) {
    const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel);
    const std::size_t bytes = (bits + 7) / 8;
    const unsigned spare = static_cast<unsigned>(bytes * 8 - bits);
    const auto lastMask = static_cast<std::uint8_t>(0xFF << spare);
    for (std::size_t y = 0; y < src.size(); ++y) {
        std::memcpy(dst[y], src[y], bytes);
        dst[y][bytes - 1] &= lastMask;
    }
}

}  // namespace

std::unique_ptr<TBitmap> ToneGammaBitmap(const TBitmap& Source, int Brightness, int Contrast, int LevelCode,
                                         int GammaCode, bool ToneFirst) {
    CheckSourceSize(Source);
    const WorkingSource work(Source);
    const int width = work->Width();
    const int height = work->Height();
    const TPixelFormat format = work->PixelFormat();
    ColourRule rule(Brightness, Contrast, LevelCode, GammaCode, ToneFirst);

    auto result = NewResult(format, width, height);
    if (IsIndexed(format)) {
        std::vector<TPaletteEntry> palette = ReadPalette(*work);
        for (TPaletteEntry& e : palette) e = rule.Apply(e);
        result->SetPalette(std::move(palette));
    }

    const auto srcRows = RowTable(*work);
    const auto dstRows = RowTable(*result);
    switch (format) {
        case TPixelFormat::pf1bit:
        case TPixelFormat::pf4bit:
        case TPixelFormat::pf8bit:
            CopyRows(srcRows, dstRows, width, BitsPerPixel(format));
            break;
        case TPixelFormat::pf24bit:
            rule.PrepareForPixels(static_cast<std::int64_t>(width) * height);
            for (int y = 0; y < height; ++y)
                rule.ApplyRun(srcRows[static_cast<std::size_t>(y)], dstRows[static_cast<std::size_t>(y)],
                              width);
            break;
        // The working source holds no 15-, 16- or 32-bit picture.
        default:
            throw ERotateError::IllegalBitmap();
    }
    // Transparency is no colour: copied as it is.
    CopyAlpha(*work, *result);
    return result;
}

bool ToneGammaInPlace(TBitmap& Picture, int Brightness, int Contrast, int LevelCode, int GammaCode,
                      bool ToneFirst) {
    CheckSourceSize(Picture);
    if (Picture.PixelFormat() != TPixelFormat::pf24bit || !Picture.Palette().empty() || Picture.BitFields() ||
        Picture.TopDown() || Picture.CoreHeader())
        return false;
    ColourRule rule(Brightness, Contrast, LevelCode, GammaCode, ToneFirst);
    const int width = Picture.Width();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    rule.PrepareForPixels(static_cast<std::int64_t>(width) * Picture.Height());
    for (int y = 0; y < Picture.Height(); ++y) {
        std::uint8_t* row = Picture.ScanLine(y);
        rule.ApplyRun(row, row, width);
        // A new picture's row padding is zero; a file's may not have been.
        std::memset(row + rowBytes, 0, Picture.Stride() - rowBytes);
    }
    return true;
}

}  // namespace corvane
