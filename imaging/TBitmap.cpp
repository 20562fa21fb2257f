#include "imaging/TBitmap.h"

#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "imaging/errors.h"

namespace corvane {

int BitsPerPixel(TPixelFormat format) {
    switch (format) {
        case TPixelFormat::pf1bit: return 1;
        case TPixelFormat::pf4bit: return 4;
        case TPixelFormat::pf8bit: return 8;
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit: return 16;
        case TPixelFormat::pf24bit: return 24;
        // Device-dependent and custom pictures keep 32-bit pixels internally.
        case TPixelFormat::pf32bit:
        case TPixelFormat::pfDevice:
        case TPixelFormat::pfCustom: return 32;
    }
    return 32;
}

bool IsIndexed(TPixelFormat format) {
    return format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit ||
           format == TPixelFormat::pf8bit;
}

TBitFields DefaultBitFields(TPixelFormat format) {
    switch (format) {
        case TPixelFormat::pf15bit: return {0x7C00, 0x03E0, 0x001F};
        case TPixelFormat::pf16bit: return {0xF800, 0x07E0, 0x001F};
        default: return {0x00FF0000, 0x0000FF00, 0x000000FF};
    }
}

std::size_t TBitmap::RowStride(int width, TPixelFormat format) {
    const auto bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(BitsPerPixel(format));
    return (bits + 31) / 32 * 4;
}

std::unique_ptr<TBitmap> TBitmap::Clone() const {
    auto copy = std::make_unique<TBitmap>();
    copy->width_ = width_;
    copy->height_ = height_;
    copy->format_ = format_;
    copy->handleType_ = handleType_;
    copy->stride_ = stride_;
    copy->bits_ = PixelBuffer(ImageSize());
    if (ImageSize()) std::memcpy(copy->bits_.data(), bits_.data(), ImageSize());
    copy->palette_ = palette_;
    copy->alpha_ = alpha_;
    copy->hasAlpha_ = hasAlpha_;
    copy->bitFields_ = bitFields_;
    copy->topDown_ = topDown_;
    copy->coreHeader_ = coreHeader_;
    return copy;
}

TPixelFormat TBitmap::PixelFormat() const {
    return handleType_ == THandleType::bmDDB ? TPixelFormat::pfDevice : format_;
}

void TBitmap::SetSize(int width, int height, Fill fill) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::int64_t>(width) * height > kMaxPixels)
        throw EInvalidGraphic();
    const std::size_t stride = RowStride(width, format_);
    const std::size_t size = stride * static_cast<std::size_t>(height);
    PixelBuffer bits(size);
    if (size) {
        if (fill == Fill::Zero) {
            std::memset(bits.data(), 0, size);
        } else {
            // Padding reaches bitmap files, so it must not be left undefined.
            const std::size_t used = (static_cast<std::size_t>(width) * BitsPerPixel(format_) + 7) / 8;
            if (used < stride)
                for (int y = 0; y < height; ++y)
                    std::memset(bits.data() + static_cast<std::size_t>(y) * stride + used, 0, stride - used);
        }
    }
    bits_ = std::move(bits);
    width_ = width;
    height_ = height;
    stride_ = stride;
    DropAlpha();
}

void TBitmap::AddAlpha(std::uint8_t fill) {
    alpha_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
    hasAlpha_ = true;
}

void TBitmap::DropAlpha() {
    alpha_ = {};
    hasAlpha_ = false;
}

void TBitmap::SetTopDown(bool topDown) {
    if (topDown == topDown_) return;
    if (height_ > 1 && stride_) {
        std::vector<std::uint8_t> tmp(stride_);
        for (int a = 0, b = height_ - 1; a < b; ++a, --b) {
            std::uint8_t* ra = bits_.data() + static_cast<std::size_t>(a) * stride_;
            std::uint8_t* rb = bits_.data() + static_cast<std::size_t>(b) * stride_;
            std::memcpy(tmp.data(), ra, stride_);
            std::memcpy(ra, rb, stride_);
            std::memcpy(rb, tmp.data(), stride_);
        }
    }
    topDown_ = topDown;
}

void TBitmap::SetPalette(std::vector<TPaletteEntry> palette) {
    if (palette.size() > kMaxPaletteEntries) palette.resize(kMaxPaletteEntries);
    palette_ = std::move(palette);
}

void TBitmap::SetHandleType(THandleType type) {
    if (type == handleType_) return;
    if (type == THandleType::bmDIB) {
        // The internal device pixels are 32-bit BGRX.
        handleType_ = THandleType::bmDIB;
        format_ = TPixelFormat::pf32bit;
        bitFields_.reset();
        return;
    }
    if (format_ != TPixelFormat::pf32bit) {
        SetPixelFormat(TPixelFormat::pf24bit);
        TBitmap device;
        device.format_ = TPixelFormat::pf32bit;
        device.topDown_ = topDown_;
        device.SetSize(width_, height_, Fill::Uninitialized);
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* s = ScanLine(y);
            std::uint8_t* d = device.ScanLine(y);
            for (int x = 0; x < width_; ++x, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 0;
            }
        }
        bits_ = std::move(device.bits_);
        stride_ = device.stride_;
    }
    format_ = TPixelFormat::pf32bit;
    bitFields_.reset();
    palette_.clear();
    handleType_ = THandleType::bmDDB;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (handleType_ == THandleType::bmDDB) SetHandleType(THandleType::bmDIB);
    if (format == format_) return;
    if (Empty()) {
        format_ = format;
        stride_ = RowStride(width_, format_);
        bits_ = PixelBuffer(ImageSize());
        if (ImageSize()) std::memset(bits_.data(), 0, ImageSize());
        return;
    }
    if (format != TPixelFormat::pf24bit) throw EInvalidGraphic();
    ConvertTo24();
}

namespace {

// One colour channel of a bit-field pixel scaled to 0 .. 255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (!max) return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (max == 255) return static_cast<std::uint8_t>(v);
        // A mask that is not one contiguous run still scales into range.
        return static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
    }
};

// Palette entry i as a 24-bit pixel (blue, green, red); indices past the
// palette's end show black.
using PaletteBGR = std::array<std::array<std::uint8_t, 3>, kMaxPaletteEntries>;

PaletteBGR ToBGR(const std::vector<TPaletteEntry>& palette) {
    PaletteBGR bgr{};
    for (std::size_t i = 0; i < palette.size() && i < bgr.size(); ++i)
        bgr[i] = {palette[i].peBlue, palette[i].peGreen, palette[i].peRed};
    return bgr;
}

// Pixel x of an indexed row, leftmost pixel in the high bits of a byte.
template <int Bits>
unsigned IndexAt(const std::uint8_t* row, int x) {
    if constexpr (Bits == 8)
        return row[x];
    else if constexpr (Bits == 4)
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    else
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

template <int Bits>
void IndexedTo24(const TBitmap& in, TBitmap& out, const PaletteBGR& palette) {
    for (int y = 0; y < in.Height(); ++y) {
        const std::uint8_t* s = in.ScanLine(y);
        std::uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < in.Width(); ++x, d += 3) {
            const auto& e = palette[IndexAt<Bits>(s, x)];
            d[0] = e[0];
            d[1] = e[1];
            d[2] = e[2];
        }
    }
}

// Bit-field pixels of two or four little-endian bytes.
template <int Bytes>
void MaskedTo24(const TBitmap& in, TBitmap& out, const TBitFields& masks) {
    const Channel r(masks.Red), g(masks.Green), b(masks.Blue);
    for (int y = 0; y < in.Height(); ++y) {
        const std::uint8_t* s = in.ScanLine(y);
        std::uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < in.Width(); ++x, s += Bytes, d += 3) {
            std::uint32_t p = static_cast<std::uint32_t>(s[0]) | static_cast<std::uint32_t>(s[1]) << 8;
            if constexpr (Bytes == 4)
                p |= static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
            d[0] = b(p);
            d[1] = g(p);
            d[2] = r(p);
        }
    }
}

}  // namespace

void TBitmap::ConvertTo24() {
    TBitmap out;
    out.format_ = TPixelFormat::pf24bit;
    out.topDown_ = topDown_;
    out.SetSize(width_, height_, Fill::Uninitialized);

    // The loop for the stored depth is chosen here, once per picture.
    const TBitFields masks = bitFields_.value_or(DefaultBitFields(format_));
    switch (format_) {
        case TPixelFormat::pf1bit:
            IndexedTo24<1>(*this, out, ToBGR(palette_));
            break;
        case TPixelFormat::pf4bit:
            IndexedTo24<4>(*this, out, ToBGR(palette_));
            break;
        case TPixelFormat::pf8bit:
            IndexedTo24<8>(*this, out, ToBGR(palette_));
            break;
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit:
            MaskedTo24<2>(*this, out, masks);
            break;
        case TPixelFormat::pf32bit:
            MaskedTo24<4>(*this, out, masks);
            break;
        default:
            throw EInvalidGraphic();
    }

    bits_ = std::move(out.bits_);
    stride_ = out.stride_;
    format_ = TPixelFormat::pf24bit;
    palette_.clear();
    bitFields_.reset();
}

}  // namespace corvane
