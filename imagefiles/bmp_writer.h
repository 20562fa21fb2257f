// Writing a working bitmap as a Windows bitmap file, exactly as it is held:
// same bits per pixel, colour table, bit-field masks, row order and header
// kind, with no pixel conversion.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imagefiles/atomic_file_writer.h"
#include "imaging/TBitmap.h"

namespace corvane {

// An empty picture (width or height 0) gives an empty file. The file appears
// only when complete; EFCreateError when it cannot be created or written.
// With a colour profile the header is a V5 header (masks inside it) with
// the profile embedded after the pixels; without one the header kinds are
// those above.
void WriteBitmapFile(const TBitmap& picture, const std::string& path,
                     std::span<const std::uint8_t> iccProfile = {});

// The same into an output the caller commits.
void WriteBitmap(const TBitmap& picture, AtomicFileWriter& out,
                 std::span<const std::uint8_t> iccProfile = {});

// The bytes WriteBitmapFile writes.
std::vector<std::uint8_t> EncodeBitmap(const TBitmap& picture, std::span<const std::uint8_t> iccProfile = {});

}  // namespace corvane
