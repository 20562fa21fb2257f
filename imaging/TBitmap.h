// The working bitmap: an in-memory raster picture with a pixel format, an
// optional palette, an optional alpha plane and rows addressed with row 0 at
// the top. It also keeps what the bitmap file layer needs to write a picture
// back as it was read (bit-field masks, row order, core header).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/pixel_buffer.h"

namespace corvane {

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Device-dependent pictures have no accessible rows until they are made
// device-independent; here they hold 32-bit BGRX pixels internally.
enum class THandleType { bmDIB, bmDDB };

struct TPaletteEntry {
    std::uint8_t peRed;
    std::uint8_t peGreen;
    std::uint8_t peBlue;
    std::uint8_t peFlags;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

inline constexpr int kMaxPaletteEntries = 256;

// Red, green and blue masks of a bit-field picture (16 or 32 bits per pixel).
struct TBitFields {
    std::uint32_t Red;
    std::uint32_t Green;
    std::uint32_t Blue;
    friend bool operator==(const TBitFields&, const TBitFields&) = default;
};

// Limits on any picture the program creates. A few header bytes can declare
// any size; these keep that from turning into an unbounded allocation.
inline constexpr std::int64_t kMaxSide = 65535;
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

// Bits per pixel as stored in a row (15-bit pixels take 16 bits).
int BitsPerPixel(TPixelFormat format);
bool IsIndexed(TPixelFormat format);

class TBitmap {
public:
    enum class Fill { Zero, Uninitialized };

    TBitmap() = default;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    TBitmap(TBitmap&&) noexcept = default;
    TBitmap& operator=(TBitmap&&) noexcept = default;
    ~TBitmap() = default;

    // Deep copy: pixels, alpha, palette, masks and file-layer attributes.
    std::unique_ptr<TBitmap> Clone() const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // pfDevice while the picture is device-dependent.
    TPixelFormat PixelFormat() const;
    // On an empty picture only records the format. Otherwise converts the
    // pixels: any format to 24-bit (indexed through the palette, 15/16/32-bit
    // through their masks); converting to the format already held does nothing.
    void SetPixelFormat(TPixelFormat format);

    THandleType HandleType() const { return handleType_; }
    // bmDDB -> bmDIB gives a 32-bit picture with the same appearance;
    // bmDIB -> bmDDB converts to 24-bit first, then keeps the pixels internally.
    void SetHandleType(THandleType type);

    // New pixel storage of the current format; the old pixels and any alpha
    // plane are dropped.
    // Throws EInvalidGraphic beyond kMaxSide / kMaxPixels or for negative sizes.
    // With Fill::Uninitialized only the row padding is zeroed: for callers
    // that write every pixel.
    void SetSize(int width, int height, Fill fill = Fill::Zero);

    // Row y, 0 at the top, whatever the storage order.
    std::uint8_t* ScanLine(int y) {
        return bits_.data() + static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * stride_;
    }
    const std::uint8_t* ScanLine(int y) const {
        return bits_.data() + static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * stride_;
    }
    // Bytes per stored row, padded to a multiple of 4 as in a bitmap file.
    std::size_t Stride() const { return stride_; }
    static std::size_t RowStride(int width, TPixelFormat format);
    // The rows as stored (bottom-up unless TopDown()), Stride() * Height() bytes.
    std::uint8_t* Bits() { return bits_.data(); }
    const std::uint8_t* Bits() const { return bits_.data(); }
    std::size_t ImageSize() const { return stride_ * static_cast<std::size_t>(height_); }

    bool TopDown() const { return topDown_; }
    // Changes the storage order, moving rows so the picture stays the same.
    void SetTopDown(bool topDown);

    const std::vector<TPaletteEntry>& Palette() const { return palette_; }
    void SetPalette(std::vector<TPaletteEntry> palette);  // at most 256 entries

    const std::optional<TBitFields>& BitFields() const { return bitFields_; }
    void SetBitFields(std::optional<TBitFields> masks) { bitFields_ = masks; }

    // Transparency beside the pixels, whatever their format: one byte per
    // pixel (0 transparent, 255 opaque), rows top first and Width() bytes
    // apart in either storage order. A picture without the plane is opaque.
    // Pixel-format changes keep it; SetSize drops it.
    bool HasAlpha() const { return hasAlpha_; }
    // Adds the plane with every pixel `fill` (replacing one already there).
    void AddAlpha(std::uint8_t fill = 255);
    void DropAlpha();
    std::uint8_t* AlphaLine(int y) { return alpha_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint8_t* AlphaLine(int y) const {
        return alpha_.data() + static_cast<std::size_t>(y) * width_;
    }

    // The picture came from a file with the 12-byte core header.
    bool CoreHeader() const { return coreHeader_; }
    void SetCoreHeader(bool core) { coreHeader_ = core; }

private:
    void ConvertTo24();

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    THandleType handleType_ = THandleType::bmDIB;
    std::size_t stride_ = 0;
    PixelBuffer bits_;
    std::vector<TPaletteEntry> palette_;
    std::vector<std::uint8_t> alpha_;
    bool hasAlpha_ = false;
    std::optional<TBitFields> bitFields_;
    bool topDown_ = false;
    bool coreHeader_ = false;
};

// Default masks of the 15-, 16- and 32-bit formats when a file gives none.
TBitFields DefaultBitFields(TPixelFormat format);

}  // namespace corvane
