// Stages: the header (IHDR) and the chunks before the image data are read
// and the size checked; only then is the decoded-image buffer taken, once,
// as RGBA8, and turned into the bitmap. The metadata is taken last: eXIf and
// text chunks may follow the image data.
#include "imagefiles/png/png_reader.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "imagefiles/file_io.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"
#include "imagefiles/metadata/container_metadata.h"
#include "imagefiles/metadata/metadata_warnings.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "PNG";

// Text chunks and profiles are not pixels: a few megabytes each is far more
// than any real file holds, and keeps a file from declaring gigabytes of them.
constexpr std::size_t kMaxChunkSize = 16 << 20;
constexpr std::size_t kMaxChunkCache = 64 << 20;

struct CtxDeleter {
    void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};

void Check(int code, const std::string& path) {
    if (code != SPNG_OK) throw EImageFileError(path, kFormat, spng_strerror(code));
}

bool CanBeTransparent(spng_ctx* ctx, const spng_ihdr& ihdr) {
    if (ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
        ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA)
        return true;
    spng_trns trns{};
    return spng_get_trns(ctx, &trns) == SPNG_OK;
}

// Gamma is corrected only where nothing better describes the colours.
bool ApplyGamma(spng_ctx* ctx) {
    double gamma = 0;
    if (spng_get_gama(ctx, &gamma) != SPNG_OK) return false;
    std::uint8_t intent = 0;
    spng_iccp iccp{};
    return spng_get_srgb(ctx, &intent) != SPNG_OK && spng_get_iccp(ctx, &iccp) != SPNG_OK;
}

constexpr std::string_view kXmpKeyword = "XML:com.adobe.xmp";
constexpr std::string_view kCommentKeyword = "Comment";
constexpr const char* kUnreadable = "PNG のチャンクが壊れています";

std::span<const std::uint8_t> Bytes(const char* data, std::size_t length) {
    return {reinterpret_cast<const std::uint8_t*>(data), data ? length : 0};
}

// Whether the file has a chunk of this type whose data starts with `lead`.
// libspng drops an ancillary chunk it finds damaged (a bad CRC, a profile
// that does not inflate, an eXIf without a TIFF header) without a word: a
// chunk that is there but did not come through is told by this.
bool HasChunk(std::span<const std::uint8_t> file, const char* type, std::string_view lead = {}) {
    std::size_t at = 8;  // the signature
    while (file.size() >= 12 && at <= file.size() - 12) {
        const std::uint8_t* p = file.data() + at;
        const std::size_t length =
            std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16 | std::size_t{p[2]} << 8 | p[3];
        const std::size_t available = std::min(length, file.size() - at - 8);
        if (std::memcmp(p + 4, type, 4) == 0 && available >= lead.size() &&
            (lead.empty() || std::memcmp(p + 8, lead.data(), lead.size()) == 0))
            return true;
        if (std::memcmp(p + 4, "IEND", 4) == 0 || length > file.size() - at - 12) return false;
        at += 12 + length;
    }
    return false;
}

bool HasTextChunk(std::span<const std::uint8_t> file, std::string_view keyword) {
    const std::string lead = std::string(keyword) + '\0';
    return HasChunk(file, "iTXt", lead) || HasChunk(file, "tEXt", lead) || HasChunk(file, "zTXt", lead);
}

TImageMetadata ReadMetadata(spng_ctx* c, std::span<const std::uint8_t> file) {
    TImageMetadata meta;
    spng_iccp iccp{};
    if (spng_get_iccp(c, &iccp) == SPNG_OK)
        AddIccProfile(meta, Bytes(iccp.profile, iccp.profile_len));
    else if (HasChunk(file, "iCCP"))
        meta.Warnings.push_back(IccDroppedWarning(kUnreadable));

    spng_exif exif{};
    if (spng_get_exif(c, &exif) == SPNG_OK)
        AddExifBlock(meta, Bytes(exif.data, exif.length));
    else if (HasChunk(file, "eXIf"))
        meta.Warnings.push_back(ExifDroppedWarning(kUnreadable));

    std::uint32_t count = 0;
    std::vector<spng_text> texts;
    if (spng_get_text(c, nullptr, &count) == SPNG_OK && count > 0) {
        texts.resize(count);
        if (spng_get_text(c, texts.data(), &count) != SPNG_OK) texts.clear();
    }
    for (const spng_text& text : texts) {
        if (text.keyword == kXmpKeyword)
            AddXmpPacket(meta, Bytes(text.text, text.length));
        else if (text.keyword == kCommentKeyword)
            AddComment(meta, Bytes(text.text, text.length));
    }
    if (!meta.Xmp() && HasTextChunk(file, kXmpKeyword))
        meta.Warnings.push_back(SegmentDroppedWarning("XMP", kUnreadable));
    return meta;
}

}  // namespace

TDecodedImage DecodePNG(std::span<const std::uint8_t> bytes, const std::string& path,
                        std::int64_t maxPixels) {
    const std::unique_ptr<spng_ctx, CtxDeleter> ctx(spng_ctx_new(0));
    if (!ctx) throw std::bad_alloc();
    spng_ctx* c = ctx.get();
    Check(
        spng_set_image_limits(c, static_cast<std::uint32_t>(kMaxSide), static_cast<std::uint32_t>(kMaxSide)),
        path);
    Check(spng_set_chunk_limits(c, kMaxChunkSize, kMaxChunkCache), path);
    Check(spng_set_png_buffer(c, bytes.data(), bytes.size()), path);

    spng_ihdr ihdr{};
    Check(spng_get_ihdr(c, &ihdr), path);
    CheckDeclaredSize(ihdr.width, ihdr.height, path, kFormat, maxPixels);

    TDecodedImage result;
    const bool alpha = CanBeTransparent(c, ihdr);
    const int flags = SPNG_DECODE_TRNS | (ApplyGamma(c) ? SPNG_DECODE_GAMMA : 0);

    std::size_t size = 0;
    Check(spng_decoded_image_size(c, SPNG_FMT_RGBA8, &size), path);
    std::vector<std::uint8_t> rgba(size);
    Check(spng_decode_image(c, rgba.data(), rgba.size(), SPNG_FMT_RGBA8, flags), path);
    const int width = static_cast<int>(ihdr.width), height = static_cast<int>(ihdr.height);
    result.Bitmap =
        PictureFromInterleaved(rgba.data(), width, height, static_cast<std::size_t>(width) * 4, 4, alpha);
    result.Metadata = ReadMetadata(c, bytes);
    return result;
}

TDecodedImage ReadPNGFile(const std::string& path, const TReadHints&) {
    return DecodePNG(ReadWholeFile(path), path);
}

}  // namespace corvane
