// Which reader and writer each file extension takes. Reading is chosen by
// extension alone: ".jpg"/".jpeg" JPEG, the extensions of the other formats
// listed here their format, every other extension the bitmap reader; the
// content is never sniffed. Adding a format is its folder and one row here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imagefiles/metadata/image_metadata.h"
#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {

enum class TImageFormatId { None, Bitmap, JPEG, PNG, TIFF, WebP, GIF, HEIF, AVIF };

// What a reader gives: the picture and what the file carries besides pixels
// (its profile, EXIF, XMP and the like, in the forms image_metadata.h names).
struct TDecodedImage {
    std::unique_ptr<TBitmap> Bitmap;
    TImageMetadata Metadata;
};

struct TReadHints {
    // Given the picture's full size, the factor (1, 2, 4 or 8) by which the
    // reader may shrink it while decoding; readers that cannot ignore it.
    std::function<int(int width, int height)> ShrinkFor;
};

struct TEncodeOptions {
    int Quality = 90;  // the JPEG quality setting, also for the lossy WebP and AVIF
    bool Progressive = false;
    // Formats without alpha get a transparent picture laid onto this colour.
    TColor Background = clWhite;
    // What the output carries besides pixels, as far as the format holds it:
    // the profile everywhere; EXIF and XMP in all but the bitmap; IPTC and
    // comments in JPEG, comments also in PNG.
    const TImageMetadata* Metadata = nullptr;
};

struct TImageFormat {
    TImageFormatId Id;
    std::string_view Name;  // in messages: "PNG"
    // Lower-case extensions read as this format; the first is the one a
    // save format names.
    std::span<const std::string_view> Extensions;
    TDecodedImage (*Read)(const std::string& path, const TReadHints& hints);
    // nullptr for a format that is only read.
    std::vector<std::uint8_t> (*Encode)(const TBitmap& picture, const TEncodeOptions& options);
    // Writes the file whole or not at all.
    void (*Write)(const TBitmap& picture, const std::string& path, const TEncodeOptions& options);
    bool HoldsAlpha;

    bool Writable() const { return Encode != nullptr; }
};

std::span<const TImageFormat> ImageFormats();
// nullptr for TImageFormatId::None.
const TImageFormat* ImageFormatById(TImageFormatId id);
// The format an extension (lower case, dot included) names, or nullptr.
const TImageFormat* ImageFormatForExtension(std::string_view lowerExtension);
// The format a file of that extension is read as: the bitmap format when no
// other claims it.
const TImageFormat& ReaderForExtension(std::string_view lowerExtension);

// The writer's bytes, or its file. A picture with alpha goes to a format
// without alpha laid onto options.Background first. Nothing for None.
std::vector<std::uint8_t> EncodeImage(const TBitmap& picture, TImageFormatId id,
                                      const TEncodeOptions& options);
void WriteImageFile(const TBitmap& picture, TImageFormatId id, const std::string& path,
                    const TEncodeOptions& options);

}  // namespace corvane
