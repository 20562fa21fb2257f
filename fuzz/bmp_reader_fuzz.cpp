// The bitmap reader on arbitrary bytes; whatever it reads must write out and
// read back as the same picture, and convert to 24 bits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imagefiles/bmp_reader.h"
#include "imagefiles/bmp_writer.h"
#include "imaging/errors.h"

// Bigger pictures only spend the time on filling pixels, not on parsing.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 18;

static std::int64_t DeclaredPixels(const std::uint8_t* data, std::size_t size) {
    std::uint8_t h[26] = {};
    std::memcpy(h, data, size < sizeof h ? size : sizeof h);
    auto u16 = [&](int i) { return static_cast<std::uint32_t>(h[i] | h[i + 1] << 8); };
    auto s32 = [&](int i) { return std::llabs(static_cast<std::int32_t>(u16(i) | u16(i + 2) << 16)); };
    if (u16(14) == 12 && u16(16) == 0) return std::int64_t{u16(18)} * u16(20);
    return s32(18) * s32(22);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (DeclaredPixels(data, size) > kFuzzMaxPixels) return 0;
    try {
        auto picture = corvane::ReadBitmapFromMemory({data, size});
        if (picture->Empty()) return 0;
        auto again = corvane::ReadBitmapFromMemory(corvane::EncodeBitmap(*picture));
        if (again->PixelFormat() != picture->PixelFormat() || again->ImageSize() != picture->ImageSize() ||
            std::memcmp(again->Bits(), picture->Bits(), picture->ImageSize()) != 0)
            std::abort();
        picture->SetPixelFormat(corvane::TPixelFormat::pf24bit);
    } catch (const corvane::ECorvaneError&) {
    }
    return 0;
}
