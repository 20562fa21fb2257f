// Result: a one-page TIFF of the picture's size, 8 bits a sample, RGB or
// RGBA with unassociated alpha, Deflate after the horizontal predictor.
// libtiff writes the profile (ICCProfile) and the XMP packet (XMLPacket)
// with the picture; an EXIF block's tags are added to the finished file
// through Exiv2 (tiff_exif.h), its orientation replacing the written one.
#include "imagefiles/tiff/tiff_writer.h"

#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"
#include "imagefiles/tiff/tiff_exif.h"
#include "imagefiles/tiff/tiff_memory_io.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "TIFF";

[[noreturn]] void Fail(const tiffio::MemoryStream& s, const char* fallback) {
    throw EImageEncodeError(kFormat, s.Error.empty() ? fallback : s.Error);
}

// The readers hold profiles and packets far below the 32-bit counts.
bool SetBlock(TIFF* t, std::uint32_t tag, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return true;
    return TIFFSetField(t, tag, static_cast<std::uint32_t>(bytes.size()), bytes.data()) == 1;
}

}  // namespace

std::vector<std::uint8_t> EncodeTIFF(const TBitmap& picture, const TEncodeOptions& options) {
    if (picture.Empty()) return {};
    TInterleavedPixels pixels = InterleavedFromPicture(picture);
    std::vector<std::uint8_t> bytes;
    tiffio::MemoryStream stream;
    stream.Output = &bytes;
    {
        const tiffio::TIFFPtr tif = tiffio::OpenMemory(stream, "w");
        if (!tif) Fail(stream, "cannot start");
        TIFF* t = tif.get();
        const bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(pixels.Width)) &&
                        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(pixels.Height)) &&
                        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8) &&
                        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, pixels.Channels) &&
                        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
                        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
                        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
                        TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
                        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        if (!ok) Fail(stream, "tags refused");
        if (pixels.Channels == 4) {
            const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
            if (!TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra)) Fail(stream, "tags refused");
        }
        if (const TImageMetadata* meta = options.Metadata) {
            const TMetadataSegment* xmp = meta->Xmp();
            if (!SetBlock(t, TIFFTAG_ICCPROFILE, meta->IccProfile) ||
                (xmp && !SetBlock(t, TIFFTAG_XMLPACKET, XmpPacketBytes(*xmp))))
                Fail(stream, "tags refused");
        }
        for (int y = 0; y < pixels.Height; ++y)
            if (TIFFWriteScanline(t, pixels.Bytes.data() + static_cast<std::size_t>(y) * pixels.Stride(),
                                  static_cast<std::uint32_t>(y), 0) < 0)
                Fail(stream, "row refused");
        if (!TIFFWriteDirectory(t)) Fail(stream, "directory refused");
    }
    if (!stream.Error.empty()) Fail(stream, "");
    if (const TMetadataSegment* exif = options.Metadata ? options.Metadata->Exif() : nullptr) {
        std::string problem;
        if (!tiffio::AddExifToFile(bytes, exif->Bytes, &problem))
            throw EImageEncodeError(kFormat, "EXIF: " + problem);
    }
    return bytes;
}

}  // namespace corvane
