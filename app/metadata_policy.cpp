#include "app/metadata_policy.h"

#include <algorithm>

#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/icc_profile.h"
#include "imagefiles/metadata/metadata_limits.h"
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

namespace {

// A JPEG segment holds 64 KB; the other formats' blocks can be larger.
void DropWhatJPEGCannotHold(TImageMetadata& out, std::vector<std::string>& warnings) {
    std::erase_if(out.Segments, [&](const TMetadataSegment& s) {
        if (s.Bytes.size() <= kMaxSegmentPayload) return false;
        constexpr const char* kWhy = "JPEG のセグメントに収まりません";
        switch (s.Kind) {
            case TSegmentKind::Exif:
                warnings.push_back(ExifDroppedWarning(kWhy));
                break;
            case TSegmentKind::Xmp:
            case TSegmentKind::XmpExtension:
                warnings.push_back(SegmentDroppedWarning("XMP", kWhy));
                break;
            case TSegmentKind::Iptc:
                warnings.push_back(SegmentDroppedWarning("IPTC", kWhy));
                break;
            case TSegmentKind::Comment:
                warnings.push_back(SegmentDroppedWarning("コメント", kWhy));
                break;
        }
        return true;
    });
}

}  // namespace

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
    if (settings.Metadata == TMetadataMode::Strip || writer == TWriterKind::Bitmap) return out;

    out.Segments = meta.Segments;
    if (writer == TWriterKind::JPEG) DropWhatJPEGCannotHold(out, warnings);
    const auto exif = std::find_if(out.Segments.begin(), out.Segments.end(),
                                   [](const TMetadataSegment& s) { return s.Kind == TSegmentKind::Exif; });
    if (exif == out.Segments.end()) return out;
    // How the output is to be shown: as the source was, unless its pixels
    // were turned by the orientation. An AVIF output says so in its
    // container, which its viewers follow: its EXIF tag must say 1 then, or
    // a viewer that read both would turn the picture twice.
    const int shown = source.Oriented ? kOrientationNormal : meta.Orientation;
    const bool containerTurns = writer == TWriterKind::AVIF && shown != kOrientationNormal;
    const bool pixelsDiffer = transformed || source.Oriented || source.ColourConverted;
    out.Orientation = shown;
    if (!pixelsDiffer && !containerTurns) return out;
    TExifEdit edit;
    edit.Width = output.Width();
    edit.Height = output.Height();
    edit.ResetOrientation = source.Oriented || containerTurns;
    edit.DropThumbnail = true;
    std::string problem;
    if (auto edited = EditExifBlock(exif->Bytes, edit, &problem)) {
        exif->Bytes = std::move(*edited);
    } else {
        warnings.push_back(ExifDroppedWarning(problem));
        out.Segments.erase(exif);
        out.Orientation = kOrientationNormal;
    }
    return out;
}

}  // namespace corvane
