#include "imagefiles/format_registry.h"

#include <algorithm>

#include "imagefiles/bmp_reader.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/file_io.h"
#include "imagefiles/gif/gif_reader.h"
#include "imagefiles/heif/avif_writer.h"
#include "imagefiles/heif/heif_reader.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/png/png_reader.h"
#include "imagefiles/png/png_writer.h"
#include "imagefiles/tiff/tiff_reader.h"
#include "imagefiles/tiff/tiff_writer.h"
#include "imagefiles/webp/webp_reader.h"
#include "imagefiles/webp/webp_writer.h"
#include "imaging/flatten_alpha.h"

namespace corvane {

namespace {

std::span<const std::uint8_t> ProfileOf(const TEncodeOptions& options) {
    return options.Metadata ? std::span<const std::uint8_t>(options.Metadata->IccProfile)
                            : std::span<const std::uint8_t>();
}

TDecodedImage ReadBitmap(const std::string& path, const TReadHints&) {
    TDecodedImage image;
    image.Bitmap = ReadBitmapFile(path, &image.Metadata);
    return image;
}
std::vector<std::uint8_t> EncodeBitmapWith(const TBitmap& picture, const TEncodeOptions& options) {
    return EncodeBitmap(picture, ProfileOf(options));
}
void WriteBitmap(const TBitmap& picture, const std::string& path, const TEncodeOptions& options) {
    WriteBitmapFile(picture, path, ProfileOf(options));
}

// The header is read first, so that the decoder can be told to scale.
TDecodedImage ReadJPEG(const std::string& path, const TReadHints& hints) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    const int shrink = hints.ShrinkFor && jpeg.Width() > 0 ? hints.ShrinkFor(jpeg.Width(), jpeg.Height()) : 1;
    jpeg.SetScale(shrink >= 8   ? TJPEGScale::jsEighth
                  : shrink >= 4 ? TJPEGScale::jsQuarter
                  : shrink >= 2 ? TJPEGScale::jsHalf
                                : TJPEGScale::jsFullSize);
    TDecodedImage image;
    image.Bitmap = jpeg.ReleaseBitmap();
    image.Metadata = jpeg.TakeMetadata();
    return image;
}
std::vector<std::uint8_t> EncodeJPEGWith(const TBitmap& picture, const TEncodeOptions& options) {
    return EncodeJPEG(picture, options.Quality, options.Progressive, options.Metadata);
}
void WriteJPEG(const TBitmap& picture, const std::string& path, const TEncodeOptions& options) {
    WriteJPEGFile(picture, path, options.Quality, options.Progressive, options.Metadata);
}

// The formats beyond the first two encode in memory and write the file whole.
template <std::vector<std::uint8_t> (*Encode)(const TBitmap&, const TEncodeOptions&)>
void WriteEncoded(const TBitmap& picture, const std::string& path, const TEncodeOptions& options) {
    WriteWholeFile(path, Encode(picture, options));
}

constexpr std::string_view kBitmapExtensions[] = {".bmp"};
constexpr std::string_view kJPEGExtensions[] = {".jpg", ".jpeg"};
constexpr std::string_view kPNGExtensions[] = {".png"};
constexpr std::string_view kTIFFExtensions[] = {".tif", ".tiff"};
constexpr std::string_view kWebPExtensions[] = {".webp"};
constexpr std::string_view kGIFExtensions[] = {".gif"};
constexpr std::string_view kHEIFExtensions[] = {".heic", ".heif"};
constexpr std::string_view kAVIFExtensions[] = {".avif"};

const TImageFormat kFormats[] = {
    {TImageFormatId::Bitmap, "BMP", kBitmapExtensions, ReadBitmap, EncodeBitmapWith, WriteBitmap, false},
    {TImageFormatId::JPEG, "JPEG", kJPEGExtensions, ReadJPEG, EncodeJPEGWith, WriteJPEG, false},
    {TImageFormatId::PNG, "PNG", kPNGExtensions, ReadPNGFile, EncodePNG, WriteEncoded<EncodePNG>, true},
    {TImageFormatId::TIFF, "TIFF", kTIFFExtensions, ReadTIFFFile, EncodeTIFF, WriteEncoded<EncodeTIFF>, true},
    {TImageFormatId::WebP, "WebP", kWebPExtensions, ReadWebPFile, EncodeWebP, WriteEncoded<EncodeWebP>, true},
    {TImageFormatId::GIF, "GIF", kGIFExtensions, ReadGIFFile, nullptr, nullptr, true},
    // HEVC encoding is left out: AVIF is the still format of the two to write.
    {TImageFormatId::HEIF, "HEIF", kHEIFExtensions, ReadHEIFFile, nullptr, nullptr, true},
    {TImageFormatId::AVIF, "AVIF", kAVIFExtensions, ReadHEIFFile, EncodeAVIF, WriteEncoded<EncodeAVIF>, true},
};

// The picture the writer gets: laid onto the background when the format
// cannot hold its alpha.
const TBitmap& Writable(const TBitmap& picture, const TImageFormat& format, const TEncodeOptions& options,
                        std::unique_ptr<TBitmap>& flattened) {
    if (format.HoldsAlpha || !picture.HasAlpha()) return picture;
    flattened = FlattenOntoBackground(picture, options.Background);
    return *flattened;
}

}  // namespace

std::span<const TImageFormat> ImageFormats() { return kFormats; }

const TImageFormat* ImageFormatById(TImageFormatId id) {
    for (const TImageFormat& f : kFormats)
        if (f.Id == id) return &f;
    return nullptr;
}

const TImageFormat* ImageFormatForExtension(std::string_view lowerExtension) {
    for (const TImageFormat& f : kFormats)
        if (std::find(f.Extensions.begin(), f.Extensions.end(), lowerExtension) != f.Extensions.end())
            return &f;
    return nullptr;
}

const TImageFormat& ReaderForExtension(std::string_view lowerExtension) {
    const TImageFormat* format = ImageFormatForExtension(lowerExtension);
    return format ? *format : *ImageFormatById(TImageFormatId::Bitmap);
}

std::vector<std::uint8_t> EncodeImage(const TBitmap& picture, TImageFormatId id,
                                      const TEncodeOptions& options) {
    const TImageFormat* format = ImageFormatById(id);
    if (!format || !format->Writable()) return {};
    std::unique_ptr<TBitmap> flattened;
    return format->Encode(Writable(picture, *format, options, flattened), options);
}

void WriteImageFile(const TBitmap& picture, TImageFormatId id, const std::string& path,
                    const TEncodeOptions& options) {
    const TImageFormat* format = ImageFormatById(id);
    if (!format || !format->Writable()) return;
    std::unique_ptr<TBitmap> flattened;
    format->Write(Writable(picture, *format, options, flattened), path, options);
}

}  // namespace corvane
