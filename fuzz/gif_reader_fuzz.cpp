// The GIF reader on arbitrary bytes: records, colour maps, frames placed
// anywhere on the screen, interlaced rows. The header probe must have seen
// the screen and the transparency of whatever it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imagefiles/gif/gif_reader.h"
#include "imagefiles/picture_probe.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header = corvane::ProbePictureBytes({data, size}, corvane::TImageFormatId::GIF);
    try {
        const auto p = corvane::DecodeGIF({data, size}, "fuzz.gif", kFuzzMaxPixels).Bitmap;
        if (!header || header->Width != p->Width() || header->Height != p->Height() ||
            (p->HasAlpha() && !header->Alpha))
            std::abort();
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
