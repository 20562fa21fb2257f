// Metadata that the formats beyond JPEG hold in chunks, boxes or tags of
// their own, checked and put into the forms the JPEG reader gives
// (image_metadata.h): EXIF as an "Exif" APP1 payload, XMP behind its
// identifier, the profile cut to the size its header declares. What is
// damaged or larger than kMaxMetadataBlockBytes is left out with a warning;
// nothing here fails the picture.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/image_metadata.h"

namespace corvane {

// `exif`: the TIFF structure, or a whole payload with the "Exif" prefix some
// writers put before it. Only the first block is taken. With useOrientation
// its orientation becomes meta's (a value it cannot have with a warning).
// The reading of the block taken, or nullopt.
std::optional<TExifReading> AddExifBlock(TImageMetadata& meta, std::span<const std::uint8_t> exif,
                                         bool useOrientation = true);
// The first packet only; an empty one is no packet.
void AddXmpPacket(TImageMetadata& meta, std::span<const std::uint8_t> packet);
// The first profile only.
void AddIccProfile(TImageMetadata& meta, std::span<const std::uint8_t> profile);
// A text comment, as a JPEG comment segment.
void AddComment(TImageMetadata& meta, std::span<const std::uint8_t> text);

}  // namespace corvane
