// The exchange between the working bitmap and the interleaved red-green-blue
// (and alpha) rows the format libraries read and write, and the size check
// every reader makes before it takes pixel memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/TBitmap.h"

namespace corvane {

// Raises EImageFileError unless width x height is a picture the working
// bitmap can hold (kMaxSide, and kMaxPixels or the caller's lower cap), both
// sides at least 1. Called on the header, before pixels are allocated.
void CheckDeclaredSize(std::int64_t width, std::int64_t height, const std::string& path,
                       std::string_view format, std::int64_t maxPixels = kMaxPixels);

// A 24-bit picture from rows of `channels` bytes a pixel (3: RGB, 4: RGBA),
// `stride` bytes apart; with 4 channels and `keepAlpha` the fourth becomes
// the alpha plane.
std::unique_ptr<TBitmap> PictureFromInterleaved(const std::uint8_t* pixels, int width, int height,
                                                std::size_t stride, int channels, bool keepAlpha);

// The picture as tightly packed RGB rows, or RGBA when it has alpha.
struct TInterleavedPixels {
    std::vector<std::uint8_t> Bytes;
    int Width = 0;
    int Height = 0;
    int Channels = 3;
    std::size_t Stride() const {
        return static_cast<std::size_t>(Width) * static_cast<std::size_t>(Channels);
    }
};
TInterleavedPixels InterleavedFromPicture(const TBitmap& picture);

}  // namespace corvane
