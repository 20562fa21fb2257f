// What a picture file carries besides its pixels, kept beside the working
// bitmap: the JPEG segments that describe the picture (EXIF, XMP, IPTC,
// comments) in their order, the ICC colour profile and the EXIF orientation.
// Readers fill it with what they found and could read; writers write what
// they are given. What to keep, edit or drop is the caller's decision.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// JPEG marker codes of the segments carried.
inline constexpr int kMarkerAPP1 = 0xE1;   // EXIF, XMP
inline constexpr int kMarkerAPP2 = 0xE2;   // ICC profile (carried as the profile)
inline constexpr int kMarkerAPP13 = 0xED;  // IPTC in a Photoshop resource block
inline constexpr int kMarkerCOM = 0xFE;    // comment

enum class TSegmentKind { Exif, Xmp, XmpExtension, Iptc, Comment };

struct TMetadataSegment {
    TSegmentKind Kind = TSegmentKind::Comment;
    int Marker = kMarkerCOM;
    std::vector<std::uint8_t> Bytes;  // the segment's payload, without marker and length
    friend bool operator==(const TMetadataSegment&, const TMetadataSegment&) = default;
};

// The EXIF orientation values: how the stored rows are to be turned and
// mirrored for viewing (1: as stored).
inline constexpr int kOrientationNormal = 1;
inline constexpr int kOrientationMax = 8;

struct TImageMetadata {
    std::vector<TMetadataSegment> Segments;  // in file order
    std::vector<std::uint8_t> IccProfile;    // empty: none
    int Orientation = kOrientationNormal;    // from the EXIF segment, 1 .. 8
    // What was found damaged and dropped, as the system's messages.
    std::vector<std::string> Warnings;

    bool Empty() const { return Segments.empty() && IccProfile.empty(); }
    // The first EXIF segment, or nullptr.
    const TMetadataSegment* Exif() const;
    TMetadataSegment* Exif();
};

}  // namespace corvane
