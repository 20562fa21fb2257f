// The HEIF/AVIF reader on arbitrary bytes: the container parser and the
// HEVC and AV1 decoders behind it. The header probe parses the same boxes
// through libheif's reader interface; whatever the reader decodes it must
// have found, alpha included (the container's turns may exchange the sides
// the decoder gives).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imagefiles/heif/heif_reader.h"
#include "imagefiles/picture_probe.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header = corvane::ProbePictureBytes({data, size}, corvane::TImageFormatId::HEIF);
    try {
        const auto p = corvane::DecodeHEIF({data, size}, "fuzz.heif", kFuzzMaxPixels).Bitmap;
        if (!header || (p->HasAlpha() && !header->Alpha)) std::abort();
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
