// The WebP reader on arbitrary bytes: still images and animations.
#include <cstddef>
#include <cstdint>

#include "imagefiles/webp/webp_reader.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        corvane::DecodeWebP({data, size}, "fuzz.webp", kFuzzMaxPixels);
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
