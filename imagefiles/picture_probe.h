// What a picture file's header declares, read without decoding and without
// taking pixel memory: enough to refuse a picture beyond the limits, naming
// the file, or to estimate what converting it will need.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

struct TPictureHeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0;   // rows, whatever their order
    int BitsPerPixel = 0;      // bitmap: as stored; JPEG: 8 per component
    bool Progressive = false;  // JPEG: the decoder holds every coefficient at once
    std::uint64_t FileSize = 0;
};

// nullopt when the file cannot be opened or its header is not one of that
// format: the reader then reports the failure in its own words. An empty
// file declares a picture of 0 x 0.
std::optional<TPictureHeader> ProbeBitmapFile(const std::string& path);
std::optional<TPictureHeader> ProbeJPEGFile(const std::string& path);

}  // namespace corvane
