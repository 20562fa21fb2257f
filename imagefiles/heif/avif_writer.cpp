// Result: an AVIF of the picture's size, 8-bit RGB coded by the AV1 encoder
// (libheif's default YCbCr 4:2:0), quality from the setting, alpha as an
// auxiliary image when the picture has it. Metadata: the profile as a colr
// box ("prof"), the orientation as the container's turn and mirror (irot,
// imir), the EXIF block (libheif records where its TIFF header starts) and
// the XMP packet as items of the image.
#include "imagefiles/heif/avif_writer.h"

#include <algorithm>
#include <cstring>

#include "imagefiles/heif/heif_handles.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "AVIF";

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok) throw EImageEncodeError(kFormat, heifio::MessageOf(error));
}

// Called from libheif's C frames: a failed allocation becomes its error.
heif_error AppendBytes(heif_context*, const void* data, size_t size, void* user) {
    try {
        auto& out = *static_cast<std::vector<std::uint8_t>*>(user);
        const auto* p = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), p, p + size);
        return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
    } catch (...) {
        return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "out of memory"};
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeAVIF(const TBitmap& picture, const TEncodeOptions& options) {
    if (picture.Empty()) return {};
    heifio::EnsureInitialised();
    const TInterleavedPixels pixels = InterleavedFromPicture(picture);
    const heifio::Ptr<heif_context> ctx(heif_context_alloc());
    if (!ctx) throw std::bad_alloc();
    heif_encoder* rawEncoder = nullptr;
    Check(heif_context_get_encoder_for_format(ctx.get(), heif_compression_AV1, &rawEncoder));
    const heifio::Ptr<heif_encoder> encoder(rawEncoder);
    Check(heif_encoder_set_lossy_quality(encoder.get(), std::clamp(options.Quality, 0, 100)));

    heif_image* rawImage = nullptr;
    const bool alpha = pixels.Channels == 4;
    Check(heif_image_create(pixels.Width, pixels.Height, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage));
    const heifio::Ptr<heif_image> image(rawImage);
    Check(heif_image_add_plane(image.get(), heif_channel_interleaved, pixels.Width, pixels.Height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    if (!plane) throw EImageEncodeError(kFormat, "no image plane");
    for (int y = 0; y < pixels.Height; ++y)
        std::memcpy(plane + static_cast<std::size_t>(y) * stride,
                    pixels.Bytes.data() + static_cast<std::size_t>(y) * pixels.Stride(), pixels.Stride());

    const TImageMetadata* meta = options.Metadata;
    if (meta && !meta->IccProfile.empty())
        Check(heif_image_set_raw_color_profile(image.get(), "prof", meta->IccProfile.data(),
                                               meta->IccProfile.size()));
    const heifio::Ptr<heif_encoding_options> encoding(heif_encoding_options_alloc());
    if (!encoding) throw std::bad_alloc();
    if (meta && meta->Orientation > kOrientationNormal && meta->Orientation <= kOrientationMax)
        encoding->image_orientation = static_cast<heif_orientation>(meta->Orientation);

    heif_image_handle* rawHandle = nullptr;
    Check(heif_context_encode_image(ctx.get(), image.get(), encoder.get(), encoding.get(), &rawHandle));
    const heifio::Ptr<heif_image_handle> handle(rawHandle);
    if (const TMetadataSegment* exif = meta ? meta->Exif() : nullptr)
        Check(heif_context_add_exif_metadata(ctx.get(), handle.get(), exif->Bytes.data(),
                                             static_cast<int>(exif->Bytes.size())));
    if (const TMetadataSegment* xmp = meta ? meta->Xmp() : nullptr; xmp && !XmpPacketBytes(*xmp).empty())
        Check(heif_context_add_XMP_metadata(ctx.get(), handle.get(), XmpPacketBytes(*xmp).data(),
                                            static_cast<int>(XmpPacketBytes(*xmp).size())));
    std::vector<std::uint8_t> bytes;
    heif_writer writer{1, AppendBytes};
    Check(heif_context_write(ctx.get(), &writer, &bytes));
    return bytes;
}

}  // namespace corvane
