#include "imagefiles/metadata/srgb_conversion.h"

#include <lcms2.h>

#include <memory>
#include <vector>

#include "imagefiles/metadata/icc_profile.h"

namespace corvane {

namespace {

struct ProfileCloser {
    void operator()(void* profile) const noexcept { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const noexcept { cmsDeleteTransform(transform); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;
using TransformPtr = std::unique_ptr<void, TransformDeleter>;

}  // namespace

std::string ConvertToSRGB(TBitmap& picture, std::span<const std::uint8_t> profile) {
    if (!IccProfileIsRgb(profile)) return "RGB のプロファイルではありません";
    const ProfilePtr source(
        cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size())));
    if (!source) return "プロファイルを読めません";
    const ProfilePtr srgb(cmsCreate_sRGBProfile());
    const bool indexed = IsIndexed(picture.PixelFormat());
    // A palette is converted as packed red, green, blue triples; rows are
    // blue, green, red as stored.
    const cmsUInt32Number format = indexed ? TYPE_RGB_8 : TYPE_BGR_8;
    const TransformPtr transform(
        cmsCreateTransform(source.get(), format, srgb.get(), format, INTENT_PERCEPTUAL, 0));
    if (!transform) return "sRGB に変換できないプロファイルです";
    if (picture.Empty()) return {};

    if (indexed) {
        std::vector<TPaletteEntry> palette = picture.Palette();
        std::vector<std::uint8_t> rgb(palette.size() * 3);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            rgb[3 * i] = palette[i].peRed;
            rgb[3 * i + 1] = palette[i].peGreen;
            rgb[3 * i + 2] = palette[i].peBlue;
        }
        cmsDoTransform(transform.get(), rgb.data(), rgb.data(), static_cast<cmsUInt32Number>(palette.size()));
        for (std::size_t i = 0; i < palette.size(); ++i)
            palette[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], palette[i].peFlags};
        picture.SetPalette(std::move(palette));
        return {};
    }
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    const auto width = static_cast<cmsUInt32Number>(picture.Width());
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        cmsDoTransform(transform.get(), row, row, width);
    }
    return {};
}

}  // namespace corvane
