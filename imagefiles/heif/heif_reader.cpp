// Stages: the container is parsed (no pixels yet), the primary image's size
// checked, then the one decode into interleaved RGB or RGBA, and the
// primary image's metadata items.
#include "imagefiles/heif/heif_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "imagefiles/file_io.h"
#include "imagefiles/heif/heif_handles.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"
#include "imagefiles/metadata/container_metadata.h"
#include "imagefiles/metadata/metadata_limits.h"
#include "imagefiles/metadata/metadata_warnings.h"

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

constexpr const char* kTooLarge = "大きすぎます";

// An item's bytes as the file stores them, its size checked before anything
// is taken for it; empty with `why` set when it cannot be had.
std::vector<std::uint8_t> MetadataItem(const heif_image_handle* handle, heif_item_id id, std::string& why) {
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size > kMaxMetadataBlockBytes) {
        why = kTooLarge;
        return {};
    }
    std::vector<std::uint8_t> bytes(size);
    const heif_error error = heif_image_handle_get_metadata(handle, id, bytes.data());
    if (error.code != heif_error_Ok) {
        why = heifio::MessageOf(error);
        return {};
    }
    return bytes;
}

void ReadProfile(const heif_image_handle* handle, TImageMetadata& meta) {
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size == 0) return;  // none, or colours given as code points (nclx)
    if (size > kMaxIccProfileBytes) {
        meta.Warnings.push_back(IccDroppedWarning(kTooLarge));
        return;
    }
    std::vector<std::uint8_t> profile(size);
    const heif_error error = heif_image_handle_get_raw_color_profile(handle, profile.data());
    if (error.code != heif_error_Ok)
        meta.Warnings.push_back(IccDroppedWarning(heifio::MessageOf(error)));
    else
        AddIccProfile(meta, profile);
}

// The item holds a four-byte big-endian offset from its end to the TIFF
// header, and the block. libheif has already turned and mirrored the pixels
// as the container says (irot, imir), which is how HEIF files are to be
// shown whatever the EXIF orientation says: the tag is set to 1 so that it
// cannot turn the picture a second time, and the thumbnail, which would be
// the picture unturned, goes.
void ReadExif(const heif_image_handle* handle, heif_item_id id, int width, int height, TImageMetadata& meta) {
    std::string why;
    const std::vector<std::uint8_t> item = MetadataItem(handle, id, why);
    if (!why.empty()) {
        meta.Warnings.push_back(ExifDroppedWarning(why));
        return;
    }
    const std::uint32_t offset = item.size() < 4 ? 0
                                                 : std::uint32_t{item[0]} << 24 |
                                                       std::uint32_t{item[1]} << 16 | item[2] << 8 | item[3];
    if (item.size() < 4 || offset >= item.size() - 4) {
        meta.Warnings.push_back(ExifDroppedWarning("途中で切れています"));
        return;
    }
    const auto reading = AddExifBlock(meta, std::span(item).subspan(4 + offset), false);
    if (!reading || (reading->Orientation == kOrientationNormal && reading->OrientationProblem.empty()))
        return;
    TExifEdit edit;
    edit.Width = width;
    edit.Height = height;
    edit.ResetOrientation = true;
    edit.DropThumbnail = true;
    TMetadataSegment& segment = meta.Segments.back();  // the one just added
    std::string problem;
    if (auto edited = EditExifBlock(segment.Bytes, edit, &problem)) {
        segment.Bytes = std::move(*edited);
    } else {
        meta.Warnings.push_back(ExifDroppedWarning(problem));
        meta.Segments.pop_back();
    }
}

bool Is(const char* text, const char* expected) { return text && std::strcmp(text, expected) == 0; }

// The orientation stays 1: see ReadExif. The EXIF block comes first
// whatever the order of the items, as a JPEG output is to hold it.
TImageMetadata ReadMetadata(const heif_image_handle* handle, int width, int height) {
    TImageMetadata meta;
    ReadProfile(handle, meta);
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
    std::vector<heif_item_id> ids(static_cast<std::size_t>(std::max(count, 0)));
    const int listed = heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), count);
    ids.resize(static_cast<std::size_t>(std::clamp(listed, 0, count)));
    for (const heif_item_id id : ids)
        if (Is(heif_image_handle_get_metadata_type(handle, id), "Exif") && !meta.Exif())
            ReadExif(handle, id, width, height, meta);
    for (const heif_item_id id : ids) {
        if (!Is(heif_image_handle_get_metadata_type(handle, id), "mime") ||
            !Is(heif_image_handle_get_metadata_content_type(handle, id), "application/rdf+xml") || meta.Xmp())
            continue;
        std::string why;
        const std::vector<std::uint8_t> packet = MetadataItem(handle, id, why);
        if (why.empty())
            AddXmpPacket(meta, packet);
        else
            meta.Warnings.push_back(SegmentDroppedWarning("XMP", why));
    }
    return meta;
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
    result.Metadata = ReadMetadata(handle.get(), width, height);
    return result;
}

TDecodedImage ReadHEIFFile(const std::string& path, const TReadHints&) {
    return DecodeHEIF(ReadWholeFile(path), path);
}

}  // namespace corvane
