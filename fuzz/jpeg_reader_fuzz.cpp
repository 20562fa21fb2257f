// The JPEG reader on arbitrary bytes: header, limits, metadata, decoding and
// failures. Input size modulo 3 picks the 24-bit, 8-bit or grey-and-half-size
// path. Whatever metadata is read must survive the writer and the EXIF edit,
// and any profile kept goes through the sRGB conversion. The header probe
// walks the same markers; where the reader took an orientation, the probe
// found the frame and that orientation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imagefiles/jpeg_image.h"
#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/srgb_conversion.h"
#include "imagefiles/picture_probe.h"
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
        const auto header = corvane::ProbePictureBytes({data, size}, corvane::TImageFormatId::JPEG);
        jpeg.LoadFromMemory({data, size});
        const corvane::TImageMetadata& meta = jpeg.Metadata();
        if (meta.Orientation != corvane::kOrientationNormal &&
            (!header || header->Orientation != meta.Orientation))
            std::abort();
        if (!meta.Empty()) {
            corvane::TBitmap tiny;
            tiny.SetSize(2, 2);
            corvane::TImageMetadata back;
            corvane::ReadJPEGFromMemory(corvane::EncodeJPEG(tiny, 90, false, &meta), &back);
            if (back.Segments != meta.Segments || back.IccProfile != meta.IccProfile) std::abort();
            std::string problem;
            if (const corvane::TMetadataSegment* exif = meta.Exif())
                corvane::EditExifBlock(exif->Bytes, {2, 2, true, true}, &problem);
            if (!meta.IccProfile.empty()) corvane::ConvertToSRGB(tiny, meta.IccProfile);
        }
        if (std::int64_t{jpeg.Width()} * jpeg.Height() > kFuzzMaxPixels) return 0;
        jpeg.Bitmap();
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
