// The PNG reader on arbitrary bytes: whatever it reads must write out and
// read back as the same pixels, and the header probe must have seen its
// size and any alpha (it may assume alpha the reader does not keep).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imagefiles/picture_probe.h"
#include "imagefiles/png/png_reader.h"
#include "imagefiles/png/png_writer.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header = corvane::ProbePictureBytes({data, size}, corvane::TImageFormatId::PNG);
    try {
        const corvane::TDecodedImage image = corvane::DecodePNG({data, size}, "fuzz.png", kFuzzMaxPixels);
        const corvane::TBitmap& p = *image.Bitmap;
        if (!header || header->Width != p.Width() || header->Height != p.Height() ||
            (p.HasAlpha() && !header->Alpha))
            std::abort();
        const auto again = corvane::DecodePNG(corvane::EncodePNG(p, {}), "again.png").Bitmap;
        if (again->HasAlpha() != p.HasAlpha()) std::abort();
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x)
                if (std::memcmp(again->ScanLine(y) + 3 * x, p.ScanLine(y) + 3 * x, 3) != 0 ||
                    (p.HasAlpha() && again->AlphaLine(y)[x] != p.AlphaLine(y)[x]))
                    std::abort();
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
