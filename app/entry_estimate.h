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
    // The output as written: stood up by the EXIF orientation, turned and
    // resized as the settings say.
    std::int64_t OutputWidth = 0, OutputHeight = 0;
    // Everything the entry holds at its peak, added up: the file's bytes,
    // the decoder's buffers (picture_probe.h), the source picture as read
    // (a JPEG shrunk on load at its smaller size) with its alpha plane, the
    // upright copy, the transforms' result, the resize's buffers and result,
    // the writer's copies and the encoded output (twice for a TIFF output that
    // takes EXIF tags).
    std::uint64_t MemoryBytes = 0;
};

// Reads the source's header (the format is chosen by extension, as for
// reading, and every format is probed) and refuses with ELimitError a
// picture beyond the working bitmap's or the JPEG library's limits, and a
// JPEG output the library cannot write at its real size.
TEntryEstimate EstimateEntry(const std::string& sourcePath, const TOutputTarget& target,
                             const TConversionSettings& settings, PathStyle style = PathStyle::Native);

}  // namespace corvane
