#include "imagefiles/tiff/tiff_exif.h"

#include <exiv2/basicio.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/tiffimage.hpp>
#include <exiv2/xmp_exiv2.hpp>
#include <limits>

#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/exiv2_log.h"

namespace corvane::tiffio {

namespace {

// Tags of the first directory that say how a file stores its picture, or
// hold what has a place of its own (XMP, IPTC, Photoshop's resources, the
// profile), and the pointers to the directories Exiv2 lays out itself.
bool LayoutTag(std::uint16_t tag) {
    switch (tag) {
        case 0x00FE:  // NewSubfileType
        case 0x00FF:  // SubfileType
        case 0x0100:  // ImageWidth
        case 0x0101:  // ImageLength
        case 0x0102:  // BitsPerSample
        case 0x0103:  // Compression
        case 0x0106:  // PhotometricInterpretation
        case 0x0107:  // Thresholding
        case 0x0108:  // CellWidth
        case 0x0109:  // CellLength
        case 0x010A:  // FillOrder
        case 0x0111:  // StripOffsets
        case 0x0115:  // SamplesPerPixel
        case 0x0116:  // RowsPerStrip
        case 0x0117:  // StripByteCounts
        case 0x0118:  // MinSampleValue
        case 0x0119:  // MaxSampleValue
        case 0x011C:  // PlanarConfiguration
        case 0x0122:  // GrayResponseUnit
        case 0x0123:  // GrayResponseCurve
        case 0x0124:  // T4Options
        case 0x0125:  // T6Options
        case 0x0129:  // PageNumber
        case 0x012D:  // TransferFunction
        case 0x013D:  // Predictor
        case 0x0140:  // ColorMap
        case 0x0141:  // HalftoneHints
        case 0x0142:  // TileWidth
        case 0x0143:  // TileLength
        case 0x0144:  // TileOffsets
        case 0x0145:  // TileByteCounts
        case 0x014A:  // SubIFDs
        case 0x014C:  // InkSet
        case 0x0152:  // ExtraSamples
        case 0x0153:  // SampleFormat
        case 0x0154:  // SMinSampleValue
        case 0x0155:  // SMaxSampleValue
        case 0x0156:  // TransferRange
        case 0x015B:  // JPEGTables
        case 0x0200:  // JPEGProc
        case 0x0201:  // JPEGInterchangeFormat
        case 0x0202:  // JPEGInterchangeFormatLength
        case 0x0203:  // JPEGRestartInterval
        case 0x0205:  // JPEGLosslessPredictors
        case 0x0206:  // JPEGPointTransforms
        case 0x0207:  // JPEGQTables
        case 0x0208:  // JPEGDCTables
        case 0x0209:  // JPEGACTables
        case 0x0211:  // YCbCrCoefficients
        case 0x0212:  // YCbCrSubSampling
        case 0x0213:  // YCbCrPositioning
        case 0x0214:  // ReferenceBlackWhite
        case 0x02BC:  // XMLPacket
        case 0x83BB:  // IPTCNAA
        case 0x8649:  // ImageResources
        case 0x8769:  // ExifTag
        case 0x8825:  // GPSTag
        case 0x8773:  // InterColorProfile
        case 0x935C:  // ImageSourceData
            return true;
        default:
            return false;
    }
}

// The first directory less its layout, the EXIF, GPS and interoperability
// directories and maker notes; not the second directory (a TIFF file's
// second page, not a thumbnail) nor sub-images.
bool Carried(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    if (group == "Image") return !LayoutTag(datum.tag());
    if (group == "Photo") return datum.tag() != 0xA005;  // the interoperability pointer
    return group == "GPSInfo" || group == "Iop" || Exiv2::ExifTags::isMakerGroup(group);
}

// Runs Exiv2 under a log scope; the problem, empty when Exiv2 neither threw
// nor complained. Exiv2 parses a file's XMP and IPTC on the way and
// complains of them too: they are carried by other means here, and only
// complaints about the EXIF side count.
template <class F>
std::string Exiv2Run(F&& run) {
    Exiv2LogScope log;
    try {
        run();
    } catch (const std::exception& e) {
        return std::string("Exiv2: ") + e.what();
    }
    for (const std::string& message : log.Messages())
        if (message.find("XMP") == std::string::npos && message.find("IPTC") == std::string::npos)
            return "Exiv2: " + message;
    return {};
}

// The file's directories as Exiv2 decodes them.
struct TFileTags {
    Exiv2::ExifData Exif;
    Exiv2::IptcData Iptc;
    Exiv2::XmpData Xmp;
    Exiv2::ByteOrder Order = Exiv2::invalidByteOrder;
};

std::string DecodeFile(std::span<const std::uint8_t> file, TFileTags& tags) {
    if (file.size() > std::numeric_limits<std::uint32_t>::max()) return "大きすぎます";
    std::string problem = Exiv2Run([&] {
        tags.Order = Exiv2::TiffParser::decode(tags.Exif, tags.Iptc, tags.Xmp, file.data(),
                                               static_cast<std::uint32_t>(file.size()));
    });
    if (problem.empty() && tags.Order == Exiv2::invalidByteOrder) problem = "TIFF の見出しが不正です";
    return problem;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ExifPayloadOfFile(std::span<const std::uint8_t> file,
                                                           std::string* problem) {
    TFileTags tags;
    *problem = DecodeFile(file, tags);
    if (!problem->empty()) return std::nullopt;
    Exiv2::ExifData carried;
    for (const Exiv2::Exifdatum& datum : tags.Exif)
        if (Carried(datum)) carried.add(datum);
    Exiv2::Blob blob;
    *problem = Exiv2Run([&] { Exiv2::ExifParser::encode(blob, tags.Order, carried); });
    if (problem->empty() && blob.empty()) *problem = "EXIF を組み立てられません";
    if (!problem->empty()) return std::nullopt;
    std::vector<std::uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), blob.begin(), blob.end());
    return payload;
}

bool AddExifToFile(std::vector<std::uint8_t>& file, std::span<const std::uint8_t> payload,
                   std::string* problem) {
    if (!IsExifPayload(payload)) {
        *problem = "EXIF の見出しがありません";
        return false;
    }
    Exiv2::ExifData block;
    *problem = Exiv2Run([&] {
        Exiv2::ExifParser::decode(block, payload.data() + kExifPrefixBytes,
                                  static_cast<std::uint32_t>(payload.size() - kExifPrefixBytes));
    });
    TFileTags tags;
    if (problem->empty()) *problem = DecodeFile(file, tags);
    if (!problem->empty()) return false;
    // The packet goes back byte for byte as libtiff wrote it, not as Exiv2
    // would lay out what it parsed (or could not parse) of it.
    const auto packet = tags.Exif.findKey(Exiv2::ExifKey("Exif.Image.XMLPacket"));
    if (packet != tags.Exif.end()) {
        std::string raw(static_cast<std::size_t>(packet->size()), '\0');
        packet->copy(reinterpret_cast<Exiv2::byte*>(raw.data()), tags.Order);
        tags.Xmp.setPacket(raw);
        tags.Xmp.usePacket(true);
    }
    for (const Exiv2::Exifdatum& datum : block) {
        if (!Carried(datum)) continue;
        const auto it = tags.Exif.findKey(Exiv2::ExifKey(datum.key()));
        if (it == tags.Exif.end())
            tags.Exif.add(datum);
        else
            it->setValue(&datum.value());
    }

    // Exiv2 updates the bytes in place where it can, else lays the file out
    // anew in `io`, the pixels' strips copied across.
    Exiv2::MemIo io;
    Exiv2::WriteMethod method = Exiv2::wmIntrusive;
    *problem = Exiv2Run([&] {
        method = Exiv2::TiffParser::encode(io, file.data(), static_cast<std::uint32_t>(file.size()),
                                           tags.Order, tags.Exif, tags.Iptc, tags.Xmp);
    });
    if (!problem->empty()) return false;
    if (method == Exiv2::wmNonIntrusive) return true;
    std::vector<std::uint8_t> written(static_cast<std::size_t>(io.size()));
    if (written.empty() || io.seek(0, Exiv2::BasicIo::beg) != 0 ||
        io.read(written.data(), static_cast<long>(written.size())) != static_cast<long>(written.size())) {
        *problem = "Exiv2 が何も書きませんでした";
        return false;
    }
    file = std::move(written);
    return true;
}

}  // namespace corvane::tiffio
