#include "imagefiles/metadata/image_metadata.h"

#include <algorithm>
#include <utility>

namespace corvane {

const TMetadataSegment* TImageMetadata::Exif() const {
    const auto it = std::find_if(Segments.begin(), Segments.end(),
                                 [](const TMetadataSegment& s) { return s.Kind == TSegmentKind::Exif; });
    return it == Segments.end() ? nullptr : &*it;
}

TMetadataSegment* TImageMetadata::Exif() {
    return const_cast<TMetadataSegment*>(std::as_const(*this).Exif());
}

}  // namespace corvane
