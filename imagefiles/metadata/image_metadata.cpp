#include "imagefiles/metadata/image_metadata.h"

#include <algorithm>
#include <utility>

#include "imagefiles/metadata/exif_block.h"

namespace corvane {

namespace {

const TMetadataSegment* First(const std::vector<TMetadataSegment>& segments, TSegmentKind kind) {
    const auto it = std::find_if(segments.begin(), segments.end(),
                                 [kind](const TMetadataSegment& s) { return s.Kind == kind; });
    return it == segments.end() ? nullptr : &*it;
}

// The bytes after a prefix the segment's kind guarantees.
std::span<const std::uint8_t> After(const TMetadataSegment& segment, std::size_t prefix) {
    const std::span<const std::uint8_t> bytes(segment.Bytes);
    return bytes.size() > prefix ? bytes.subspan(prefix) : std::span<const std::uint8_t>();
}

}  // namespace

const TMetadataSegment* TImageMetadata::Exif() const { return First(Segments, TSegmentKind::Exif); }

TMetadataSegment* TImageMetadata::Exif() {
    return const_cast<TMetadataSegment*>(std::as_const(*this).Exif());
}

const TMetadataSegment* TImageMetadata::Xmp() const { return First(Segments, TSegmentKind::Xmp); }

std::span<const std::uint8_t> ExifTiffBytes(const TMetadataSegment& exif) {
    return After(exif, kExifPrefixBytes);
}

std::span<const std::uint8_t> XmpPacketBytes(const TMetadataSegment& xmp) {
    return After(xmp, sizeof kXmpIdentifier);
}

}  // namespace corvane
