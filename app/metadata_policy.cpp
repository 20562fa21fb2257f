#include "app/metadata_policy.h"

#include <algorithm>

#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/icc_profile.h"
#include "imagefiles/metadata/metadata_warnings.h"
#include "imagefiles/metadata/srgb_conversion.h"
#include "imaging/orient.h"

namespace corvane {

void PrepareSource(TSourcePicture& source, const TConversionSettings& settings) {
    TImageMetadata& meta = source.Metadata;
    source.Warnings.insert(source.Warnings.end(), meta.Warnings.begin(), meta.Warnings.end());
    if (source.Bitmap->Empty()) return;
    if (settings.Orientation == TOrientationMode::Apply && meta.Orientation != kOrientationNormal) {
        source.Bitmap = OrientBitmap(*source.Bitmap, meta.Orientation);
        source.Oriented = true;
    }
    if (settings.Icc == TIccMode::SRGB && !meta.IccProfile.empty()) {
        const std::string problem = ConvertToSRGB(*source.Bitmap, meta.IccProfile);
        if (problem.empty())
            source.ColourConverted = true;
        else
            source.Warnings.push_back("sRGB に変換しませんでした: " + problem);
    }
}

TImageMetadata OutputMetadata(const TSourcePicture& source, const TConversionSettings& settings,
                              const TBitmap& output, bool transformed, TWriterKind writer,
                              std::vector<std::string>& warnings) {
    const TImageMetadata& meta = source.Metadata;
    TImageMetadata out;
    if (settings.Icc == TIccMode::Keep && !meta.IccProfile.empty()) {
        if (IccProfileIsRgb(meta.IccProfile))
            out.IccProfile = meta.IccProfile;
        else
            warnings.push_back(IccDroppedWarning("出力は RGB ですが RGB のプロファイルではありません"));
    }
    if (settings.Metadata == TMetadataMode::Strip || writer != TWriterKind::JPEG) return out;

    out.Segments = meta.Segments;
    const bool pixelsDiffer = transformed || source.Oriented || source.ColourConverted;
    if (!pixelsDiffer) return out;
    const auto exif = std::find_if(out.Segments.begin(), out.Segments.end(),
                                   [](const TMetadataSegment& s) { return s.Kind == TSegmentKind::Exif; });
    if (exif == out.Segments.end()) return out;
    TExifEdit edit;
    edit.Width = output.Width();
    edit.Height = output.Height();
    edit.ResetOrientation = source.Oriented;
    edit.DropThumbnail = true;
    std::string problem;
    if (auto edited = EditExifBlock(exif->Bytes, edit, &problem)) {
        exif->Bytes = std::move(*edited);
    } else {
        warnings.push_back(ExifDroppedWarning(problem));
        out.Segments.erase(exif);
    }
    return out;
}

}  // namespace corvane
