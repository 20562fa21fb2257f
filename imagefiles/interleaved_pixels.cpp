#include "imagefiles/interleaved_pixels.h"

#include <algorithm>

#include "imagefiles/image_file_errors.h"

namespace corvane {

void CheckDeclaredSize(std::int64_t width, std::int64_t height, const std::string& path,
                       std::string_view format, std::int64_t maxPixels) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        width * height > std::min(maxPixels, kMaxPixels))
        throw EImageFileError(
            path, format,
            "画像の大きさ " + std::to_string(width) + "x" + std::to_string(height) + " は扱えません");
}

std::unique_ptr<TBitmap> PictureFromInterleaved(const std::uint8_t* pixels, int width, int height,
                                                std::size_t stride, int channels, bool keepAlpha) {
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(TPixelFormat::pf24bit);
    picture->SetSize(width, height, TBitmap::Fill::Uninitialized);
    const bool alpha = keepAlpha && channels == 4;
    if (alpha) picture->AddAlpha();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = pixels + static_cast<std::size_t>(y) * stride;
        std::uint8_t* d = picture->ScanLine(y);
        std::uint8_t* a = alpha ? picture->AlphaLine(y) : nullptr;
        for (int x = 0; x < width; ++x, s += channels, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (a) a[x] = s[3];
        }
    }
    return picture;
}

TInterleavedPixels InterleavedFromPicture(const TBitmap& picture) {
    const TBitmap* source = &picture;
    std::unique_ptr<TBitmap> converted;
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        converted = picture.Clone();
        converted->SetPixelFormat(TPixelFormat::pf24bit);
        source = converted.get();
    }
    TInterleavedPixels out;
    out.Width = source->Width();
    out.Height = source->Height();
    out.Channels = source->HasAlpha() ? 4 : 3;
    out.Bytes.resize(out.Stride() * static_cast<std::size_t>(out.Height));
    for (int y = 0; y < out.Height; ++y) {
        const std::uint8_t* s = source->ScanLine(y);
        const std::uint8_t* a = source->HasAlpha() ? source->AlphaLine(y) : nullptr;
        std::uint8_t* d = out.Bytes.data() + static_cast<std::size_t>(y) * out.Stride();
        for (int x = 0; x < out.Width; ++x, s += 3, d += out.Channels) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (a) d[3] = a[x];
        }
    }
    return out;
}

}  // namespace corvane
