#include "imagefiles/bmp_writer.h"

#include <limits>
#include <optional>

#include "imagefiles/bmp_format.h"
#include "imagefiles/file_io.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

// Everything before the pixel rows: file header, information (core, or V5
// with a profile) header, masks and colour table. The profile itself
// follows the rows.
std::vector<std::uint8_t> EncodeHeaders(const TBitmap& picture, std::size_t profileSize) {
    const TPixelFormat format = picture.PixelFormat();
    const int bitCount = BitsPerPixel(format);
    const bool indexed = IsIndexed(format);

    // A 16-bit picture always says how its pixels are laid out: without masks
    // a reader would take them as 5-5-5.
    std::optional<TBitFields> masks;
    if (format == TPixelFormat::pf16bit)
        masks = picture.BitFields().value_or(DefaultBitFields(format));
    else if (format == TPixelFormat::pf15bit || format == TPixelFormat::pf32bit)
        masks = picture.BitFields();

    std::vector<TPaletteEntry> table = picture.Palette();
    const std::size_t fullTable = indexed ? std::size_t{1} << bitCount : 0;
    // Colours-used 0 would make a reader expect a full table, so an indexed
    // picture without a palette gets a black one.
    if (indexed && table.empty()) table.assign(fullTable, TPaletteEntry{0, 0, 0, 0});

    // The core header has no masks, no top-down rows and no colours-used
    // field (its table is always full); a picture that needs any of these
    // gets the information header instead.
    const bool v5 = profileSize > 0;
    const bool core =
        !v5 && picture.CoreHeader() && !masks && !picture.TopDown() && table.size() <= fullTable;
    if (core) table.resize(fullTable, TPaletteEntry{0, 0, 0, 0});

    const std::uint32_t headerSize = core ? bmp::kCoreHeaderSize
                                     : v5 ? bmp::kV5HeaderSize
                                          : bmp::kInfoHeaderSize;
    const std::size_t entrySize = core ? 3 : 4;
    // A V5 header holds the masks itself.
    const std::size_t maskBytes = masks && !v5 ? 12 : 0;
    const std::size_t offset = bmp::kFileHeaderSize + headerSize + maskBytes + table.size() * entrySize;
    const std::uint64_t total = offset + static_cast<std::uint64_t>(picture.ImageSize()) + profileSize;
    // Unreachable within the working bitmap's limits; a file cannot say more.
    if (total > std::numeric_limits<std::uint32_t>::max()) throw EInvalidGraphic();

    std::vector<std::uint8_t> out(offset, 0);
    std::uint8_t* p = out.data();
    p[0] = bmp::kSignature[0];
    p[1] = bmp::kSignature[1];
    bmp::PutU32(p + 2, static_cast<std::uint32_t>(total));
    bmp::PutU32(p + 10, static_cast<std::uint32_t>(offset));
    p += bmp::kFileHeaderSize;

    bmp::PutU32(p, headerSize);
    if (core) {
        bmp::PutU16(p + 4, static_cast<std::uint16_t>(picture.Width()));
        bmp::PutU16(p + 6, static_cast<std::uint16_t>(picture.Height()));
        bmp::PutU16(p + 8, 1);
        bmp::PutU16(p + 10, static_cast<std::uint16_t>(bitCount));
    } else {
        const std::int32_t height = picture.TopDown() ? -picture.Height() : picture.Height();
        bmp::PutU32(p + 4, static_cast<std::uint32_t>(picture.Width()));
        bmp::PutU32(p + 8, static_cast<std::uint32_t>(height));
        bmp::PutU16(p + 12, 1);
        bmp::PutU16(p + 14, static_cast<std::uint16_t>(bitCount));
        bmp::PutU32(p + 16, masks ? bmp::kBitFields : bmp::kRgb);
        bmp::PutU32(p + 20, static_cast<std::uint32_t>(picture.ImageSize()));
        // Resolution fields stay 0: the working bitmap holds none.
        bmp::PutU32(p + 32, static_cast<std::uint32_t>(table.size()));
    }
    if (v5) {
        if (masks) {
            bmp::PutU32(p + 40, masks->Red);
            bmp::PutU32(p + 44, masks->Green);
            bmp::PutU32(p + 48, masks->Blue);
        }
        bmp::PutU32(p + bmp::kV5CsTypeAt, bmp::kProfileEmbedded);
        bmp::PutU32(p + bmp::kV5IntentAt, bmp::kIntentImages);
        bmp::PutU32(p + bmp::kV5ProfileDataAt,
                    static_cast<std::uint32_t>(offset - bmp::kFileHeaderSize + picture.ImageSize()));
        bmp::PutU32(p + bmp::kV5ProfileSizeAt, static_cast<std::uint32_t>(profileSize));
    }
    p += headerSize;

    if (maskBytes) {
        bmp::PutU32(p, masks->Red);
        bmp::PutU32(p + 4, masks->Green);
        bmp::PutU32(p + 8, masks->Blue);
        p += 12;
    }
    for (const TPaletteEntry& e : table) {
        p[0] = e.peBlue;
        p[1] = e.peGreen;
        p[2] = e.peRed;
        if (!core) p[3] = e.peFlags;
        p += entrySize;
    }
    return out;
}

}  // namespace

void WriteBitmap(const TBitmap& picture, AtomicFileWriter& out, std::span<const std::uint8_t> iccProfile) {
    if (picture.Empty()) return;
    out.Write(EncodeHeaders(picture, iccProfile.size()));
    out.Write(picture.Bits(), picture.ImageSize());
    out.Write(iccProfile);
}

void WriteBitmapFile(const TBitmap& picture, const std::string& path,
                     std::span<const std::uint8_t> iccProfile) {
    // Headers first: a picture the format cannot hold creates no file.
    const std::vector<std::uint8_t> headers =
        picture.Empty() ? std::vector<std::uint8_t>{} : EncodeHeaders(picture, iccProfile.size());
    AtomicFileWriter writer(path);
    writer.Write(headers);
    if (!picture.Empty()) {
        writer.Write(picture.Bits(), picture.ImageSize());
        writer.Write(iccProfile);
    }
    writer.Commit();
}

std::vector<std::uint8_t> EncodeBitmap(const TBitmap& picture, std::span<const std::uint8_t> iccProfile) {
    if (picture.Empty()) return {};
    std::vector<std::uint8_t> out = EncodeHeaders(picture, iccProfile.size());
    out.insert(out.end(), picture.Bits(), picture.Bits() + picture.ImageSize());
    out.insert(out.end(), iccProfile.begin(), iccProfile.end());
    return out;
}

}  // namespace corvane
