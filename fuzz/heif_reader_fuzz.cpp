// The HEIF/AVIF reader on arbitrary bytes: the container parser and the
// HEVC and AV1 decoders behind it.
#include <cstddef>
#include <cstdint>

#include "imagefiles/heif/heif_reader.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        corvane::DecodeHEIF({data, size}, "fuzz.heif", kFuzzMaxPixels);
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
