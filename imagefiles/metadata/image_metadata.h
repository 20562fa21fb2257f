// What a picture file carries besides its pixels, kept beside the working
// bitmap: the segments that describe the picture (EXIF, XMP, IPTC, comments)
// in their order, the ICC colour profile and the EXIF orientation. Segments
// are held in their JPEG form whatever the file's format, so that what one
// reader finds any writer can take. Readers fill it with what they found and
// could read; writers write what they are given, as far as their format
// holds it. What to keep, edit or drop is the caller's decision.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// JPEG marker codes of the segments carried.
inline constexpr int kMarkerAPP1 = 0xE1;   // EXIF, XMP
inline constexpr int kMarkerAPP2 = 0xE2;   // ICC profile (carried as the profile)
inline constexpr int kMarkerAPP13 = 0xED;  // IPTC in a Photoshop resource block
inline constexpr int kMarkerCOM = 0xFE;    // comment

// An XMP payload starts with this identifier and its NUL (sizeof counts it).
inline constexpr char kXmpIdentifier[] = "http://ns.adobe.com/xap/1.0/";

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
    // From the EXIF segment, 1 .. 8. For an output: how it is to be shown,
    // which a container with a turn of its own (AVIF) records there.
    int Orientation = kOrientationNormal;
    // What was found damaged and dropped, as the system's messages.
    std::vector<std::string> Warnings;

    bool Empty() const { return Segments.empty() && IccProfile.empty(); }
    // The first EXIF segment, or nullptr.
    const TMetadataSegment* Exif() const;
    TMetadataSegment* Exif();
    // The first XMP segment, or nullptr.
    const TMetadataSegment* Xmp() const;
};

// What the other containers hold of a segment: an EXIF payload's TIFF
// structure (after "Exif", 0, 0) and an XMP payload's packet (after the
// identifier).
std::span<const std::uint8_t> ExifTiffBytes(const TMetadataSegment& exif);
std::span<const std::uint8_t> XmpPacketBytes(const TMetadataSegment& xmp);

}  // namespace corvane
