// What a picture file's header declares, read without decoding and without
// taking pixel memory: enough to refuse a picture beyond the limits, naming
// the file, or to estimate what converting it will need.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "imagefiles/format_registry.h"

namespace corvane {

struct TPictureHeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0;  // rows, whatever their order
    // Every sample of a pixel as the file stores it, alpha included: bitmap
    // as stored; JPEG 8 per component; PNG 64 for 16-bit RGBA, 2 for a
    // 2-bit palette; GIF 8; TIFF samples x bits; HEIF and AVIF the channels
    // x the luma depth.
    int BitsPerPixel = 0;
    // The reader gives the picture an alpha plane beside its 24-bit pixels
    // (for PNG: may give, a tRNS chunk decides).
    bool Alpha = false;
    bool Progressive = false;  // JPEG: the decoder holds every coefficient at once
    // JPEG: the EXIF orientation the reader will find (1 .. 8).
    int Orientation = 1;
    // What the format's reader holds at its peak beside the file's bytes and
    // the working bitmap: its decoded buffer (8 bits a sample, whatever the
    // file's depth), the library's own picture-sized buffers, and strips or
    // tiles of 16-bit samples. 0 for bitmap and JPEG, whose cost the
    // estimate knows from the other fields.
    std::uint64_t DecoderBytes = 0;
    std::uint64_t FileSize = 0;
};

// nullopt when the file cannot be opened or its header is not one of that
// format: the reader then reports the failure in its own words. Never
// throws; reads a bounded number of bytes whatever the header declares. An
// empty bitmap file declares a picture of 0 x 0.
std::optional<TPictureHeader> ProbePictureFile(const std::string& path, TImageFormatId format);
// The same on a file's bytes in memory.
std::optional<TPictureHeader> ProbePictureBytes(std::span<const std::uint8_t> bytes, TImageFormatId format);

std::optional<TPictureHeader> ProbeBitmapFile(const std::string& path);
std::optional<TPictureHeader> ProbeJPEGFile(const std::string& path);

}  // namespace corvane
