// Result: newWidth x newHeight, 24-bit, alpha kept. libvips' vips_resize with
// the Lanczos 3 kernel, separately scaled in x and y, on the stored sRGB
// values (not linear light, as the common resizing tools do by default: it
// keeps 8-bit arithmetic and their look). A picture with alpha is
// premultiplied before and divided after.
#include "imaging/resize.h"

#include <vips/vips.h>

#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "imaging/errors.h"
#include "imaging/pixel_buffer.h"

namespace corvane {

namespace {

struct Unref {
    void operator()(VipsImage* image) const noexcept { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, Unref>;
struct GFree {
    void operator()(void* p) const noexcept { g_free(p); }
};

void StartVips() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("corvane")) throw ECorvaneError(std::string("libvips: ") + vips_error_buffer());
        // Each operation runs once on its own picture: nothing to gain from
        // the operation cache, only memory held.
        vips_cache_set_max(0);
    });
}

[[noreturn]] void Fail() {
    std::string text = vips_error_buffer();
    vips_error_clear();
    throw ECorvaneError("libvips: " + text);
}

// Takes the result of one libvips call: the next step's input. By
// reference: the call that fills `out` may be evaluated after the argument.
ImagePtr Step(int status, VipsImage*& out) {
    if (status) Fail();
    return ImagePtr(std::exchange(out, nullptr));
}

}  // namespace

std::unique_ptr<TBitmap> ResizeBitmap(const TBitmap& source, int newWidth, int newHeight) {
    if (source.Empty()) throw ERotateError::SizeError();
    if (newWidth < 1 || newWidth > kMaxSide) throw ERangeError("Width", newWidth, 1, kMaxSide);
    if (newHeight < 1 || newHeight > kMaxSide) throw ERangeError("Height", newHeight, 1, kMaxSide);
    if (static_cast<std::int64_t>(newWidth) * newHeight > kMaxPixels) throw EInvalidGraphic();
    StartVips();

    const TBitmap* picture = &source;
    std::unique_ptr<TBitmap> converted;
    if (source.PixelFormat() != TPixelFormat::pf24bit) {
        converted = source.Clone();
        converted->SetPixelFormat(TPixelFormat::pf24bit);
        picture = converted.get();
    }
    const int w = picture->Width(), h = picture->Height();
    const bool alpha = picture->HasAlpha();
    const int bands = alpha ? 4 : 3;
    const std::size_t stride = static_cast<std::size_t>(w) * bands;
    // Rows without padding are read where they are; others are packed first.
    PixelBuffer pixels;
    ImagePtr image;
    if (!alpha && picture->Stride() == stride) {
        image.reset(
            vips_image_new_from_memory(picture->Bits(), picture->ImageSize(), w, h, 3, VIPS_FORMAT_UCHAR));
        if (!image) Fail();
        if (!picture->TopDown()) {
            VipsImage* flipped = nullptr;
            image = Step(vips_flip(image.get(), &flipped, VIPS_DIRECTION_VERTICAL, nullptr), flipped);
        }
    } else {
        // Every byte is written below; the block may be one a picture freed.
        pixels = PixelBuffer(stride * static_cast<std::size_t>(h));
        // The bands stay blue, green, red: the filter treats them alike.
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = picture->ScanLine(y);
            std::uint8_t* d = pixels.data() + static_cast<std::size_t>(y) * stride;
            if (!alpha) {
                std::memcpy(d, s, stride);
                continue;
            }
            const std::uint8_t* a = picture->AlphaLine(y);
            for (int x = 0; x < w; ++x, s += 3, d += 4) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = a[x];
        }
        image.reset(vips_image_new_from_memory(pixels.data(), pixels.size(), w, h, bands, VIPS_FORMAT_UCHAR));
        if (!image) Fail();
    }
    VipsImage* out = nullptr;
    if (alpha) image = Step(vips_premultiply(image.get(), &out, nullptr), out);
    const double hscale = static_cast<double>(newWidth) / w, vscale = static_cast<double>(newHeight) / h;
    // One axis at a time, each as vips_resize scales the vertical one: its
    // vertical reduce is vectorised, its horizontal one is not and takes
    // most of the time of a run. The horizontal pass therefore runs on the
    // picture turned a quarter and turned back; the turns only move bytes.
    const auto scaleRows = [&](ImagePtr in, double scale) {
        if (scale == 1.0) return in;
        return Step(
            vips_resize(in.get(), &out, 1.0, "vscale", scale, "kernel", VIPS_KERNEL_LANCZOS3, nullptr), out);
    };
    if (hscale != 1.0) {
        image = Step(vips_rot(image.get(), &out, VIPS_ANGLE_D90, nullptr), out);
        image = scaleRows(std::move(image), hscale);
        image = Step(vips_rot(image.get(), &out, VIPS_ANGLE_D270, nullptr), out);
    }
    image = scaleRows(std::move(image), vscale);
    if (alpha) image = Step(vips_unpremultiply(image.get(), &out, nullptr), out);
    if (vips_image_get_format(image.get()) != VIPS_FORMAT_UCHAR)
        image = Step(vips_cast_uchar(image.get(), &out, nullptr), out);
    // The size is the scale times the old one, rounded: exact up to a pixel
    // of floating point; the few columns or rows too many go.
    const int gotWidth = vips_image_get_width(image.get()), gotHeight = vips_image_get_height(image.get());
    if (gotWidth < newWidth || gotHeight < newHeight)
        throw ECorvaneError("libvips: resize came out too small");
    if (gotWidth != newWidth || gotHeight != newHeight)
        image = Step(vips_crop(image.get(), &out, 0, 0, newWidth, newHeight, nullptr), out);

    std::size_t size = 0;
    const std::unique_ptr<void, GFree> memory(vips_image_write_to_memory(image.get(), &size));
    if (!memory) Fail();
    if (size != static_cast<std::size_t>(newWidth) * newHeight * bands)
        throw ECorvaneError("libvips: unexpected size");

    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(TPixelFormat::pf24bit);
    result->SetSize(newWidth, newHeight, TBitmap::Fill::Uninitialized);
    if (alpha) result->AddAlpha();
    const auto* bytes = static_cast<const std::uint8_t*>(memory.get());
    for (int y = 0; y < newHeight; ++y) {
        const std::uint8_t* s = bytes + static_cast<std::size_t>(y) * newWidth * bands;
        std::uint8_t* d = result->ScanLine(y);
        if (!alpha) {
            std::memcpy(d, s, static_cast<std::size_t>(newWidth) * 3);
            continue;
        }
        std::uint8_t* a = result->AlphaLine(y);
        for (int x = 0; x < newWidth; ++x, s += 4, d += 3) d[0] = s[0], d[1] = s[1], d[2] = s[2], a[x] = s[3];
    }
    return result;
}

}  // namespace corvane
