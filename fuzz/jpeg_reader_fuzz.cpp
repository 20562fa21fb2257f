// The JPEG reader on arbitrary bytes: header, limits, decoding and failures.
// Input size modulo 3 picks the 24-bit, 8-bit or grey-and-half-size path.
#include <cstddef>
#include <cstdint>

#include "imagefiles/jpeg_image.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = 4'000'000;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        corvane::TJPEGImage jpeg;
        if (size % 3 == 1) jpeg.SetPixelFormat(corvane::TJPEGPixelFormat::jf8Bit);
        if (size % 3 == 2) {
            jpeg.SetGrayscale(true);
            jpeg.SetScale(corvane::TJPEGScale::jsHalf);
        }
        jpeg.LoadFromMemory({data, size});
        if (std::int64_t{jpeg.Width()} * jpeg.Height() > kFuzzMaxPixels) return 0;
        jpeg.Bitmap();
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
