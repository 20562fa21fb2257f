#include "app/entry_estimate.h"

#include <algorithm>
#include <optional>

#include "app/entry_conversion.h"
#include "app/errors.h"
#include "imagefiles/format_registry.h"
#include "imagefiles/jpeg_limits.h"
#include "imagefiles/picture_probe.h"
#include "imaging/TBitmap.h"
#include "imaging/rotation_geometry.h"

namespace corvane {

namespace {

std::string Size(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::uint64_t RowBytes(std::int64_t width, int bitsPerPixel) {
    return static_cast<std::uint64_t>((width * bitsPerPixel + 31) / 32 * 4);
}

std::uint64_t Pixels(TPictureSize size) {
    return static_cast<std::uint64_t>(size.Width) * static_cast<std::uint64_t>(size.Height);
}

// A working bitmap: its rows and the alpha plane beside them.
std::uint64_t PictureBytes(TPictureSize size, int bitsPerPixel, bool alpha) {
    return RowBytes(size.Width, bitsPerPixel) * static_cast<std::uint64_t>(size.Height) +
           (alpha ? Pixels(size) : 0);
}

TPictureSize OnItsSide(TPictureSize size) { return {size.Height, size.Width}; }

// The entry's pictures from the read to the output, as the conversion makes
// them (entry_conversion.cpp).
struct TPictureSizes {
    TPictureSize Full;     // as stored, stood up by the EXIF orientation
    TPictureSize Decoded;  // as read: a JPEG may be decoded shrunk
    TPictureSize Upright;  // as read, stood up
    TPictureSize Output;
    bool Oriented = false;
};

TPictureSizes SizesFor(const TPictureHeader& header, bool jpegSource, const TConversionSettings& settings) {
    const TPictureSize stored{static_cast<int>(header.Width), static_cast<int>(header.Height)};
    TPictureSizes sizes;
    sizes.Oriented =
        settings.Orientation == TOrientationMode::Apply && header.Orientation != kOrientationNormal;
    const bool onItsSide = sizes.Oriented && header.Orientation >= 5;
    sizes.Full = onItsSide ? OnItsSide(stored) : stored;
    const int shrink = jpegSource ? ShrinkOnLoadFor(settings, stored) : 1;
    // The decoder rounds up.
    sizes.Decoded = {(stored.Width + shrink - 1) / shrink, (stored.Height + shrink - 1) / shrink};
    sizes.Upright = onItsSide ? OnItsSide(sizes.Decoded) : sizes.Decoded;
    sizes.Output = OutputSizeFor(settings, sizes.Full);
    return sizes;
}

std::uint64_t MemoryFor(const TPictureHeader& header, TImageFormatId format, const TPictureSizes& sizes,
                        const TOutputTarget& target, const TConversionSettings& settings) {
    std::uint64_t total = 0;
    // Every reader but the bitmap one takes the file whole first.
    if (format != TImageFormatId::Bitmap) total += header.FileSize;
    total += header.DecoderBytes;
    // The readers of the formats beyond the first two give 24-bit pictures.
    int sourceBits = format == TImageFormatId::Bitmap ? header.BitsPerPixel : 24;
    const bool alpha = header.Alpha;
    if (format == TImageFormatId::JPEG) {
        const int components = std::max(1, header.BitsPerPixel / 8);
        // A progressive stream is decoded from all its coefficients at once,
        // two bytes per sample, at the full size even when shrunk.
        if (header.Progressive)
            total += static_cast<std::uint64_t>(header.Width * header.Height) * 2 *
                     static_cast<std::uint64_t>(components);
        sourceBits = components == 1 ? 8 : 24;  // grey streams become indexed pictures
    }
    const std::uint64_t source = PictureBytes(sizes.Decoded, sourceBits, alpha);
    total += source;
    if (sizes.Oriented) total += source;  // stood up into a new picture

    const TPictureSize full = sizes.Full;
    const bool rotation = RotationRequested(settings, full.Width, full.Height);
    const bool converted = ToneRequested(settings) || rotation;
    // The transforms give 24-bit pictures, or 32-bit ones from 32-bit sources.
    int bits = converted ? std::max(24, sourceBits) : sourceBits;
    TPictureSize current = sizes.Upright;
    if (rotation) {
        // Turned as the full-size picture decides, at the size read.
        const TurnGeometry turn =
            MakeTurnGeometry(current.Width, current.Height, EffectiveAngle(settings, full.Width, full.Height),
                             settings.Mirror, settings.Circum);
        current = {turn.NewWidth, turn.NewHeight};
    }
    if (converted) total += PictureBytes(current, bits, alpha);

    if (sizes.Output != current) {
        // The resize: a 24-bit copy of any other picture, the rows packed
        // for libvips where alpha or padding keeps them from being read in
        // place, libvips' result and the picture made of it.
        const std::uint64_t bands = alpha ? 4 : 3;
        if (bits != 24) total += PictureBytes(current, bits, alpha) + PictureBytes(current, 24, alpha);
        if (alpha || RowBytes(current.Width, 24) != static_cast<std::uint64_t>(current.Width) * 3)
            total += Pixels(current) * bands;
        total += Pixels(sizes.Output) * bands + PictureBytes(sizes.Output, 24, alpha);
        current = sizes.Output;
        bits = 24;
    }

    const std::uint64_t outPixels = Pixels(current);
    // A format without alpha gets the picture laid onto the background: a
    // 24-bit copy, as the JPEG encoder also makes of other depths.
    const TImageFormat* writer = ImageFormatById(target.Writer);
    const bool flattened = alpha && writer && !writer->HoldsAlpha;
    switch (target.Writer) {
        case TWriterKind::JPEG:
            if (bits != 24 || flattened) total += PictureBytes(current, 24, false);
            if (settings.Progressive) total += outPixels * 3;  // every coefficient, as when decoding
            total += outPixels;                                // the stream: about a byte per pixel at most
            break;
        case TWriterKind::None:
            break;
        default: {
            if (flattened) total += PictureBytes(current, 24, false);
            // The parallel driver holds the whole file's bytes until its turn
            // to write: at most the raw pixels (alpha included).
            const std::uint64_t file =
                RowBytes(current.Width, std::max(bits, 32)) * static_cast<std::uint64_t>(current.Height);
            total += file;
            // A TIFF file gets its EXIF tags by being laid out anew beside itself.
            if (target.Writer == TWriterKind::TIFF && settings.Metadata == TMetadataMode::Keep) total += file;
            // The libraries take interleaved RGB or RGBA; WebP and AVIF make
            // a picture of their own of it (ARGB or YUV), AVIF's encoder
            // frames of its own besides.
            if (target.Writer != TWriterKind::Bitmap) total += outPixels * (alpha ? 4 : 3);
            if (target.Writer == TWriterKind::WebP) total += outPixels * 4;
            if (target.Writer == TWriterKind::AVIF) total += outPixels * 8;
            break;
        }
    }
    // The libraries' own working memory: rows, tables, Huffman buffers.
    return total + (4u << 20);
}

}  // namespace

TEntryEstimate EstimateEntry(const std::string& sourcePath, const TOutputTarget& target,
                             const TConversionSettings& settings, PathStyle style) {
    const TImageFormatId format = ReaderForExtension(LowerExt(sourcePath, style)).Id;
    const bool jpegSource = format == TImageFormatId::JPEG;
    const std::optional<TPictureHeader> header = ProbePictureFile(sourcePath, format);
    TEntryEstimate estimate;
    if (!header) return estimate;
    estimate.Known = true;
    estimate.Width = header->Width;
    estimate.Height = header->Height;

    const std::int64_t maxSide = jpegSource ? std::min(kMaxSide, kMaxJPEGLibrarySide) : kMaxSide;
    if (header->Width > maxSide || header->Height > maxSide || header->Width * header->Height > kMaxPixels)
        throw ELimitError("ファイル " + sourcePath + " の画像 (" + Size(header->Width, header->Height) +
                          ") は大きすぎます: 1 辺 " + std::to_string(maxSide) + " 画素、全体で " +
                          std::to_string(kMaxPixels) + " 画素までです");
    // An empty bitmap file: the reader gives an empty picture, written as it is.
    if (header->Width == 0 || header->Height == 0) {
        estimate.MemoryBytes = header->FileSize + (4u << 20);
        return estimate;
    }

    const TPictureSizes sizes = SizesFor(*header, jpegSource, settings);
    estimate.OutputWidth = sizes.Output.Width;
    estimate.OutputHeight = sizes.Output.Height;
    if (target.Writer == TWriterKind::JPEG &&
        (estimate.OutputWidth > kMaxJPEGLibrarySide || estimate.OutputHeight > kMaxJPEGLibrarySide))
        throw ELimitError("ファイル " + target.Path + " は JPEG で書けません: 画像 (" +
                          Size(estimate.OutputWidth, estimate.OutputHeight) + ") の 1 辺が JPEG の上限 " +
                          std::to_string(kMaxJPEGLibrarySide) + " 画素を超えます");
    estimate.MemoryBytes = MemoryFor(*header, format, sizes, target, settings);
    return estimate;
}

}  // namespace corvane
