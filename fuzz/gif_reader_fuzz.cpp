// The GIF reader on arbitrary bytes: records, colour maps, frames placed
// anywhere on the screen, interlaced rows.
#include <cstddef>
#include <cstdint>

#include "imagefiles/gif/gif_reader.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        corvane::DecodeGIF({data, size}, "fuzz.gif", kFuzzMaxPixels);
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
