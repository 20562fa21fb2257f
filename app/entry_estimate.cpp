#include "app/entry_estimate.h"

#include <optional>

#include "app/errors.h"
#include "imagefiles/jpeg_limits.h"
#include "imagefiles/picture_probe.h"
#include "imaging/TBitmap.h"
#include "imaging/rotation_geometry.h"

namespace corvane {

namespace {

std::string Size(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

TEntryEstimate EstimateEntry(const std::string& sourcePath, const TOutputTarget& target,
                             const TConversionSettings& settings, PathStyle style) {
    const std::string ext = LowerExt(sourcePath, style);
    const bool jpegSource = ext == ".jpg" || ext == ".jpeg";
    const std::optional<TPictureHeader> header =
        jpegSource ? ProbeJPEGFile(sourcePath) : ProbeBitmapFile(sourcePath);
    TEntryEstimate estimate;
    if (!header) return estimate;
    estimate.Known = true;
    estimate.Width = header->Width;
    estimate.Height = header->Height;

    const std::int64_t maxSide = jpegSource ? std::min(kMaxSide, kMaxJPEGLibrarySide) : kMaxSide;
    if (header->Width > maxSide || header->Height > maxSide || header->Width * header->Height > kMaxPixels)
        throw ELimitError("ファイル " + sourcePath + " の画像 (" + Size(header->Width, header->Height) +
                          ") は大きすぎます: 1 辺 " + std::to_string(maxSide) + " 画素、全体で " +
                          std::to_string(kMaxPixels) + " 画素までです");

    const int width = static_cast<int>(header->Width), height = static_cast<int>(header->Height);
    estimate.OutputWidth = width;
    estimate.OutputHeight = height;
    if (RotationRequested(settings, width, height) && width > 0 && height > 0) {
        const TurnGeometry turn = MakeTurnGeometry(width, height, EffectiveAngle(settings, width, height),
                                                   settings.Mirror, settings.Circum);
        estimate.OutputWidth = turn.NewWidth;
        estimate.OutputHeight = turn.NewHeight;
    }
    if (target.Writer == TWriterKind::JPEG &&
        (estimate.OutputWidth > kMaxJPEGLibrarySide || estimate.OutputHeight > kMaxJPEGLibrarySide))
        throw ELimitError("ファイル " + target.Path + " は JPEG で書けません: 画像 (" +
                          Size(estimate.OutputWidth, estimate.OutputHeight) + ") の 1 辺が JPEG の上限 " +
                          std::to_string(kMaxJPEGLibrarySide) + " 画素を超えます");
    return estimate;
}

}  // namespace corvane
