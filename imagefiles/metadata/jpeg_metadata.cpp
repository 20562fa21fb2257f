#include "imagefiles/metadata/jpeg_metadata.h"

#include <cstring>
#include <optional>
#include <span>

#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/icc_profile.h"
#include "imagefiles/metadata/metadata_warnings.h"

namespace corvane {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, const char* prefix, std::size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

// The kinds carried, by marker and the identifier each payload starts with.
// Other APP1 and APP13 segments (and APP2 segments besides the profile's,
// such as multi-picture indexes whose offsets would point nowhere) are not
// the picture's description and are not carried.
std::optional<TSegmentKind> KindOf(int marker, std::span<const std::uint8_t> payload) {
    static constexpr char kXmpExtension[] = "http://ns.adobe.com/xmp/extension/";
    static constexpr char kPhotoshop[] = "Photoshop 3.0";
    switch (marker) {
        case kMarkerAPP1:
            if (IsExifPayload(payload)) return TSegmentKind::Exif;
            if (StartsWith(payload, kXmpIdentifier, sizeof kXmpIdentifier)) return TSegmentKind::Xmp;
            if (StartsWith(payload, kXmpExtension, sizeof kXmpExtension)) return TSegmentKind::XmpExtension;
            return std::nullopt;
        case kMarkerAPP13:
            if (StartsWith(payload, kPhotoshop, sizeof kPhotoshop)) return TSegmentKind::Iptc;
            return std::nullopt;
        case kMarkerCOM:
            return TSegmentKind::Comment;
        default:
            return std::nullopt;
    }
}

}  // namespace

TImageMetadata ReadJPEGMetadata(const jpegcodec::DecodeJob* job) {
    TImageMetadata meta;
    bool exifSeen = false;
    for (const jpegcodec::MarkerView& m : jpegcodec::SavedMarkers(job)) {
        const std::span<const std::uint8_t> payload(m.Data, m.Size);
        const std::optional<TSegmentKind> kind = KindOf(m.Code, payload);
        if (!kind) continue;
        if (*kind == TSegmentKind::Exif) {
            // Readers take the first EXIF segment; a second one would only
            // contradict it.
            if (exifSeen) continue;
            exifSeen = true;
            const TExifReading reading = ReadExifBlock(payload);
            if (!reading.Problem.empty()) {
                meta.Warnings.push_back(ExifDroppedWarning(reading.Problem));
                continue;
            }
            if (!reading.OrientationProblem.empty())
                meta.Warnings.push_back(OrientationIgnoredWarning(reading.OrientationProblem));
            meta.Orientation = reading.Orientation;
        }
        meta.Segments.push_back({*kind, m.Code, {payload.begin(), payload.end()}});
    }

    const jpegcodec::IccView icc = jpegcodec::SavedIccProfile(job);
    if (icc.Found) {
        const std::span<const std::uint8_t> profile(icc.Data, icc.Size);
        const std::string problem = icc.Complete ? IccProfileProblem(profile) : "セグメントが欠けています";
        if (problem.empty())
            meta.IccProfile.assign(profile.begin(), profile.begin() + IccDeclaredSize(profile));
        else
            meta.Warnings.push_back(IccDroppedWarning(problem));
    }
    return meta;
}

}  // namespace corvane
