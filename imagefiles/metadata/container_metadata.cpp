#include "imagefiles/metadata/container_metadata.h"

#include "imagefiles/metadata/icc_profile.h"
#include "imagefiles/metadata/metadata_limits.h"
#include "imagefiles/metadata/metadata_warnings.h"

namespace corvane {

namespace {

constexpr const char* kTooLarge = "大きすぎます";

}  // namespace

std::optional<TExifReading> AddExifBlock(TImageMetadata& meta, std::span<const std::uint8_t> exif,
                                         bool useOrientation) {
    if (exif.empty() || meta.Exif()) return std::nullopt;
    if (exif.size() > kMaxMetadataBlockBytes) {
        meta.Warnings.push_back(ExifDroppedWarning(kTooLarge));
        return std::nullopt;
    }
    std::vector<std::uint8_t> payload;
    if (!IsExifPayload(exif)) payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), exif.begin(), exif.end());
    TExifReading reading = ReadExifBlock(payload);
    if (!reading.Problem.empty()) {
        meta.Warnings.push_back(ExifDroppedWarning(reading.Problem));
        return std::nullopt;
    }
    if (useOrientation) {
        if (!reading.OrientationProblem.empty())
            meta.Warnings.push_back(OrientationIgnoredWarning(reading.OrientationProblem));
        meta.Orientation = reading.Orientation;
    }
    meta.Segments.push_back({TSegmentKind::Exif, kMarkerAPP1, std::move(payload)});
    return reading;
}

void AddXmpPacket(TImageMetadata& meta, std::span<const std::uint8_t> packet) {
    if (packet.empty() || meta.Xmp()) return;
    if (packet.size() > kMaxMetadataBlockBytes) {
        meta.Warnings.push_back(SegmentDroppedWarning("XMP", kTooLarge));
        return;
    }
    std::vector<std::uint8_t> payload(kXmpIdentifier, kXmpIdentifier + sizeof kXmpIdentifier);
    payload.insert(payload.end(), packet.begin(), packet.end());
    meta.Segments.push_back({TSegmentKind::Xmp, kMarkerAPP1, std::move(payload)});
}

void AddIccProfile(TImageMetadata& meta, std::span<const std::uint8_t> profile) {
    if (profile.empty() || !meta.IccProfile.empty()) return;
    const std::string problem = IccProfileProblem(profile);
    if (!problem.empty()) {
        meta.Warnings.push_back(IccDroppedWarning(problem));
        return;
    }
    meta.IccProfile.assign(profile.begin(), profile.begin() + IccDeclaredSize(profile));
}

void AddComment(TImageMetadata& meta, std::span<const std::uint8_t> text) {
    if (text.empty()) return;
    if (text.size() > kMaxMetadataBlockBytes) {
        meta.Warnings.push_back(SegmentDroppedWarning("コメント", kTooLarge));
        return;
    }
    meta.Segments.push_back({TSegmentKind::Comment, kMarkerCOM, {text.begin(), text.end()}});
}

}  // namespace corvane
