#include "imagefiles/metadata/exif_block.h"

#include <cstring>
#include <exiv2/exif.hpp>
#include <limits>

#include "imagefiles/metadata/exiv2_log.h"
#include "imagefiles/metadata/metadata_limits.h"

namespace corvane {

namespace {

// Decodes the TIFF part; Problem set when Exiv2 refused or complained.
struct TDecoded {
    Exiv2::ExifData Data;
    Exiv2::ByteOrder Order = Exiv2::invalidByteOrder;
    std::string Problem;
};

TDecoded Decode(std::span<const std::uint8_t> payload) {
    TDecoded d;
    if (!IsExifPayload(payload)) {
        d.Problem = "EXIF の見出しがありません";
        return d;
    }
    Exiv2LogScope log;
    try {
        d.Order = Exiv2::ExifParser::decode(d.Data, payload.data() + kExifPrefixBytes,
                                            static_cast<std::uint32_t>(payload.size() - kExifPrefixBytes));
    } catch (const std::exception& e) {
        d.Problem = std::string("Exiv2: ") + e.what();
        return d;
    }
    if (d.Order == Exiv2::invalidByteOrder)
        d.Problem = "TIFF の見出しが不正です";
    else
        d.Problem = log.Problem();
    return d;
}

// Sets a tag that is present to `value`, in the integer type it has.
void SetPresent(Exiv2::ExifData& exif, const char* key, std::uint32_t value) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end()) return;
    if (it->typeId() == Exiv2::unsignedShort && value <= std::numeric_limits<std::uint16_t>::max())
        *it = static_cast<std::uint16_t>(value);
    else
        *it = value;
}

}  // namespace

bool IsExifPayload(std::span<const std::uint8_t> payload) {
    // The sixth byte is 0 by the standard; some writers leave 0xFF there.
    return payload.size() > kExifPrefixBytes && std::memcmp(payload.data(), "Exif\0", 5) == 0;
}

TExifReading ReadExifBlock(std::span<const std::uint8_t> payload) {
    TExifReading reading;
    TDecoded d = Decode(payload);
    if (!d.Problem.empty()) {
        reading.Problem = std::move(d.Problem);
        return reading;
    }
    const auto it = d.Data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it == d.Data.end()) return reading;
    const long value = it->count() == 1 ? it->toLong() : 0;
    if (value >= 1 && value <= 8)
        reading.Orientation = static_cast<int>(value);
    else
        reading.OrientationProblem = "EXIF の向きの値 " + it->toString() + " は使えません";
    return reading;
}

std::optional<std::vector<std::uint8_t>> EditExifBlock(std::span<const std::uint8_t> payload,
                                                       const TExifEdit& edit, std::string* problem) {
    TDecoded d = Decode(payload);
    if (!d.Problem.empty()) {
        *problem = std::move(d.Problem);
        return std::nullopt;
    }
    const auto width = static_cast<std::uint32_t>(edit.Width);
    const auto height = static_cast<std::uint32_t>(edit.Height);
    SetPresent(d.Data, "Exif.Photo.PixelXDimension", width);
    SetPresent(d.Data, "Exif.Photo.PixelYDimension", height);
    SetPresent(d.Data, "Exif.Image.ImageWidth", width);
    SetPresent(d.Data, "Exif.Image.ImageLength", height);
    if (edit.ResetOrientation) SetPresent(d.Data, "Exif.Image.Orientation", 1);
    if (edit.DropThumbnail) Exiv2::ExifThumb(d.Data).erase();

    // Exiv2 updates the TIFF bytes in place where it can ("non-intrusive"),
    // else it builds a new structure in the blob; it gets a copy to work on.
    std::vector<std::uint8_t> tiff(payload.begin() + kExifPrefixBytes, payload.end());
    Exiv2::Blob blob;
    Exiv2::WriteMethod method = Exiv2::wmIntrusive;
    {
        Exiv2LogScope log;
        try {
            method = Exiv2::ExifParser::encode(blob, tiff.data(), static_cast<std::uint32_t>(tiff.size()),
                                               d.Order, d.Data);
        } catch (const std::exception& e) {
            *problem = std::string("Exiv2: ") + e.what();
            return std::nullopt;
        }
    }
    if (method == Exiv2::wmIntrusive) tiff.assign(blob.begin(), blob.end());
    if (tiff.empty() || tiff.size() + kExifPrefixBytes > kMaxSegmentPayload) {
        *problem = "編集した EXIF が 1 つのセグメントに収まりません";
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(payload.begin(), payload.begin() + kExifPrefixBytes);
    out.insert(out.end(), tiff.begin(), tiff.end());
    return out;
}

}  // namespace corvane
