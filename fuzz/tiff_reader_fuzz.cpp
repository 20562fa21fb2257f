// The TIFF reader on arbitrary bytes: every layout, libtiff's RGBA path and
// its codecs; what it reads must also write out as a TIFF.
#include <cstddef>
#include <cstdint>

#include "imagefiles/tiff/tiff_reader.h"
#include "imagefiles/tiff/tiff_writer.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const corvane::TDecodedImage image = corvane::DecodeTIFF({data, size}, "fuzz.tif", kFuzzMaxPixels);
        if (size % 4 == 0) corvane::EncodeTIFF(*image.Bitmap, {});
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
