// The WebP reader on arbitrary bytes: still images and animations. The
// header probe must have seen the size and alpha of whatever it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imagefiles/picture_probe.h"
#include "imagefiles/webp/webp_reader.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header = corvane::ProbePictureBytes({data, size}, corvane::TImageFormatId::WebP);
    try {
        const auto p = corvane::DecodeWebP({data, size}, "fuzz.webp", kFuzzMaxPixels).Bitmap;
        if (!header || header->Width != p->Width() || header->Height != p->Height() ||
            (p->HasAlpha() && !header->Alpha))
            std::abort();
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
