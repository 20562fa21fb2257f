// Stages: the first directory's tags are read and the size checked; the
// layout is classified once (which sample loop, or libtiff's RGBA path);
// then the picture is taken and filled band by band (a strip or a row of
// tiles at a time), so only one band of decoded samples exists at once.
// Rows come as stored, whatever the orientation tag says: it is reported
// as the orientation, and turning is the caller's.
#include "imagefiles/tiff/tiff_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefiles/file_io.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"
#include "imagefiles/metadata/container_metadata.h"
#include "imagefiles/metadata/metadata_warnings.h"
#include "imagefiles/tiff/tiff_exif.h"
#include "imagefiles/tiff/tiff_memory_io.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "TIFF";

struct Layout {
    std::uint32_t Width = 0, Height = 0;
    std::uint16_t Bits = 1, Samples = 1, Photometric = 0, Planar = PLANARCONFIG_CONTIG, SampleFormat = 1,
                  Compression = COMPRESSION_NONE, Orientation = ORIENTATION_TOPLEFT;
    int Colours = 1;          // 1 grey or palette, 3 RGB
    int AlphaSample = -1;     // index of the alpha sample, or -1
    bool Associated = false;  // alpha premultiplied
    bool Palette = false, MinIsWhite = false;
    const std::uint16_t* Map[3] = {};  // palette, 16 bits an entry
};

[[noreturn]] void Fail(const std::string& path, const tiffio::MemoryStream& s, const char* fallback) {
    throw EImageFileError(path, kFormat, s.Error.empty() ? fallback : s.Error);
}

Layout ReadLayout(TIFF* tif) {
    Layout l;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.Width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.Height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.Bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.Samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.Planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.SampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.Compression);
    // libtiff refuses a value outside 1 .. 8 when it reads the directory.
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.Orientation);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.Photometric)) l.Photometric = 0xFFFF;
    std::uint16_t extraCount = 0;
    const std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    l.Colours = l.Photometric == PHOTOMETRIC_RGB || l.Photometric == PHOTOMETRIC_YCBCR ? 3 : 1;
    if (extraCount > 0 && extra && l.Samples > l.Colours &&
        (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA)) {
        l.AlphaSample = l.Colours;
        l.Associated = extra[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return l;
}

// The layouts the sample loop reads itself; everything else is libtiff's.
bool Direct(TIFF* tif, Layout& l) {
    if (l.SampleFormat != SAMPLEFORMAT_UINT) return false;
    if (l.Planar != PLANARCONFIG_CONTIG && l.Samples > 1) return false;
    if (l.Bits != 1 && l.Bits != 2 && l.Bits != 4 && l.Bits != 8 && l.Bits != 16) return false;
    // Rows of a tile start on a byte of their own: sub-byte samples would
    // need shifting into place.
    if (TIFFIsTiled(tif) && l.Bits < 8) return false;
    switch (l.Photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            l.MinIsWhite = l.Photometric == PHOTOMETRIC_MINISWHITE;
            return l.Samples >= 1;
        case PHOTOMETRIC_RGB:
            return l.Samples >= 3;
        case PHOTOMETRIC_PALETTE:
            l.Palette = true;
            return l.Bits <= 8 && TIFFGetField(tif, TIFFTAG_COLORMAP, &l.Map[0], &l.Map[1], &l.Map[2]) == 1;
        case PHOTOMETRIC_YCBCR:
            // JPEG-compressed YCbCr: the codec hands out RGB when asked.
            if (l.Compression != COMPRESSION_JPEG || l.Bits != 8 || l.Samples < 3) return false;
            return TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) == 1;
        default:
            return false;
    }
}

// Sample k of pixel x in a packed row, as 0 .. 255.
template <int Bits>
unsigned Sample(const std::uint8_t* row, std::size_t index) {
    if constexpr (Bits == 16) {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * index, 2);  // libtiff has put it in host order
        return v >> 8;
    } else if constexpr (Bits == 8) {
        return row[index];
    } else {
        const std::size_t bit = index * Bits;
        return (row[bit / 8] >> (8 - Bits - bit % 8)) & ((1u << Bits) - 1);
    }
}

template <int Bits>
void ConvertRow(const Layout& l, const std::uint8_t* row, std::uint8_t* bgr, std::uint8_t* alpha) {
    const int n = l.Samples;
    constexpr unsigned top = Bits >= 8 ? 255 : (1u << Bits) - 1;
    for (std::uint32_t x = 0; x < l.Width; ++x, bgr += 3) {
        const std::size_t first = static_cast<std::size_t>(x) * n;
        unsigned r, g, b;
        if (l.Palette) {
            const unsigned i = Sample<Bits>(row, first);
            const unsigned entries = 1u << l.Bits;
            r = i < entries ? l.Map[0][i] >> 8 : 0;
            g = i < entries ? l.Map[1][i] >> 8 : 0;
            b = i < entries ? l.Map[2][i] >> 8 : 0;
        } else if (l.Colours == 1) {
            unsigned v = Sample<Bits>(row, first) * 255 / top;
            if (l.MinIsWhite) v = 255 - v;
            r = g = b = v;
        } else {
            r = Sample<Bits>(row, first);
            g = Sample<Bits>(row, first + 1);
            b = Sample<Bits>(row, first + 2);
        }
        if (alpha) {
            const unsigned a = Sample<Bits>(row, first + static_cast<std::size_t>(l.AlphaSample)) * 255 / top;
            // Premultiplied samples are divided out as Pillow does, truncating.
            if (l.Associated && a != 0 && a != 255) {
                r = std::min(255u, 255 * r / a);
                g = std::min(255u, 255 * g / a);
                b = std::min(255u, 255 * b / a);
            }
            alpha[x] = static_cast<std::uint8_t>(a);
        }
        bgr[0] = static_cast<std::uint8_t>(b);
        bgr[1] = static_cast<std::uint8_t>(g);
        bgr[2] = static_cast<std::uint8_t>(r);
    }
}

using RowConverter = void (*)(const Layout&, const std::uint8_t*, std::uint8_t*, std::uint8_t*);

RowConverter ConverterFor(int bits) {
    switch (bits) {
        case 1:
            return ConvertRow<1>;
        case 2:
            return ConvertRow<2>;
        case 4:
            return ConvertRow<4>;
        case 8:
            return ConvertRow<8>;
        default:
            return ConvertRow<16>;
    }
}

void ReadDirect(TIFF* tif, const Layout& l, TBitmap& picture, const std::string& path,
                const tiffio::MemoryStream& s) {
    const RowConverter convert = ConverterFor(l.Bits);
    const std::size_t rowBytes = (static_cast<std::size_t>(l.Width) * l.Samples * l.Bits + 7) / 8;
    const auto emit = [&](std::uint32_t y, const std::uint8_t* row) {
        convert(l, row, picture.ScanLine(static_cast<int>(y)),
                picture.HasAlpha() ? picture.AlphaLine(static_cast<int>(y)) : nullptr);
    };
    if (!TIFFIsTiled(tif)) {
        std::uint32_t rowsPerStrip = l.Height;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, l.Height);
        const tmsize_t stripSize = TIFFStripSize(tif);
        if (stripSize <= 0 || static_cast<std::size_t>(stripSize) < rowBytes) Fail(path, s, "strip size");
        std::vector<std::uint8_t> strip(static_cast<std::size_t>(stripSize));
        for (std::uint32_t y0 = 0; y0 < l.Height; y0 += rowsPerStrip) {
            const std::uint32_t rows = std::min(rowsPerStrip, l.Height - y0);
            const tmsize_t want = static_cast<tmsize_t>(rows * rowBytes);
            if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, 0), strip.data(), want) < want)
                Fail(path, s, "strip cut short");
            for (std::uint32_t k = 0; k < rows; ++k) emit(y0 + k, strip.data() + k * rowBytes);
        }
        return;
    }
    std::uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    const tmsize_t tileSize = TIFFTileSize(tif);
    const std::size_t pixelBytes = static_cast<std::size_t>(l.Samples) * l.Bits / 8;
    const std::size_t tileRow = static_cast<std::size_t>(tileWidth) * pixelBytes;
    if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 ||
        static_cast<std::size_t>(tileSize) < tileRow * tileHeight)
        Fail(path, s, "tile size");
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
    std::vector<std::uint8_t> band(rowBytes * std::min(tileHeight, l.Height));
    for (std::uint32_t y0 = 0; y0 < l.Height; y0 += tileHeight) {
        const std::uint32_t rows = std::min(tileHeight, l.Height - y0);
        for (std::uint32_t x0 = 0; x0 < l.Width; x0 += tileWidth) {
            if (TIFFReadTile(tif, tile.data(), x0, y0, 0, 0) < 0) Fail(path, s, "tile cut short");
            const std::size_t used = std::min<std::size_t>(tileWidth, l.Width - x0) * pixelBytes;
            for (std::uint32_t k = 0; k < rows; ++k)
                std::memcpy(band.data() + k * rowBytes + x0 * pixelBytes, tile.data() + k * tileRow, used);
        }
        for (std::uint32_t k = 0; k < rows; ++k) emit(y0 + k, band.data() + k * rowBytes);
    }
}

// libtiff's own conversion, which premultiplies alpha: it is divided out
// again. Asked for the file's own orientation, it flips nothing.
void ReadThroughRGBA(TIFF* tif, const Layout& l, TBitmap& picture, const std::string& path,
                     const tiffio::MemoryStream& s) {
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(l.Width) * l.Height);
    if (!TIFFReadRGBAImageOriented(tif, l.Width, l.Height, raster.data(), l.Orientation, 0))
        Fail(path, s, "unsupported layout");
    for (std::uint32_t y = 0; y < l.Height; ++y) {
        const std::uint32_t* p = raster.data() + static_cast<std::size_t>(y) * l.Width;
        std::uint8_t* d = picture.ScanLine(static_cast<int>(y));
        std::uint8_t* a = picture.HasAlpha() ? picture.AlphaLine(static_cast<int>(y)) : nullptr;
        for (std::uint32_t x = 0; x < l.Width; ++x, d += 3) {
            unsigned r = TIFFGetR(p[x]), g = TIFFGetG(p[x]), b = TIFFGetB(p[x]);
            if (a) {
                const unsigned alpha = TIFFGetA(p[x]);
                if (alpha != 0 && alpha != 255) {
                    r = std::min(255u, (255 * r + alpha / 2) / alpha);
                    g = std::min(255u, (255 * g + alpha / 2) / alpha);
                    b = std::min(255u, (255 * b + alpha / 2) / alpha);
                }
                a[x] = static_cast<std::uint8_t>(alpha);
            }
            d[0] = static_cast<std::uint8_t>(b);
            d[1] = static_cast<std::uint8_t>(g);
            d[2] = static_cast<std::uint8_t>(r);
        }
    }
}

// Tags that an EXIF block would carry: a file with none of them has no
// description to give, and Exiv2 is not asked.
bool HasDescription(TIFF* tif, const Layout& l) {
    toff_t offset = 0;
    if (TIFFGetField(tif, TIFFTAG_EXIFIFD, &offset) || TIFFGetField(tif, TIFFTAG_GPSIFD, &offset))
        return true;
    for (const std::uint32_t tag : {TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_DATETIME, TIFFTAG_ARTIST,
                                    TIFFTAG_COPYRIGHT, TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_SOFTWARE}) {
        const char* text = nullptr;
        if (TIFFGetField(tif, tag, &text) && text && *text) return true;
    }
    return l.Orientation != ORIENTATION_TOPLEFT;
}

// The EXIF block first, as a JPEG output would hold it.
TImageMetadata ReadMetadata(TIFF* tif, const Layout& l, std::span<const std::uint8_t> file) {
    TImageMetadata meta;
    meta.Orientation = l.Orientation;
    if (HasDescription(tif, l)) {
        std::string problem;
        if (TIFFIsBigTIFF(tif))
            meta.Warnings.push_back(ExifDroppedWarning("BigTIFF の EXIF は読めません"));
        else if (const auto payload = tiffio::ExifPayloadOfFile(file, &problem))
            AddExifBlock(meta, *payload, false);
        else
            meta.Warnings.push_back(ExifDroppedWarning(problem));
    }
    std::uint32_t length = 0;
    const std::uint8_t* data = nullptr;
    if (TIFFGetField(tif, TIFFTAG_XMLPACKET, &length, &data) == 1 && data) AddXmpPacket(meta, {data, length});
    length = 0;
    data = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &data) == 1 && data)
        AddIccProfile(meta, {data, length});
    return meta;
}

}  // namespace

TDecodedImage DecodeTIFF(std::span<const std::uint8_t> bytes, const std::string& path,
                         std::int64_t maxPixels) {
    tiffio::MemoryStream stream;
    stream.Input = bytes;
    const tiffio::TIFFPtr tif = tiffio::OpenMemory(stream, "r");
    if (!tif) Fail(path, stream, "not a TIFF file");

    Layout layout = ReadLayout(tif.get());
    CheckDeclaredSize(layout.Width, layout.Height, path, kFormat, maxPixels);
    TDecodedImage result;
    result.Metadata = ReadMetadata(tif.get(), layout, bytes);
    const bool direct = Direct(tif.get(), layout);

    result.Bitmap = std::make_unique<TBitmap>();
    TBitmap& picture = *result.Bitmap;
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    picture.SetSize(static_cast<int>(layout.Width), static_cast<int>(layout.Height),
                    TBitmap::Fill::Uninitialized);
    if (layout.AlphaSample >= 0) picture.AddAlpha();
    if (direct)
        ReadDirect(tif.get(), layout, picture, path, stream);
    else
        ReadThroughRGBA(tif.get(), layout, picture, path, stream);
    return result;
}

TDecodedImage ReadTIFFFile(const std::string& path, const TReadHints&) {
    return DecodeTIFF(ReadWholeFile(path), path);
}

}  // namespace corvane
