// The TIFF reader on arbitrary bytes: every layout, libtiff's RGBA path and
// its codecs; what it reads must also write out as a TIFF, and the header
// probe must have seen its size and alpha.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imagefiles/picture_probe.h"
#include "imagefiles/tiff/tiff_reader.h"
#include "imagefiles/tiff/tiff_writer.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header = corvane::ProbePictureBytes({data, size}, corvane::TImageFormatId::TIFF);
    try {
        const corvane::TDecodedImage image = corvane::DecodeTIFF({data, size}, "fuzz.tif", kFuzzMaxPixels);
        const corvane::TBitmap& p = *image.Bitmap;
        if (!header || header->Width != p.Width() || header->Height != p.Height() ||
            (p.HasAlpha() && !header->Alpha))
            std::abort();
        if (size % 4 == 0) corvane::EncodeTIFF(*image.Bitmap, {});
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
