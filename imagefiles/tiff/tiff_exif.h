// The EXIF side of TIFF files, through Exiv2. A TIFF file's first directory
// is what an EXIF block's first directory is: the description tags (maker,
// model, date, orientation, resolution, ...) sit beside the tags of the
// picture's layout, and the EXIF and GPS directories hang from it. Reading
// gathers the description into a block of its own; writing adds a block's
// tags to a file libtiff has written. Layout tags never cross: a block's
// would describe another picture, and a file's are not the picture's
// description.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane::tiffio {

// The EXIF payload ("Exif" prefix and TIFF structure) of the first
// directory's description tags with the EXIF, GPS and maker-note
// directories, or nullopt with *problem set when Exiv2 cannot read them.
std::optional<std::vector<std::uint8_t>> ExifPayloadOfFile(std::span<const std::uint8_t> file,
                                                           std::string* problem);

// Adds the payload's tags to the file, replacing those it has (its
// orientation, say); XMP, profile and pixels stay as they are. false with
// *problem set when Exiv2 refuses; the bytes are then not to be used.
bool AddExifToFile(std::vector<std::uint8_t>& file, std::span<const std::uint8_t> payload,
                   std::string* problem);

}  // namespace corvane::tiffio
