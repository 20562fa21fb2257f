// The run's metadata policies: what is done to a source picture before the
// transforms (EXIF orientation, conversion to sRGB) and what the output file
// carries of the source's metadata (EXIF, XMP, IPTC, comments, profile).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/conversion_settings.h"
#include "app/output_writer.h"
#include "app/resize_setting.h"
#include "imagefiles/metadata/image_metadata.h"
#include "imaging/TBitmap.h"

namespace corvane {

struct TSourcePicture {
    std::unique_ptr<TBitmap> Bitmap;
    // The picture's size in the file; larger than Bitmap's when it was decoded shrunk.
    TPictureSize FullSize;
    TImageMetadata Metadata;  // as the reader found it
    bool Oriented = false;    // turned by the EXIF orientation
    bool ColourConverted = false;
    std::vector<std::string> Warnings;  // the reader's, then the policies'
};

// Before anything else: with orientation apply the pixels are turned and
// mirrored as the EXIF orientation says; with icc srgb they are converted
// from the embedded profile to sRGB. A profile that cannot be used leaves
// the pixels as they are, with a warning.
void PrepareSource(TSourcePicture& source, const TConversionSettings& settings);

// What the output carries, whatever the formats of source and output (each
// writer writes what its format holds). Metadata strip: no segments. Keep:
// the source's segments in order, less those too large for a JPEG output's
// segments (with a warning); when the output's pixels differ from the
// stored source (turned by the orientation, converted, or transformed) the
// EXIF block is edited: the pixel dimension tags follow the output, the
// orientation is 1 when the pixels were turned by it (unchanged with
// ignore), and the embedded thumbnail is dropped, as it would show the old
// picture. The orientation the output is shown with goes into Orientation;
// for an AVIF output, whose container records it, the EXIF tag becomes 1
// and the thumbnail goes. Icc keep: the source's profile when it describes
// RGB data, the only kind the outputs hold; srgb and strip: none. A bitmap
// output takes only the profile.
TImageMetadata OutputMetadata(const TSourcePicture& source, const TConversionSettings& settings,
                              const TBitmap& output, bool transformed, TWriterKind writer,
                              std::vector<std::string>& warnings);

}  // namespace corvane
