#include "imagefiles/picture_probe.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>

#include "imagefiles/bmp_format.h"
#include "imagefiles/file_io.h"
#include "imagefiles/jpeg_limits.h"
#include "imaging/errors.h"

namespace corvane {

static_assert(kMaxJPEGLibrarySide == JPEG_MAX_DIMENSION);

namespace {

// Sequential reads through a small buffer; a read past the end is nullopt.
class HeaderReader {
public:
    explicit HeaderReader(InputFile& file) : file_(file) {}

    std::optional<std::uint8_t> Byte() {
        if (pos_ == end_) {
            // The markers before a JPEG frame header are at most a few
            // hundred kilobytes; a file that goes on longer is not probed.
            if (consumed_ > kMaxScanned) return std::nullopt;
            end_ = file_.Read(buffer_, sizeof buffer_);
            consumed_ += end_;
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
    bool Skip(std::size_t n) {
        while (n > 0) {
            if (pos_ == end_) {
                if (!Byte()) return false;
                --n;
                continue;
            }
            const std::size_t step = std::min(n, end_ - pos_);
            pos_ += step;
            n -= step;
        }
        return true;
    }

private:
    static constexpr std::uint64_t kMaxScanned = 16u << 20;
    InputFile& file_;
    std::uint8_t buffer_[4096];
    std::size_t pos_ = 0, end_ = 0;
    std::uint64_t consumed_ = 0;
};

std::uint16_t BigU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

bool IsFrameMarker(std::uint8_t m) {
    // SOF0 .. SOF15 less DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

}  // namespace

std::optional<TPictureHeader> ProbeBitmapFile(const std::string& path) try {
    InputFile file(path);
    TPictureHeader header;
    header.FileSize = file.Size();
    if (file.Size() == 0) return header;
    std::uint8_t h[bmp::kFileHeaderSize + 16] = {};
    if (file.Read(h, sizeof h) < bmp::kFileHeaderSize + 4) return std::nullopt;
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
} catch (const ECorvaneError&) {
    return std::nullopt;
}

std::optional<TPictureHeader> ProbeJPEGFile(const std::string& path) try {
    InputFile file(path);
    HeaderReader in(file);
    std::uint8_t soi[2];
    if (!in.Read(soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return std::nullopt;
    for (;;) {
        // Markers may be preceded by any number of 0xFF fill bytes.
        auto b = in.Byte();
        while (b && *b != 0xFF) b = in.Byte();
        while (b && *b == 0xFF) b = in.Byte();
        if (!b) return std::nullopt;
        const std::uint8_t marker = *b;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;           // no frame before the data
        std::uint8_t length[2];
        if (!in.Read(length, 2) || BigU16(length) < 2) return std::nullopt;
        if (!IsFrameMarker(marker)) {
            if (!in.Skip(BigU16(length) - 2u)) return std::nullopt;
            continue;
        }
        std::uint8_t frame[6];  // precision, height, width, components
        if (!in.Read(frame, sizeof frame)) return std::nullopt;
        TPictureHeader header;
        header.Height = BigU16(frame + 1);
        header.Width = BigU16(frame + 3);
        header.BitsPerPixel = 8 * frame[5];
        header.Progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        header.FileSize = file.Size();
        // A height of 0 is given later (DNL); the decoder will find it.
        if (header.Height == 0) return std::nullopt;
        return header;
    }
} catch (const ECorvaneError&) {
    return std::nullopt;
}

}  // namespace corvane
