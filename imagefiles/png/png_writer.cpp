// Result: an 8-bit RGB or RGBA PNG of the picture's size, libspng's default
// compression and adaptive filters; the pixels come back exactly.
#include "imagefiles/png/png_writer.h"

#include <spng.h>

#include <cstdlib>
#include <memory>

#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "PNG";

struct CtxDeleter {
    void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};
struct MallocDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

void Check(int code) {
    if (code != SPNG_OK) throw EImageEncodeError(kFormat, spng_strerror(code));
}

}  // namespace

std::vector<std::uint8_t> EncodePNG(const TBitmap& picture, const TEncodeOptions&) {
    if (picture.Empty()) return {};
    TInterleavedPixels pixels = InterleavedFromPicture(picture);

    const std::unique_ptr<spng_ctx, CtxDeleter> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx) throw std::bad_alloc();
    spng_ctx* c = ctx.get();
    Check(spng_set_option(c, SPNG_ENCODE_TO_BUFFER, 1));
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(pixels.Width);
    ihdr.height = static_cast<std::uint32_t>(pixels.Height);
    ihdr.bit_depth = 8;
    ihdr.color_type = pixels.Channels == 4 ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    Check(spng_set_ihdr(c, &ihdr));
    Check(spng_encode_image(c, pixels.Bytes.data(), pixels.Bytes.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));

    std::size_t length = 0;
    int error = 0;
    const std::unique_ptr<void, MallocDeleter> buffer(spng_get_png_buffer(c, &length, &error));
    Check(error);
    if (!buffer) throw EImageEncodeError(kFormat, "no output");
    const auto* begin = static_cast<const std::uint8_t*>(buffer.get());
    return {begin, begin + length};
}

}  // namespace corvane
