// Stages: the container is parsed (no pixels yet), the primary image's size
// checked, then the one decode into interleaved RGB or RGBA.
#include "imagefiles/heif/heif_reader.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "imagefiles/file_io.h"
#include "imagefiles/heif/heif_handles.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

namespace corvane {

namespace heifio {
void EnsureInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}
}  // namespace heifio

namespace {

constexpr std::string_view kFormat = "HEIF";

void Check(const heif_error& error, const std::string& path) {
    if (error.code != heif_error_Ok) throw EImageFileError(path, kFormat, heifio::MessageOf(error));
}

}  // namespace

TDecodedImage DecodeHEIF(std::span<const std::uint8_t> bytes, const std::string& path,
                         std::int64_t maxPixels) {
    heifio::EnsureInitialised();
    const heifio::Ptr<heif_context> ctx(heif_context_alloc());
    if (!ctx) throw std::bad_alloc();
    // libheif's limit is an area, given as its square root: it holds for
    // every image of the file as coded, which this reader never sees (a
    // header of 37 x 23 can carry a coded picture of 54108 x 16458).
    heif_context_set_maximum_image_size_limit(
        ctx.get(), static_cast<int>(std::sqrt(static_cast<double>(std::min(maxPixels, kMaxPixels)))));
    Check(heif_context_read_from_memory_without_copy(ctx.get(), bytes.data(), bytes.size(), nullptr), path);
    heif_image_handle* rawHandle = nullptr;
    Check(heif_context_get_primary_image_handle(ctx.get(), &rawHandle), path);
    const heifio::Ptr<heif_image_handle> handle(rawHandle);
    CheckDeclaredSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()),
                      path, kFormat, maxPixels);

    TDecodedImage result;
    if (const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle.get())) {
        result.IccProfile.resize(size);
        if (heif_image_handle_get_raw_color_profile(handle.get(), result.IccProfile.data()).code !=
            heif_error_Ok)
            result.IccProfile.clear();
    }
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    heif_image* rawImage = nullptr;
    const heifio::Ptr<heif_decoding_options> options(heif_decoding_options_alloc());
    if (!options) throw std::bad_alloc();
    // 10- and 12-bit pictures (common from phones) come out as 8-bit samples.
    options->convert_hdr_to_8bit = 1;
    Check(
        heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()),
        path);
    const heifio::Ptr<heif_image> image(rawImage);
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || stride <= 0) throw EImageFileError(path, kFormat, "no decoded pixels");
    // The turns of the container can exchange width and height: checked again.
    CheckDeclaredSize(width, height, path, kFormat, maxPixels);
    result.Bitmap =
        PictureFromInterleaved(pixels, width, height, static_cast<std::size_t>(stride), alpha ? 4 : 3, alpha);
    return result;
}

TDecodedImage ReadHEIFFile(const std::string& path, const TReadHints&) {
    return DecodeHEIF(ReadWholeFile(path), path);
}

}  // namespace corvane
