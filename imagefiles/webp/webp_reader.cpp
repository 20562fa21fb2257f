// Stages: the features (size, alpha, animation) from the header, the size
// check, then the one RGBA buffer; an animation goes through the animation
// decoder, which composes the first frame onto its canvas. The metadata
// chunks come from the demuxer, as views into the file's bytes.
#include "imagefiles/webp/webp_reader.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <vector>

#include "imagefiles/file_io.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"
#include "imagefiles/metadata/container_metadata.h"
#include "imagefiles/metadata/metadata_warnings.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "WebP";

// libwebp has no message texts: its status names are the nearest thing.
const char* StatusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return "VP8_STATUS_OK";
        case VP8_STATUS_OUT_OF_MEMORY:
            return "VP8_STATUS_OUT_OF_MEMORY";
        case VP8_STATUS_INVALID_PARAM:
            return "VP8_STATUS_INVALID_PARAM";
        case VP8_STATUS_BITSTREAM_ERROR:
            return "VP8_STATUS_BITSTREAM_ERROR";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "VP8_STATUS_UNSUPPORTED_FEATURE";
        case VP8_STATUS_SUSPENDED:
            return "VP8_STATUS_SUSPENDED";
        case VP8_STATUS_USER_ABORT:
            return "VP8_STATUS_USER_ABORT";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "VP8_STATUS_NOT_ENOUGH_DATA";
    }
    return "unknown status";
}

struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* d) const noexcept { WebPAnimDecoderDelete(d); }
};
struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const noexcept { WebPDemuxDelete(d); }
};

// The first chunk of that kind, or an empty span.
std::span<const std::uint8_t> Chunk(WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator it{};
    std::span<const std::uint8_t> bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &it)) bytes = {it.chunk.bytes, it.chunk.size};
    WebPDemuxReleaseChunkIterator(&it);
    return bytes;
}

// A file whose header (VP8X) announces a chunk that cannot be found, as
// when the file is cut short after the image, gets a warning for it.
TImageMetadata ReadMetadata(std::span<const std::uint8_t> bytes) {
    TImageMetadata meta;
    const WebPData data{bytes.data(), bytes.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemuxPartial(&data, &state));
    if (!demux || state < WEBP_DEMUX_PARSED_HEADER) return meta;
    const std::uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    constexpr const char* kMissing = "WebP のチャンクが見つかりません";
    const std::span<const std::uint8_t> icc = Chunk(demux.get(), "ICCP");
    AddIccProfile(meta, icc);
    if (icc.empty() && (flags & ICCP_FLAG)) meta.Warnings.push_back(IccDroppedWarning(kMissing));
    const std::span<const std::uint8_t> exif = Chunk(demux.get(), "EXIF");
    AddExifBlock(meta, exif);
    if (exif.empty() && (flags & EXIF_FLAG)) meta.Warnings.push_back(ExifDroppedWarning(kMissing));
    const std::span<const std::uint8_t> xmp = Chunk(demux.get(), "XMP ");
    AddXmpPacket(meta, xmp);
    if (xmp.empty() && (flags & XMP_FLAG)) meta.Warnings.push_back(SegmentDroppedWarning("XMP", kMissing));
    return meta;
}

std::unique_ptr<TBitmap> FirstFrame(std::span<const std::uint8_t> bytes, const std::string& path,
                                    std::int64_t maxPixels) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) throw EImageFileError(path, kFormat, "version mismatch");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData data{bytes.data(), bytes.size()};
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) throw EImageFileError(path, kFormat, "WebPAnimDecoderNew failed");
    WebPAnimInfo info{};
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info))
        throw EImageFileError(path, kFormat, "no animation info");
    CheckDeclaredSize(info.canvas_width, info.canvas_height, path, kFormat, maxPixels);
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        throw EImageFileError(path, kFormat, "first frame undecodable");
    const int w = static_cast<int>(info.canvas_width), h = static_cast<int>(info.canvas_height);
    return PictureFromInterleaved(canvas, w, h, static_cast<std::size_t>(w) * 4, 4, true);
}

}  // namespace

TDecodedImage DecodeWebP(std::span<const std::uint8_t> bytes, const std::string& path,
                         std::int64_t maxPixels) {
    WebPBitstreamFeatures features{};
    const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (status != VP8_STATUS_OK) throw EImageFileError(path, kFormat, StatusText(status));
    // For an animation these are the canvas's sides, which the animation
    // decoder allocates as soon as it is made: checked first.
    CheckDeclaredSize(features.width, features.height, path, kFormat, maxPixels);
    TDecodedImage result;
    if (features.has_animation) {
        result.Bitmap = FirstFrame(bytes, path, maxPixels);
        result.Metadata = ReadMetadata(bytes);
        return result;
    }
    const int w = features.width, h = features.height;
    const int channels = features.has_alpha ? 4 : 3;
    const std::size_t stride = static_cast<std::size_t>(w) * channels;
    std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(h));
    const std::uint8_t* done = channels == 4 ? WebPDecodeRGBAInto(bytes.data(), bytes.size(), pixels.data(),
                                                                  pixels.size(), static_cast<int>(stride))
                                             : WebPDecodeRGBInto(bytes.data(), bytes.size(), pixels.data(),
                                                                 pixels.size(), static_cast<int>(stride));
    if (!done) throw EImageFileError(path, kFormat, "VP8_STATUS_BITSTREAM_ERROR");
    result.Bitmap = PictureFromInterleaved(pixels.data(), w, h, stride, channels, true);
    result.Metadata = ReadMetadata(bytes);
    return result;
}

TDecodedImage ReadWebPFile(const std::string& path, const TReadHints&) {
    return DecodeWebP(ReadWholeFile(path), path);
}

}  // namespace corvane
