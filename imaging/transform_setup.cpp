#include "imaging/transform_setup.h"

#include <cstring>

#include "imaging/errors.h"

namespace corvane {

void CheckSourceSize(const TBitmap& source) {
    if (source.Width() == 0 || source.Height() == 0) throw ERotateError::SizeError();
}

WorkingSource::WorkingSource(const TBitmap& source) : picture_(&source) {
    const TPixelFormat format = source.PixelFormat();
    const bool needsCopy = format == TPixelFormat::pfDevice || format == TPixelFormat::pf15bit ||
                           format == TPixelFormat::pf16bit || format == TPixelFormat::pf32bit;
    if (!needsCopy) return;
    copy_ = source.Clone();
    copy_->SetHandleType(THandleType::bmDIB);
    copy_->SetPixelFormat(TPixelFormat::pf24bit);
    picture_ = copy_.get();
}

void MakeDeviceIndependent(TBitmap& source) {
    if (source.HandleType() == THandleType::bmDDB) source.SetHandleType(THandleType::bmDIB);
}

bool IsTransformable(TPixelFormat format) {
    switch (format) {
        case TPixelFormat::pf1bit:
        case TPixelFormat::pf4bit:
        case TPixelFormat::pf8bit:
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit:
        case TPixelFormat::pf24bit:
        case TPixelFormat::pf32bit: return true;
        default: return false;
    }
}

void CheckTransformable(TPixelFormat format) {
    if (!IsTransformable(format)) throw ERotateError::IllegalBitmap();
}

std::vector<TPaletteEntry> ReadPalette(const TBitmap& picture) {
    std::vector<TPaletteEntry> entries = picture.Palette();
    if (entries.size() > kMaxPaletteEntries) entries.resize(kMaxPaletteEntries);
    return entries;
}

std::unique_ptr<TBitmap> NewResult(TPixelFormat format, int width, int height) {
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(format);
    result->SetSize(width, height, TBitmap::Fill::Uninitialized);
    return result;
}

void CopyAlpha(const TBitmap& source, TBitmap& result) {
    if (!source.HasAlpha()) return;
    result.AddAlpha();
    for (int y = 0; y < source.Height(); ++y)
        std::memcpy(result.AlphaLine(y), source.AlphaLine(y), static_cast<std::size_t>(source.Width()));
}

std::vector<const std::uint8_t*> RowTable(const TBitmap& picture) {
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y) rows[static_cast<std::size_t>(y)] = picture.ScanLine(y);
    return rows;
}

std::vector<std::uint8_t*> RowTable(TBitmap& picture) {
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y) rows[static_cast<std::size_t>(y)] = picture.ScanLine(y);
    return rows;
}

}  // namespace corvane
