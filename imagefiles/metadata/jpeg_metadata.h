// The metadata of a JPEG stream from the segments its header carried: EXIF,
// XMP, IPTC and comment segments in their order, the ICC profile joined from
// its APP2 segments, and the orientation read from the EXIF segment. Damaged
// parts are left out with a warning; nothing here fails the picture.
#pragma once

#include "imagefiles/jpeg_codec.h"
#include "imagefiles/metadata/image_metadata.h"

namespace corvane {

// On a job whose header was read.
TImageMetadata ReadJPEGMetadata(const jpegcodec::DecodeJob* job);

}  // namespace corvane
