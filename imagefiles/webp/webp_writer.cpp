// Result: a still WebP of the picture's size, lossy (VP8) at the given
// quality, method 4; with alpha, the alpha plane compressed losslessly.
// Metadata goes into ICCP, EXIF and "XMP " chunks through the muxer, which
// sets the extended header's flags: EXIF as the bare TIFF structure and XMP
// as the bare packet, as libwebp's own tools write them.
#include "imagefiles/webp/webp_writer.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <memory>

#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "WebP";

const char* EncodingText(WebPEncodingError error) {
    switch (error) {
        case VP8_ENC_OK:
            return "VP8_ENC_OK";
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
            return "VP8_ENC_ERROR_OUT_OF_MEMORY";
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return "VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY";
        case VP8_ENC_ERROR_NULL_PARAMETER:
            return "VP8_ENC_ERROR_NULL_PARAMETER";
        case VP8_ENC_ERROR_INVALID_CONFIGURATION:
            return "VP8_ENC_ERROR_INVALID_CONFIGURATION";
        case VP8_ENC_ERROR_BAD_DIMENSION:
            return "VP8_ENC_ERROR_BAD_DIMENSION (16383 x 16383 at most)";
        case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
            return "VP8_ENC_ERROR_PARTITION0_OVERFLOW";
        case VP8_ENC_ERROR_PARTITION_OVERFLOW:
            return "VP8_ENC_ERROR_PARTITION_OVERFLOW";
        case VP8_ENC_ERROR_BAD_WRITE:
            return "VP8_ENC_ERROR_BAD_WRITE";
        case VP8_ENC_ERROR_FILE_TOO_BIG:
            return "VP8_ENC_ERROR_FILE_TOO_BIG";
        case VP8_ENC_ERROR_USER_ABORT:
            return "VP8_ENC_ERROR_USER_ABORT";
        case VP8_ENC_ERROR_LAST:
            break;
    }
    return "unknown error";
}

struct PictureFree {
    void operator()(WebPPicture* p) const noexcept { WebPPictureFree(p); }
};
struct WriterClear {
    void operator()(WebPMemoryWriter* w) const noexcept { WebPMemoryWriterClear(w); }
};
struct MuxDeleter {
    void operator()(WebPMux* m) const noexcept { WebPMuxDelete(m); }
};
struct DataClear {
    void operator()(WebPData* d) const noexcept { WebPDataClear(d); }
};

const char* MuxText(WebPMuxError error) {
    switch (error) {
        case WEBP_MUX_OK:
            return "WEBP_MUX_OK";
        case WEBP_MUX_NOT_FOUND:
            return "WEBP_MUX_NOT_FOUND";
        case WEBP_MUX_INVALID_ARGUMENT:
            return "WEBP_MUX_INVALID_ARGUMENT";
        case WEBP_MUX_BAD_DATA:
            return "WEBP_MUX_BAD_DATA";
        case WEBP_MUX_MEMORY_ERROR:
            return "WEBP_MUX_MEMORY_ERROR";
        case WEBP_MUX_NOT_ENOUGH_DATA:
            return "WEBP_MUX_NOT_ENOUGH_DATA";
    }
    return "unknown mux error";
}

void CheckMux(WebPMuxError error) {
    if (error != WEBP_MUX_OK) throw EImageEncodeError(kFormat, MuxText(error));
}

void SetChunk(WebPMux* mux, const char* fourcc, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    const WebPData data{bytes.data(), bytes.size()};
    CheckMux(WebPMuxSetChunk(mux, fourcc, &data, 0));  // the bytes outlive the mux
}

// The encoded still with the metadata chunks added.
std::vector<std::uint8_t> WithMetadata(std::span<const std::uint8_t> still, const TImageMetadata& meta) {
    const WebPData data{still.data(), still.size()};
    const std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxCreate(&data, 0));
    if (!mux) throw EImageEncodeError(kFormat, "WebPMuxCreate failed");
    SetChunk(mux.get(), "ICCP", meta.IccProfile);
    if (const TMetadataSegment* exif = meta.Exif()) SetChunk(mux.get(), "EXIF", ExifTiffBytes(*exif));
    if (const TMetadataSegment* xmp = meta.Xmp()) SetChunk(mux.get(), "XMP ", XmpPacketBytes(*xmp));
    WebPData assembled{};
    const std::unique_ptr<WebPData, DataClear> own(&assembled);
    CheckMux(WebPMuxAssemble(mux.get(), &assembled));
    return {assembled.bytes, assembled.bytes + assembled.size};
}

bool HoldsAny(const TImageMetadata* meta) {
    return meta && (!meta->IccProfile.empty() || meta->Exif() || meta->Xmp());
}

}  // namespace

std::vector<std::uint8_t> EncodeWebP(const TBitmap& picture, const TEncodeOptions& options) {
    if (picture.Empty()) return {};
    const TInterleavedPixels pixels = InterleavedFromPicture(picture);
    WebPConfig config;
    if (!WebPConfigInit(&config)) throw EImageEncodeError(kFormat, "version mismatch");
    config.quality = static_cast<float>(std::clamp(options.Quality, 0, 100));
    config.method = 4;
    if (!WebPValidateConfig(&config))
        throw EImageEncodeError(kFormat, EncodingText(VP8_ENC_ERROR_INVALID_CONFIGURATION));

    WebPPicture webp;
    if (!WebPPictureInit(&webp)) throw EImageEncodeError(kFormat, "version mismatch");
    const std::unique_ptr<WebPPicture, PictureFree> own(&webp);
    webp.width = pixels.Width;
    webp.height = pixels.Height;
    const int stride = static_cast<int>(pixels.Stride());
    const int imported = pixels.Channels == 4 ? WebPPictureImportRGBA(&webp, pixels.Bytes.data(), stride)
                                              : WebPPictureImportRGB(&webp, pixels.Bytes.data(), stride);
    if (!imported) throw EImageEncodeError(kFormat, EncodingText(webp.error_code));

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    const std::unique_ptr<WebPMemoryWriter, WriterClear> ownWriter(&writer);
    webp.writer = WebPMemoryWrite;
    webp.custom_ptr = &writer;
    if (!WebPEncode(&config, &webp)) throw EImageEncodeError(kFormat, EncodingText(webp.error_code));
    if (HoldsAny(options.Metadata)) return WithMetadata({writer.mem, writer.size}, *options.Metadata);
    return {writer.mem, writer.mem + writer.size};
}

}  // namespace corvane
