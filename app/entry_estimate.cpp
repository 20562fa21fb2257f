#include "app/entry_estimate.h"

#include <algorithm>
#include <optional>

#include "app/errors.h"
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

std::uint64_t MemoryFor(const TPictureHeader& header, bool jpegSource, const TEntryEstimate& e,
                        const TOutputTarget& target, const TConversionSettings& settings) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(e.Width * e.Height);
    const std::uint64_t outPixels = static_cast<std::uint64_t>(e.OutputWidth * e.OutputHeight);
    std::uint64_t total = 0;
    int sourceBits = header.BitsPerPixel;
    if (jpegSource) {
        total += header.FileSize;  // read whole before decoding
        const int components = std::max(1, header.BitsPerPixel / 8);
        // A progressive stream is decoded from all its coefficients at once:
        // two bytes per sample.
        if (header.Progressive) total += pixels * 2 * static_cast<std::uint64_t>(components);
        sourceBits = components == 1 ? 8 : 24;  // grey streams become indexed pictures
    }
    total += RowBytes(e.Width, sourceBits) * static_cast<std::uint64_t>(e.Height);

    const int w = static_cast<int>(e.Width), h = static_cast<int>(e.Height);
    const bool converted = ToneRequested(settings) || RotationRequested(settings, w, h);
    // The transforms give 24-bit pictures, or 32-bit ones from 32-bit sources.
    const int resultBits = converted ? std::max(24, sourceBits) : sourceBits;
    if (converted) total += RowBytes(e.OutputWidth, resultBits) * static_cast<std::uint64_t>(e.OutputHeight);

    switch (target.Writer) {
        case TWriterKind::JPEG:
            if (resultBits != 24)
                total += RowBytes(e.OutputWidth, 24) * static_cast<std::uint64_t>(e.OutputHeight);
            if (settings.Progressive) total += outPixels * 3;  // every coefficient, as when decoding
            total += outPixels;                                // the stream: about a byte per pixel at most
            break;
        case TWriterKind::None:
            break;
        default: {
            // The parallel driver holds the whole file's bytes until its turn
            // to write: at most the raw pixels (alpha included) for the others.
            const std::uint64_t file = RowBytes(e.OutputWidth, std::max(resultBits, 32)) *
                                       static_cast<std::uint64_t>(e.OutputHeight);
            total += file;
            // A TIFF file gets its EXIF tags by being laid out anew beside itself.
            if (target.Writer == TWriterKind::TIFF && settings.Metadata == TMetadataMode::Keep) total += file;
            break;
        }
    }
    // The libraries' own working memory: rows, tables, Huffman buffers.
    return total + (4u << 20);
}

}  // namespace

TEntryEstimate EstimateEntry(const std::string& sourcePath, const TOutputTarget& target,
                             const TConversionSettings& settings, PathStyle style) {
    const std::string ext = LowerExt(sourcePath, style);
    const bool jpegSource = ext == ".jpg" || ext == ".jpeg";
    const std::optional<TPictureHeader> header =
        jpegSource ? ProbeJPEGFile(sourcePath) : ProbeBitmapFile(sourcePath);
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

    const int width = static_cast<int>(header->Width), height = static_cast<int>(header->Height);
    estimate.OutputWidth = width;
    estimate.OutputHeight = height;
    if (RotationRequested(settings, width, height) && width > 0 && height > 0) {
        const TurnGeometry turn = MakeTurnGeometry(width, height, EffectiveAngle(settings, width, height),
                                                   settings.Mirror, settings.Circum);
        estimate.OutputWidth = turn.NewWidth;
        estimate.OutputHeight = turn.NewHeight;
    }
    if (target.Writer == TWriterKind::JPEG &&
        (estimate.OutputWidth > kMaxJPEGLibrarySide || estimate.OutputHeight > kMaxJPEGLibrarySide))
        throw ELimitError("ファイル " + target.Path + " は JPEG で書けません: 画像 (" +
                          Size(estimate.OutputWidth, estimate.OutputHeight) + ") の 1 辺が JPEG の上限 " +
                          std::to_string(kMaxJPEGLibrarySide) + " 画素を超えます");
    estimate.MemoryBytes = MemoryFor(*header, jpegSource, estimate, target, settings);
    return estimate;
}

}  // namespace corvane
