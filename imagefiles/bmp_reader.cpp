#include "imagefiles/bmp_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "imagefiles/bmp_format.h"
#include "imagefiles/file_io.h"
#include "imagefiles/metadata/icc_profile.h"
#include "imagefiles/metadata/metadata_limits.h"
#include "imagefiles/metadata/metadata_warnings.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

// Where the bytes of a bitmap file come from: a file on disk, read straight
// into their destination, or bytes already in memory. Reads never go past
// Size(), so a header that asks for more simply gets less.
class ByteSource {
public:
    explicit ByteSource(std::uint64_t size) : size_(size) {}
    virtual ~ByteSource() = default;

    std::uint64_t Size() const { return size_; }
    std::uint64_t Position() const { return pos_; }
    std::uint64_t Remaining() const { return size_ - pos_; }

    // Up to n bytes; fewer only at the end of the data.
    std::size_t ReadSome(void* dst, std::size_t n) {
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, Remaining()));
        if (n == 0) return 0;
        const std::size_t got = DoRead(dst, n);
        pos_ += got;
        if (got < n) size_ = pos_;  // the file shrank since it was opened
        return got;
    }
    void ReadExact(void* dst, std::size_t n) {
        if (ReadSome(dst, n) != n) throw EReadError();
    }
    void Skip(std::uint64_t n) {
        n = std::min(n, Remaining());
        const std::uint64_t got = DoSkip(n);
        pos_ += got;
        if (got < n) size_ = pos_;
    }

protected:
    virtual std::size_t DoRead(void* dst, std::size_t n) = 0;
    virtual std::uint64_t DoSkip(std::uint64_t n) = 0;

private:
    std::uint64_t size_;
    std::uint64_t pos_ = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : ByteSource(bytes.size()), bytes_(bytes) {}

private:
    std::size_t DoRead(void* dst, std::size_t n) override {
        std::memcpy(dst, bytes_.data() + Position(), n);
        return n;
    }
    std::uint64_t DoSkip(std::uint64_t n) override { return n; }

    std::span<const std::uint8_t> bytes_;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(InputFile& file) : ByteSource(file.Size()), file_(file) {}

private:
    std::size_t DoRead(void* dst, std::size_t n) override { return file_.Read(dst, n); }
    std::uint64_t DoSkip(std::uint64_t n) override {
        std::vector<std::uint8_t> scratch(
            static_cast<std::size_t>(std::min<std::uint64_t>(n, bmp::kSkipChunk)));
        std::uint64_t done = 0;
        while (done < n) {
            const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, scratch.size()));
            const std::size_t got = file_.Read(scratch.data(), chunk);
            done += got;
            if (got < chunk) break;
        }
        return done;
    }

    InputFile& file_;
};

// Everything the headers say, before anything is allocated for the picture.
struct BitmapInfo {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    bool core = false;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top-down
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = bmp::kRgb;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
    TBitFields headerMasks{};  // only meaningful in headers of 52 bytes or more
    // An embedded profile (V5 headers): where it starts in the file, and its size.
    bool profileEmbedded = false;
    std::uint64_t profileAt = 0;
    std::uint32_t profileSize = 0;

    bool BitFields() const { return compression == bmp::kBitFields || compression == bmp::kAlphaBitFields; }
    bool Rle() const { return compression == bmp::kRle8 || compression == bmp::kRle4; }
};

void ReadFileHeader(ByteSource& src, BitmapInfo& info) {
    std::uint8_t h[bmp::kFileHeaderSize];
    src.ReadExact(h, sizeof h);
    if (h[0] != bmp::kSignature[0] || h[1] != bmp::kSignature[1]) throw EInvalidGraphic();
    info.pixelOffset = bmp::GetU32(h + 10);
}

// A header cut short by the end of the file is not a failure by itself: the
// fields the file does not reach read as zero.
void ReadInfoHeader(ByteSource& src, BitmapInfo& info) {
    std::uint8_t h[bmp::kLongestKnownHeaderSize] = {};
    src.ReadSome(h, 4);
    info.headerSize = bmp::GetU32(h);
    if (info.headerSize == bmp::kCoreHeaderSize) {
        src.ReadSome(h + 4, 8);
        info.core = true;
        info.width = bmp::GetU16(h + 4);
        info.height = bmp::GetU16(h + 6);
        info.planes = bmp::GetU16(h + 8);
        info.bitCount = bmp::GetU16(h + 10);
        return;
    }
    const std::uint32_t known = std::min(info.headerSize, bmp::kLongestKnownHeaderSize);
    if (known > 4) src.ReadSome(h + 4, known - 4);
    if (info.headerSize > known) src.Skip(info.headerSize - known);
    info.width = static_cast<std::int32_t>(bmp::GetU32(h + 4));
    info.height = static_cast<std::int32_t>(bmp::GetU32(h + 8));
    info.planes = bmp::GetU16(h + 12);
    info.bitCount = bmp::GetU16(h + 14);
    info.compression = bmp::GetU32(h + 16);
    info.imageSize = bmp::GetU32(h + 20);
    info.coloursUsed = bmp::GetU32(h + 32);
    info.headerMasks = {bmp::GetU32(h + 40), bmp::GetU32(h + 44), bmp::GetU32(h + 48)};
    if (info.headerSize >= bmp::kV5HeaderSize && bmp::GetU32(h + bmp::kV5CsTypeAt) == bmp::kProfileEmbedded) {
        info.profileEmbedded = true;
        info.profileAt = bmp::kFileHeaderSize + std::uint64_t{bmp::GetU32(h + bmp::kV5ProfileDataAt)};
        info.profileSize = bmp::GetU32(h + bmp::kV5ProfileSizeAt);
    }
}

// Reads the embedded profile when the source stands at or before it; the
// reader only moves forward, so a profile placed over the parts already
// read is refused. Nothing here fails the picture.
class ProfileReader {
public:
    ProfileReader(const BitmapInfo& info, TImageMetadata* metadata)
        : info_(info), metadata_(info.profileEmbedded ? metadata : nullptr) {}

    bool Pending() const { return metadata_ && !done_; }
    // The profile ends at or before `limit` and has not been passed.
    bool FitsBefore(const ByteSource& src, std::uint64_t limit) const {
        return Pending() && info_.profileAt >= src.Position() && info_.profileAt + info_.profileSize <= limit;
    }

    void Read(ByteSource& src) {
        if (!Pending()) return;
        done_ = true;
        if (info_.profileAt < src.Position()) return Warn("位置が不正です");
        if (info_.profileSize > kMaxIccProfileBytes) return Warn("大きすぎます");
        if (info_.profileAt + info_.profileSize > src.Size()) return Warn("途中で切れています");
        src.Skip(info_.profileAt - src.Position());
        std::vector<std::uint8_t> profile(info_.profileSize);
        if (src.ReadSome(profile.data(), profile.size()) != profile.size()) return Warn("途中で切れています");
        const std::string problem = IccProfileProblem(profile);
        if (!problem.empty()) return Warn(problem);
        profile.resize(IccDeclaredSize(profile));
        metadata_->IccProfile = std::move(profile);
    }
    // A profile never reached.
    void Finish() {
        if (Pending()) Warn("位置が不正です");
        done_ = true;
    }

private:
    void Warn(const std::string& why) { metadata_->Warnings.push_back(IccDroppedWarning(why)); }

    const BitmapInfo& info_;
    TImageMetadata* metadata_;
    bool done_ = false;
};

// The cheap checks that decide whether the picture can exist at all.
TPixelFormat ValidateInfo(const BitmapInfo& info) {
    if (info.planes != 1) throw EInvalidGraphic();
    if (info.width < 0) throw EInvalidGraphic();
    const std::int64_t height = info.height < 0 ? -info.height : info.height;
    if (info.width > bmp::kMaxSide || height > bmp::kMaxSide || info.width * height > bmp::kMaxPixels)
        throw EInvalidGraphic();

    switch (info.compression) {
        case bmp::kRgb:
            break;
        case bmp::kRle8:
            if (info.bitCount != 8) throw EInvalidGraphic();
            break;
        case bmp::kRle4:
            if (info.bitCount != 4) throw EInvalidGraphic();
            break;
        case bmp::kBitFields:
        case bmp::kAlphaBitFields:
            if (info.bitCount != 16 && info.bitCount != 32) throw EInvalidGraphic();
            break;
        default:
            throw EInvalidGraphic();  // JPEG, PNG and the OS/2-only codes
    }
    // Run-length rows always run bottom-up; the format has no top-down variant.
    if (info.Rle() && info.height < 0) throw EInvalidGraphic();

    switch (info.bitCount) {
        case 1:
            return TPixelFormat::pf1bit;
        case 4:
            return TPixelFormat::pf4bit;
        case 8:
            return TPixelFormat::pf8bit;
        // Without masks 16-bit pixels are 5-5-5; any masks make a 16-bit
        // picture that keeps them.
        case 16:
            return info.BitFields() ? TPixelFormat::pf16bit : TPixelFormat::pf15bit;
        case 24:
            return TPixelFormat::pf24bit;
        case 32:
            return TPixelFormat::pf32bit;
        default:
            throw EInvalidGraphic();
    }
}

std::optional<TBitFields> ReadMasks(ByteSource& src, const BitmapInfo& info) {
    if (!info.BitFields()) return std::nullopt;
    if (info.headerSize >= bmp::kHeaderWithMasksSize) return info.headerMasks;
    std::uint8_t m[16];
    const std::size_t n = info.compression == bmp::kAlphaBitFields ? 16 : 12;
    src.ReadExact(m, n);
    return TBitFields{bmp::GetU32(m), bmp::GetU32(m + 4), bmp::GetU32(m + 8)};
}

std::vector<TPaletteEntry> ReadColourTable(ByteSource& src, const BitmapInfo& info) {
    const std::uint64_t entrySize = info.core ? 3 : 4;
    std::uint64_t count = info.coloursUsed;
    if (count == 0) {
        count = info.bitCount <= 8 ? std::uint64_t{1} << info.bitCount : 0;
        // Some writers leave out the unused end of an implied full table; the
        // pixel offset then shows where the table really ends.
        const std::uint64_t pos = src.Position();
        if (info.pixelOffset > pos && info.pixelOffset < pos + count * entrySize)
            count = (info.pixelOffset - pos) / entrySize;
    }
    if (count * entrySize > src.Remaining()) throw EReadError();

    const std::uint64_t kept = std::min<std::uint64_t>(count, bmp::kMaxPaletteEntries);
    std::uint8_t raw[bmp::kMaxPaletteEntries * 4];
    src.ReadExact(raw, static_cast<std::size_t>(kept * entrySize));
    src.Skip((count - kept) * entrySize);

    std::vector<TPaletteEntry> palette(static_cast<std::size_t>(kept));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::uint8_t* e = raw + i * entrySize;
        palette[i] = {e[2], e[1], e[0], static_cast<std::uint8_t>(info.core ? 0 : e[3])};
    }
    return palette;
}

// Runs and deltas that leave the picture are clipped; pixels the stream does
// not reach stay index 0. Rows are bottom-up, as in the stored picture.
template <int kBits>
void ExpandRle(std::span<const std::uint8_t> in, TBitmap& picture) {
    static_assert(kBits == 8 || kBits == 4);
    const std::int64_t width = picture.Width();
    const std::int64_t height = picture.Height();
    const std::size_t stride = picture.Stride();
    std::uint8_t* const bits = picture.Bits();
    std::int64_t x = 0;
    std::int64_t y = 0;

    auto put = [&](std::int64_t px, unsigned index) {
        std::uint8_t* row = bits + static_cast<std::size_t>(y) * stride;
        if constexpr (kBits == 8) {
            row[px] = static_cast<std::uint8_t>(index);
        } else {
            std::uint8_t& b = row[px >> 1];
            b = (px & 1) ? static_cast<std::uint8_t>((b & 0xF0) | index)
                         : static_cast<std::uint8_t>((b & 0x0F) | index << 4);
        }
    };

    std::size_t i = 0;
    while (y < height && i + 1 < in.size()) {
        const unsigned count = in[i];
        const unsigned value = in[i + 1];
        i += 2;
        if (count > 0) {
            const std::int64_t end = std::min(x + count, width);
            for (std::int64_t px = x; px < end; ++px) {
                if constexpr (kBits == 8)
                    put(px, value);
                else
                    put(px, ((px - x) & 1) ? value & 0x0F : value >> 4);
            }
            x += count;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:
                return;  // end of bitmap
            case 2:      // delta
                if (i + 1 >= in.size()) return;
                x += in[i];
                y += in[i + 1];
                i += 2;
                break;
            default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
                const std::size_t bytes = kBits == 8 ? value : (value + 1) / 2;
                const std::size_t avail = std::min(bytes, in.size() - i);
                const std::int64_t pixels = std::min<std::int64_t>(value, kBits == 8 ? avail : 2 * avail);
                const std::int64_t end = std::min(x + pixels, width);
                for (std::int64_t px = x; px < end; ++px) {
                    const std::int64_t k = px - x;
                    if constexpr (kBits == 8)
                        put(px, in[i + k]);
                    else
                        put(px, (k & 1) ? in[i + k / 2] & 0x0F : in[i + k / 2] >> 4);
                }
                x += value;
                i += (bytes + 1) & ~std::size_t{1};
                break;
            }
        }
    }
}

std::unique_ptr<TBitmap> DecodePixels(ByteSource& src, const BitmapInfo& info, ProfileReader& profile);

std::unique_ptr<TBitmap> Decode(ByteSource& src, TImageMetadata* metadata) {
    if (metadata) *metadata = {};
    if (src.Size() == 0) return std::make_unique<TBitmap>();
    BitmapInfo info;
    ReadFileHeader(src, info);
    ReadInfoHeader(src, info);
    ProfileReader profile(info, metadata);
    auto picture = DecodePixels(src, info, profile);
    profile.Read(src);
    profile.Finish();
    return picture;
}

std::unique_ptr<TBitmap> DecodePixels(ByteSource& src, const BitmapInfo& info, ProfileReader& profile) {
    auto picture = std::make_unique<TBitmap>();

    const TPixelFormat format = ValidateInfo(info);
    const std::optional<TBitFields> masks = ReadMasks(src, info);
    std::vector<TPaletteEntry> palette = ReadColourTable(src, info);
    // The pixels may start after a gap, which may hold the profile; an offset
    // that points back into the parts already read or past the end is not
    // to be trusted.
    if (profile.FitsBefore(src, info.pixelOffset)) profile.Read(src);
    if (info.pixelOffset > src.Position() && info.pixelOffset <= src.Size())
        src.Skip(info.pixelOffset - src.Position());

    picture->SetPixelFormat(format);
    picture->SetTopDown(info.height < 0);
    picture->SetBitFields(masks);
    picture->SetCoreHeader(info.core);
    picture->SetPalette(std::move(palette));
    const int width = static_cast<int>(info.width);
    const int height = static_cast<int>(info.height < 0 ? -info.height : info.height);

    if (info.Rle()) {
        picture->SetSize(width, height, TBitmap::Fill::Zero);
        const std::uint64_t declared = info.imageSize ? info.imageSize : src.Remaining();
        std::vector<std::uint8_t> data(static_cast<std::size_t>(std::min(declared, src.Remaining())));
        data.resize(src.ReadSome(data.data(), data.size()));
        if (info.compression == bmp::kRle8)
            ExpandRle<8>(data, *picture);
        else
            ExpandRle<4>(data, *picture);
        return picture;
    }

    picture->SetSize(width, height, TBitmap::Fill::Uninitialized);
    const std::uint64_t size = picture->ImageSize();
    if (size == 0) return picture;
    const std::uint64_t declared = info.imageSize ? info.imageSize : size;
    const auto wanted = static_cast<std::size_t>(std::min({declared, size, src.Remaining()}));
    const std::size_t got = src.ReadSome(picture->Bits(), wanted);
    std::memset(picture->Bits() + got, 0, static_cast<std::size_t>(size) - got);
    return picture;
}

}  // namespace

std::unique_ptr<TBitmap> ReadBitmapFile(const std::string& path, TImageMetadata* metadata) {
    InputFile file(path);
    FileSource src(file);
    return Decode(src, metadata);
}

std::unique_ptr<TBitmap> ReadBitmapFromMemory(std::span<const std::uint8_t> bytes, TImageMetadata* metadata) {
    MemorySource src(bytes);
    return Decode(src, metadata);
}

}  // namespace corvane
