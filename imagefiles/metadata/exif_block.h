// EXIF blocks (the payload of an APP1 "Exif" segment) through Exiv2: reading
// the orientation while checking that the block is sound, and the edits an
// output whose pixels differ from the source's needs. The TIFF structure
// inside is never walked by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// The six bytes before the TIFF header: "Exif", 0, 0.
inline constexpr std::size_t kExifPrefixBytes = 6;
bool IsExifPayload(std::span<const std::uint8_t> payload);

struct TExifReading {
    // Problem empty: the block reads cleanly. Anything Exiv2 refuses or
    // complains of (a cut-off directory, a loop in the chain, a count
    // pointing past the block) makes it unsound: carried back out as it is,
    // the damage would go on, and edited, part of it would be lost unseen.
    std::string Problem;
    // Orientation tag of the first directory, 1 when absent. A value outside
    // 1 .. 8 reads as 1 and is named in OrientationProblem.
    int Orientation = 1;
    std::string OrientationProblem;
};
TExifReading ReadExifBlock(std::span<const std::uint8_t> payload);

struct TExifEdit {
    int Width = 0;  // the output's pixel size, for the dimension tags present
    int Height = 0;
    bool ResetOrientation = false;  // the pixels are shown as stored now: 1
    bool DropThumbnail = false;     // the embedded thumbnail shows the old picture
};

// The edited payload, or nullopt with *problem set when the block cannot be
// read or the result would not fit one segment.
std::optional<std::vector<std::uint8_t>> EditExifBlock(std::span<const std::uint8_t> payload,
                                                       const TExifEdit& edit, std::string* problem);

}  // namespace corvane
