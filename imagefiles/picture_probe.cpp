#include "imagefiles/picture_probe.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "imagefiles/bmp_format.h"
#include "imagefiles/file_io.h"
#include "imagefiles/heif/heif_handles.h"
#include "imagefiles/jpeg_limits.h"
#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/tiff/tiff_memory_io.h"
#include "imaging/errors.h"

namespace corvane {

static_assert(kMaxJPEGLibrarySide == JPEG_MAX_DIMENSION);

namespace {

// The markers before a JPEG frame header are at most a few hundred
// kilobytes, a TIFF directory or a HEIF box tree far less; a file that
// needs more is not probed.
constexpr std::uint64_t kMaxProbeBytes = 16u << 20;

// Where a probe's bytes come from. Every read counts against one budget, so
// that no header, however it points around the file, makes a probe read
// (or a library allocate on its behalf) more than that.
class ProbeInput {
public:
    explicit ProbeInput(std::uint64_t size) : size_(size) {}
    virtual ~ProbeInput() = default;
    ProbeInput(const ProbeInput&) = delete;
    ProbeInput& operator=(const ProbeInput&) = delete;

    std::uint64_t Size() const { return size_; }
    std::uint64_t Remaining() const { return budget_; }
    void AllowMore(std::uint64_t bytes) { budget_ += bytes; }
    // Up to n bytes at offset: fewer at the end of the input or of the
    // budget. Raises EReadError.
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) {
        if (n == 0 || offset >= size_ || budget_ == 0) return 0;
        n = static_cast<std::size_t>(std::min<std::uint64_t>({n, size_ - offset, budget_}));
        const std::size_t got = DoReadAt(offset, out, n);
        budget_ -= got;
        return got;
    }

private:
    virtual std::size_t DoReadAt(std::uint64_t offset, void* out, std::size_t n) = 0;
    std::uint64_t size_;
    std::uint64_t budget_ = kMaxProbeBytes;
};

class FileInput final : public ProbeInput {
public:
    explicit FileInput(InputFile& file) : ProbeInput(file.Size()), file_(file) {}

private:
    std::size_t DoReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        return file_.ReadAt(offset, out, n);
    }
    InputFile& file_;
};

class MemoryInput final : public ProbeInput {
public:
    explicit MemoryInput(std::span<const std::uint8_t> bytes) : ProbeInput(bytes.size()), bytes_(bytes) {}

private:
    std::size_t DoReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        std::memcpy(out, bytes_.data() + offset, n);
        return n;
    }
    std::span<const std::uint8_t> bytes_;
};

// Sequential reads through a small buffer; a read past the end is nullopt.
class HeaderReader {
public:
    explicit HeaderReader(ProbeInput& input) : input_(input) {}

    std::optional<std::uint8_t> Byte() {
        if (pos_ == end_) {
            end_ = input_.ReadAt(next_, buffer_, sizeof buffer_);
            next_ += end_;
            pos_ = 0;
            if (end_ == 0) return std::nullopt;
        }
        return buffer_[pos_++];
    }
    bool Read(std::uint8_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const auto b = Byte();
            if (!b) return false;
            out[i] = *b;
        }
        return true;
    }
    // Skipped bytes are not read: only the reads count against the budget.
    bool Skip(std::uint64_t n) {
        const std::size_t buffered = end_ - pos_;
        if (n <= buffered) {
            pos_ += static_cast<std::size_t>(n);
            return true;
        }
        next_ += n - buffered;
        pos_ = end_ = 0;
        return next_ <= input_.Size();
    }
    // A read failed before the end of the input: the budget ran out.
    bool Exhausted() const { return next_ < input_.Size(); }

private:
    ProbeInput& input_;
    std::uint8_t buffer_[4096];
    std::size_t pos_ = 0, end_ = 0;
    std::uint64_t next_ = 0;
};

std::uint16_t BigU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
std::uint32_t BigU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::uint16_t LittleU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint64_t PixelsOf(const TPictureHeader& h) {
    return static_cast<std::uint64_t>(h.Width) * static_cast<std::uint64_t>(h.Height);
}

// ---- bitmap ----

std::optional<TPictureHeader> ProbeBitmap(ProbeInput& input) {
    TPictureHeader header;
    if (input.Size() == 0) return header;
    std::uint8_t h[bmp::kFileHeaderSize + 16] = {};
    if (input.ReadAt(0, h, sizeof h) < bmp::kFileHeaderSize + 4) return std::nullopt;
    if (h[0] != bmp::kSignature[0] || h[1] != bmp::kSignature[1]) return std::nullopt;
    const std::uint8_t* info = h + bmp::kFileHeaderSize;
    if (bmp::GetU32(info) == bmp::kCoreHeaderSize) {
        header.Width = bmp::GetU16(info + 4);
        header.Height = bmp::GetU16(info + 6);
        header.BitsPerPixel = bmp::GetU16(info + 10);
    } else {
        header.Width = static_cast<std::int32_t>(bmp::GetU32(info + 4));
        const std::int64_t height = static_cast<std::int32_t>(bmp::GetU32(info + 8));
        header.Height = height < 0 ? -height : height;
        header.BitsPerPixel = bmp::GetU16(info + 14);
    }
    if (header.Width < 0) return std::nullopt;
    return header;
}

// ---- JPEG ----

bool IsFrameMarker(std::uint8_t m) {
    // SOF0 .. SOF15 less DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// The frame header, and the orientation of the first EXIF segment before
// the scan (the reader takes that one, when it reads cleanly).
std::optional<TPictureHeader> ProbeJPEG(ProbeInput& input) {
    HeaderReader in(input);
    std::uint8_t soi[2];
    if (!in.Read(soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return std::nullopt;
    std::optional<TPictureHeader> header;
    int orientation = kOrientationNormal;
    bool exifSeen = false;
    // Past the frame header, an end of the file or of the markers leaves
    // the rest to the decoder.
    const auto found = [&] {
        if (header) header->Orientation = orientation;
        return header;
    };
    for (;;) {
        // Markers may be preceded by any number of 0xFF fill bytes.
        auto b = in.Byte();
        while (b && *b != 0xFF) b = in.Byte();
        while (b && *b == 0xFF) b = in.Byte();
        if (!b) return found();
        const std::uint8_t marker = *b;
        // FF 00 is a stuffed byte of data, no marker: the decoder passes over
        // it as over other stray bytes.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return found();  // nothing before the data
        std::uint8_t length[2];
        if (!in.Read(length, 2) || BigU16(length) < 2) return found();
        const std::size_t payload = BigU16(length) - 2u;
        if (IsFrameMarker(marker) && !header) {
            std::uint8_t frame[6];  // precision, height, width, components
            if (payload < sizeof frame || !in.Read(frame, sizeof frame)) return std::nullopt;
            TPictureHeader h;
            h.Height = BigU16(frame + 1);
            h.Width = BigU16(frame + 3);
            h.BitsPerPixel = 8 * frame[5];
            h.Progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            // A height of 0 is given later (DNL); the decoder will find it.
            if (h.Height == 0) return std::nullopt;
            header = h;
            if (!in.Skip(payload - sizeof frame)) return found();
            continue;
        }
        if (marker == 0xE1 && !exifSeen) {
            std::vector<std::uint8_t> bytes(payload);
            if (!in.Read(bytes.data(), bytes.size())) return found();
            if (IsExifPayload(bytes)) {
                exifSeen = true;
                const TExifReading exif = ReadExifBlock(bytes);
                if (exif.Problem.empty()) orientation = exif.Orientation;
            }
            continue;
        }
        if (!in.Skip(payload)) return found();
    }
}

// ---- PNG ----

// The channels of a colour type at that depth, or 0 where PNG has no such
// pair.
int PNGChannels(int colourType, int depth) {
    const bool eightOrSixteen = depth == 8 || depth == 16;
    switch (colourType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || eightOrSixteen ? 1 : 0;
        case 2:
            return eightOrSixteen ? 3 : 0;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 ? 1 : 0;
        case 4:
            return eightOrSixteen ? 2 : 0;
        case 6:
            return eightOrSixteen ? 4 : 0;
        default:
            return 0;
    }
}

// A tRNS chunk before the image data: the reader keeps alpha. Only the
// chunk headers are read; a file cut short or with chunks past counting
// counts as transparent.
bool PNGHasTransparency(ProbeInput& input) {
    std::uint64_t at = 33;  // signature and IHDR
    for (int chunks = 0; chunks < 4096; ++chunks) {
        std::uint8_t h[8];
        if (input.ReadAt(at, h, sizeof h) != sizeof h) return true;
        if (std::memcmp(h + 4, "tRNS", 4) == 0) return true;
        if (std::memcmp(h + 4, "IDAT", 4) == 0 || std::memcmp(h + 4, "IEND", 4) == 0) return false;
        at += 12 + std::uint64_t{BigU32(h)};
    }
    return true;
}

std::optional<TPictureHeader> ProbePNG(ProbeInput& input) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::uint8_t h[33];  // signature, IHDR's length and type, its 13 bytes and CRC
    if (input.ReadAt(0, h, sizeof h) != sizeof h) return std::nullopt;
    if (std::memcmp(h, kSignature, 8) != 0 || BigU32(h + 8) != 13 || std::memcmp(h + 12, "IHDR", 4) != 0)
        return std::nullopt;
    const std::uint32_t width = BigU32(h + 16), height = BigU32(h + 20);
    const int depth = h[24], colourType = h[25];
    const int channels = PNGChannels(colourType, depth);
    constexpr std::uint32_t kMaxPNGSide = 0x7FFFFFFF;
    if (width == 0 || height == 0 || width > kMaxPNGSide || height > kMaxPNGSide || channels == 0 ||
        h[26] != 0 || h[27] != 0 || h[28] > 1)
        return std::nullopt;
    TPictureHeader header;
    header.Width = width;
    header.Height = height;
    header.BitsPerPixel = channels * depth;
    header.Alpha = colourType == 4 || colourType == 6 || PNGHasTransparency(input);
    header.DecoderBytes = PixelsOf(header) * 4;  // decoded whole as RGBA8
    return header;
}

// ---- GIF ----

// The logical screen, and the records up to the first image descriptor:
// a graphic control block there gives the frame a transparent colour.
std::optional<TPictureHeader> ProbeGIF(ProbeInput& input) {
    HeaderReader in(input);
    std::uint8_t screen[13];  // signature, version, width, height, flags, background, aspect
    if (!in.Read(screen, sizeof screen) || std::memcmp(screen, "GIF", 3) != 0) return std::nullopt;
    TPictureHeader header;
    header.Width = LittleU16(screen + 6);
    header.Height = LittleU16(screen + 8);
    header.BitsPerPixel = 8;
    if (header.Width == 0 || header.Height == 0) return std::nullopt;
    // The screen is composed as RGBA8 whole; the frame's lines one at a time.
    header.DecoderBytes = PixelsOf(header) * 4;
    if ((screen[10] & 0x80) && !in.Skip(3u << ((screen[10] & 7) + 1))) return std::nullopt;

    // Records too long to walk leave the transparency open: assumed.
    const auto cut = [&]() -> std::optional<TPictureHeader> {
        if (!in.Exhausted()) return std::nullopt;
        header.Alpha = true;
        return header;
    };
    bool transparent = false;
    for (;;) {
        const auto type = in.Byte();
        if (!type) return cut();
        if (*type == 0x2C) break;                // image descriptor
        if (*type != 0x21) return std::nullopt;  // the trailer, or no record at all
        const auto label = in.Byte();
        auto size = in.Byte();
        for (bool first = true; label && size && *size != 0; first = false, size = in.Byte()) {
            if (*label == 0xF9 && first) {
                std::uint8_t block[255];
                if (!in.Read(block, *size)) return cut();
                // giflib takes a control block of exactly four bytes.
                if (*size == 4) transparent = (block[0] & 1) != 0;
            } else if (!in.Skip(*size)) {
                return cut();
            }
        }
        if (!label || !size) return cut();
    }
    std::uint8_t frame[9];  // left, top, width, height, flags
    if (!in.Read(frame, sizeof frame)) return cut();
    header.DecoderBytes += LittleU16(frame + 4) + 4u * LittleU16(frame + 6);  // a line and the row order
    header.Alpha = transparent;
    return header;
}

// ---- WebP ----

std::optional<TPictureHeader> ProbeWebP(ProbeInput& input) {
    // libwebp needs the chunks up to the first frame's header; a large
    // profile or metadata chunk before it takes a longer read.
    std::vector<std::uint8_t> head;
    WebPBitstreamFeatures features{};
    VP8StatusCode status = VP8_STATUS_NOT_ENOUGH_DATA;
    for (std::uint64_t want = 64u << 10; status == VP8_STATUS_NOT_ENOUGH_DATA; want *= 4) {
        const std::size_t have = head.size();
        const auto size = static_cast<std::size_t>(std::min({want, input.Size(), kMaxProbeBytes}));
        if (size <= have) return std::nullopt;
        head.resize(size);
        head.resize(have + input.ReadAt(have, head.data() + have, size - have));
        if (head.size() == have) return std::nullopt;
        status = WebPGetFeatures(head.data(), head.size(), &features);
    }
    if (status != VP8_STATUS_OK || features.width <= 0 || features.height <= 0) return std::nullopt;
    TPictureHeader header;
    header.Width = features.width;
    header.Height = features.height;
    header.BitsPerPixel = features.has_alpha ? 32 : 24;
    // An animation's first frame comes on an RGBA canvas.
    header.Alpha = features.has_alpha || features.has_animation;
    const std::uint64_t pixels = PixelsOf(header);
    if (features.has_animation) {
        // The canvas, the animation decoder's copy of the previous one, and
        // the frame's own decoding.
        header.DecoderBytes = 12 * pixels;
    } else {
        // The decoded RGB or RGBA, and libwebp's own: a lossless picture is
        // decoded whole at four bytes a pixel, a lossy one's alpha plane
        // whole at one.
        const bool lossy = features.format == 1;
        header.DecoderBytes =
            (features.has_alpha ? 4 : 3) * pixels + (lossy ? (features.has_alpha ? pixels : 0) : 4 * pixels);
    }
    return header;
}

// ---- TIFF ----

// The position libtiff and libheif read on from.
struct LibrarySource {
    ProbeInput& Input;
    std::uint64_t Position = 0;
};

LibrarySource& SourceOf(void* user) { return *static_cast<LibrarySource*>(user); }

// libtiff's C frames: nothing may throw through them.
tmsize_t TIFFRead(thandle_t h, void* buffer, tmsize_t size) try {
    LibrarySource& s = SourceOf(h);
    if (size <= 0) return 0;
    const std::size_t got = s.Input.ReadAt(s.Position, buffer, static_cast<std::size_t>(size));
    s.Position += got;
    return static_cast<tmsize_t>(got);
} catch (...) {
    return -1;
}
tmsize_t TIFFWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t TIFFSeek(thandle_t h, toff_t offset, int whence) {
    LibrarySource& s = SourceOf(h);
    const std::uint64_t base = whence == SEEK_CUR ? s.Position : whence == SEEK_END ? s.Input.Size() : 0;
    const std::uint64_t target = base + offset;
    if (target > s.Input.Size()) return static_cast<toff_t>(-1);
    s.Position = target;
    return target;
}
int TIFFCloseSource(thandle_t) { return 0; }
toff_t TIFFSize(thandle_t h) { return SourceOf(h).Input.Size(); }
int TIFFMap(thandle_t, void**, toff_t*) { return 0; }
void TIFFUnmap(thandle_t, void*, toff_t) {}
// The reader reports the failures; a probe only gives up.
int TIFFQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TIFFOptionsDeleter {
    void operator()(TIFFOpenOptions* o) const noexcept { TIFFOpenOptionsFree(o); }
};

// The layouts the TIFF reader converts itself, a band at a time; the others
// go through libtiff's RGBA raster of the whole picture.
bool ReadBandByBand(TIFF* tif, std::uint16_t bits, std::uint16_t samples) {
    std::uint16_t format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    std::uint16_t photometric = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    if (format != SAMPLEFORMAT_UINT || (planar != PLANARCONFIG_CONTIG && samples > 1)) return false;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return false;
    if (TIFFIsTiled(tif) && bits < 8) return false;
    switch (photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            return samples >= 1;
        case PHOTOMETRIC_RGB:
            return samples >= 3;
        case PHOTOMETRIC_PALETTE:
            return bits <= 8;
        case PHOTOMETRIC_YCBCR:
            // As the reader asks, so that the strip size is that of RGB.
            return compression == COMPRESSION_JPEG && bits == 8 && samples >= 3 &&
                   TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) == 1;
        default:
            return false;
    }
}

// The first directory; the strip and tile offsets are not loaded (mode
// "O"), nor any strip read.
std::optional<TPictureHeader> ProbeTIFF(ProbeInput& input) {
    const std::unique_ptr<TIFFOpenOptions, TIFFOptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) return std::nullopt;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxProbeBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), TIFFQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), TIFFQuiet, nullptr);
    LibrarySource source{input};
    // Opened as the reader opens it: libtiff's repairs of a damaged
    // directory (strip offsets ignored, byte counts guessed) then agree with
    // what the reader will see. The strip arrays it loads are bounded above.
    const tiffio::TIFFPtr tif(TIFFClientOpenExt("probe", "rm", &source, TIFFRead, TIFFWrite, TIFFSeek,
                                                TIFFCloseSource, TIFFSize, TIFFMap, TIFFUnmap,
                                                options.get()));
    if (!tif) return std::nullopt;
    TIFF* t = tif.get();
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 1, samples = 1, photometric = 0xFFFF, extraCount = 0;
    const std::uint16_t* extra = nullptr;
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height) ||
        width == 0 || height == 0)
        return std::nullopt;
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);

    TPictureHeader header;
    header.Width = width;
    header.Height = height;
    header.BitsPerPixel = samples * bits;
    const int colours = photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_YCBCR ? 3 : 1;
    header.Alpha = extraCount > 0 && extra && samples > colours &&
                   (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);

    // One strip, or one tile and the band of rows it is copied into, of
    // samples at the file's depth; for compressed data the strip's bytes as
    // stored too; and libtiff's raster for the layouts it converts.
    const bool banded = ReadBandByBand(t, bits, samples);
    const std::uint64_t rowBytes = (std::uint64_t{width} * samples * bits + 7) / 8;
    std::uint64_t buffers = 0;
    if (TIFFIsTiled(t)) {
        std::uint32_t tileHeight = 0;
        TIFFGetField(t, TIFFTAG_TILELENGTH, &tileHeight);
        buffers = TIFFTileSize64(t) + rowBytes * std::min(tileHeight, height);
    } else {
        buffers = TIFFStripSize64(t);
    }
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_NONE) buffers += std::min(buffers, input.Size());
    if (!banded) buffers += 4 * PixelsOf(header);
    header.DecoderBytes = buffers;
    return header;
}

// ---- HEIF and AVIF ----

// libheif's C frames: nothing may throw through them. libheif asks first
// whether the bytes it is to read are there, and takes a failed read for
// its own fault (an assertion): a read that fails all the same (an I/O
// error, a file cut meanwhile) gives zeros, which it finds damaged.
std::int64_t HEIFPosition(void* user) { return static_cast<std::int64_t>(SourceOf(user).Position); }
int HEIFRead(void* data, std::size_t size, void* user) {
    LibrarySource& s = SourceOf(user);
    if (size == 0) return 0;
    std::size_t got = 0;
    try {
        got = s.Input.ReadAt(s.Position, data, size);
    } catch (...) {
    }
    std::memset(static_cast<std::uint8_t*>(data) + got, 0, size - got);
    s.Position += size;
    return 0;
}
int HEIFSeek(std::int64_t position, void* user) {
    LibrarySource& s = SourceOf(user);
    if (position < 0 || static_cast<std::uint64_t>(position) > s.Input.Size()) return 1;
    s.Position = static_cast<std::uint64_t>(position);
    return 0;
}
// Past the budget counts as past the end: any read ending at `target` then
// stays within it.
heif_reader_grow_status HEIFWaitForSize(std::int64_t target, void* user) {
    const ProbeInput& input = SourceOf(user).Input;
    const bool there = target >= 0 && static_cast<std::uint64_t>(target) <= input.Size() &&
                       static_cast<std::uint64_t>(target) <= input.Remaining();
    return there ? heif_reader_grow_status_size_reached : heif_reader_grow_status_size_beyond_eof;
}

const heif_reader kHEIFReader = {1, HEIFPosition, HEIFRead, HEIFSeek, HEIFWaitForSize};

// The box tree: the primary image's size (after the container's turns) and
// whether it has alpha; nothing is decoded. libheif reads the primary
// image's coded data with the boxes: the file may be read once whole.
std::optional<TPictureHeader> ProbeHEIF(ProbeInput& input) {
    input.AllowMore(input.Size());
    heifio::EnsureInitialised();
    const heifio::Ptr<heif_context> ctx(heif_context_alloc());
    if (!ctx) return std::nullopt;
    // libheif's own limit would refuse a large declared size in its words;
    // the estimate refuses it naming the file.
    heif_context_set_maximum_image_size_limit(ctx.get(), std::numeric_limits<int>::max());
    LibrarySource source{input};
    if (heif_context_read_from_reader(ctx.get(), &kHEIFReader, &source, nullptr).code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok)
        return std::nullopt;
    const heifio::Ptr<heif_image_handle> handle(rawHandle);
    TPictureHeader header;
    header.Width = heif_image_handle_get_width(handle.get());
    header.Height = heif_image_handle_get_height(handle.get());
    if (header.Width <= 0 || header.Height <= 0) return std::nullopt;
    header.Alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int luma = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    const int channels = header.Alpha ? 4 : 3;
    header.BitsPerPixel = channels * (luma > 0 ? luma : 8);
    // The codec's planes and libheif's copy of them (taken as 4:4:4, with
    // an unknown depth as more than 8 bits), then the conversion to
    // interleaved samples (through 16-bit ones from a deeper picture) and 8-bit ones.
    const std::uint64_t pixels = PixelsOf(header);
    const std::uint64_t sampleBytes = luma > 0 && luma <= 8 ? 1 : 2;
    const std::uint64_t planes = channels * sampleBytes * pixels;
    const std::uint64_t converted = planes + (sampleBytes == 2 ? channels * 2 * pixels : 0) +
                                    static_cast<std::uint64_t>(channels) * pixels;
    header.DecoderBytes = std::max(2 * planes, converted);
    return header;
}

std::optional<TPictureHeader> Probe(ProbeInput& input, TImageFormatId format) {
    switch (format) {
        case TImageFormatId::Bitmap:
            return ProbeBitmap(input);
        case TImageFormatId::JPEG:
            return ProbeJPEG(input);
        case TImageFormatId::PNG:
            return ProbePNG(input);
        case TImageFormatId::TIFF:
            return ProbeTIFF(input);
        case TImageFormatId::WebP:
            return ProbeWebP(input);
        case TImageFormatId::GIF:
            return ProbeGIF(input);
        case TImageFormatId::HEIF:
        case TImageFormatId::AVIF:
            return ProbeHEIF(input);
        case TImageFormatId::None:
            break;
    }
    return std::nullopt;
}

std::optional<TPictureHeader> ProbeWithSize(ProbeInput& input, TImageFormatId format) {
    std::optional<TPictureHeader> header = Probe(input, format);
    if (header) header->FileSize = input.Size();
    return header;
}

}  // namespace

std::optional<TPictureHeader> ProbePictureFile(const std::string& path, TImageFormatId format) try {
    InputFile file(path);
    FileInput input(file);
    return ProbeWithSize(input, format);
} catch (const std::exception&) {
    return std::nullopt;
}

std::optional<TPictureHeader> ProbePictureBytes(std::span<const std::uint8_t> bytes,
                                                TImageFormatId format) try {
    MemoryInput input(bytes);
    return ProbeWithSize(input, format);
} catch (const std::exception&) {
    return std::nullopt;
}

std::optional<TPictureHeader> ProbeBitmapFile(const std::string& path) {
    return ProbePictureFile(path, TImageFormatId::Bitmap);
}

std::optional<TPictureHeader> ProbeJPEGFile(const std::string& path) {
    return ProbePictureFile(path, TImageFormatId::JPEG);
}

}  // namespace corvane
