// Stages: the header (IHDR) and the chunks before the image data are read
// and the size checked; only then is the decoded-image buffer taken, once,
// as RGBA8, and turned into the bitmap.
#include "imagefiles/png/png_reader.h"

#include <spng.h>

#include <memory>

#include "imagefiles/file_io.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

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
    spng_iccp iccp{};
    if (spng_get_iccp(c, &iccp) == SPNG_OK && iccp.profile && iccp.profile_len)
        result.IccProfile.assign(iccp.profile, iccp.profile + iccp.profile_len);
    const bool alpha = CanBeTransparent(c, ihdr);
    const int flags = SPNG_DECODE_TRNS | (ApplyGamma(c) ? SPNG_DECODE_GAMMA : 0);

    std::size_t size = 0;
    Check(spng_decoded_image_size(c, SPNG_FMT_RGBA8, &size), path);
    std::vector<std::uint8_t> rgba(size);
    Check(spng_decode_image(c, rgba.data(), rgba.size(), SPNG_FMT_RGBA8, flags), path);
    const int width = static_cast<int>(ihdr.width), height = static_cast<int>(ihdr.height);
    result.Bitmap =
        PictureFromInterleaved(rgba.data(), width, height, static_cast<std::size_t>(width) * 4, 4, alpha);
    return result;
}

TDecodedImage ReadPNGFile(const std::string& path, const TReadHints&) {
    return DecodePNG(ReadWholeFile(path), path);
}

}  // namespace corvane
