// Reading Windows bitmap files into a working bitmap.
//
// The picture keeps the file's bits per pixel, colour table, bit-field masks,
// row order and header kind, so that writing it back gives the same file.
// Run-length-encoded files are expanded to an indexed picture of the same
// depth (8 or 4 bits, bottom-up) with the file's colour table.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "imagefiles/metadata/image_metadata.h"
#include "imaging/TBitmap.h"

namespace corvane {

// An empty file gives an empty picture (0 x 0). Failures:
// - EFOpenError: the file cannot be opened;
// - EInvalidGraphic: not a bitmap file, planes not 1, a bit depth or
//   compression the program does not handle, or a declared picture beyond
//   the working bitmap's limits (refused before any pixel memory exists);
// - EReadError: the file header, the colour masks or the colour table are cut
//   short by the end of the file. A short pixel area is not a failure: the
//   pixels it does not reach stay zero.
// With `metadata`, a V5 header's embedded colour profile goes there; a
// damaged or misplaced one is left out with a warning, never a failure.
std::unique_ptr<TBitmap> ReadBitmapFile(const std::string& path, TImageMetadata* metadata = nullptr);

// The same from bytes in memory.
std::unique_ptr<TBitmap> ReadBitmapFromMemory(std::span<const std::uint8_t> bytes,
                                              TImageMetadata* metadata = nullptr);

}  // namespace corvane
