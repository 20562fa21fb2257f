// What is known of an entry before its source is read: the size its header
// declares, the size of the output, and the memory converting it takes. The
// runner checks this first, so a picture that cannot be converted is refused
// with its file and its size named, before any pixel memory is taken.
#pragma once

#include <cstdint>
#include <string>

#include "app/conversion_settings.h"
#include "app/output_writer.h"
#include "app/paths.h"

namespace corvane {

struct TEntryEstimate {
    bool Known = false;  // false: the header could not be read (the reader will say why)
    std::int64_t Width = 0, Height = 0;
    std::int64_t OutputWidth = 0, OutputHeight = 0;
    // Everything the entry holds at its peak: the file's bytes, the decoder's
    // buffers, the source picture, the result, the 24-bit copy the JPEG
    // encoder makes of any other format and its coefficients, and the
    // encoded output (twice for a TIFF output that takes EXIF tags).
    std::uint64_t MemoryBytes = 0;
};

// Reads the source's header (the reader is chosen by extension, as for
// reading) and refuses with ELimitError a picture beyond the working
// bitmap's or the JPEG library's limits, and a JPEG output the library
// cannot write.
TEntryEstimate EstimateEntry(const std::string& sourcePath, const TOutputTarget& target,
                             const TConversionSettings& settings, PathStyle style = PathStyle::Native);

}  // namespace corvane
