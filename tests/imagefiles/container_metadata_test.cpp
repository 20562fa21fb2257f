// Metadata through the PNG, TIFF, WebP and HEIF readers and writers: what
// one writes, the reader gives back in the JPEG forms; files made by other
// writers give their blocks; damaged blocks are dropped with a warning and
// the picture reads.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <exiv2/exif.hpp>
#include <map>
#include <string>
#include <vector>

#include "imagefiles/format_registry.h"
#include "imagefiles/heif/avif_writer.h"
#include "imagefiles/heif/heif_reader.h"
#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/icc_profile.h"
#include "imagefiles/png/png_reader.h"
#include "imagefiles/png/png_writer.h"
#include "imagefiles/tiff/tiff_reader.h"
#include "imagefiles/webp/webp_reader.h"
#include "imagefiles/webp/webp_writer.h"
#include "tests/imagefiles/metadata_test_util.h"
#include "tests/imagefiles/pillow_oracle.h"

namespace corvane {
namespace {

using namespace metadatatest;

using Decoder = TDecodedImage (*)(std::span<const std::uint8_t>, const std::string&, std::int64_t);

std::vector<std::uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

TMetadataSegment XmpSegment(const std::string& packet) {
    std::vector<std::uint8_t> bytes(kXmpIdentifier, kXmpIdentifier + sizeof kXmpIdentifier);
    bytes.insert(bytes.end(), packet.begin(), packet.end());
    return {TSegmentKind::Xmp, kMarkerAPP1, bytes};
}

const std::string kPacket =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
    "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:format>image/x</dc:format>"
    "</rdf:Description></rdf:RDF></x:xmpmeta>";

TImageMetadata Camera(int orientation, int width, int height) {
    TImageMetadata meta;
    meta.Segments = {{TSegmentKind::Exif, kMarkerAPP1, MakeExifPayload(orientation, width, height)},
                     XmpSegment(kPacket),
                     {TSegmentKind::Comment, kMarkerCOM, Text("a comment")}};
    meta.IccProfile = MakeRgbProfile();
    return meta;
}

// Every tag of the block by key, as Exiv2 prints it.
std::map<std::string, std::string> ExifTags(const TMetadataSegment& exif) {
    Exiv2::ExifData data;
    Exiv2::ExifParser::decode(data, exif.Bytes.data() + kExifPrefixBytes,
                              static_cast<std::uint32_t>(exif.Bytes.size() - kExifPrefixBytes));
    std::map<std::string, std::string> tags;
    for (const Exiv2::Exifdatum& d : data) tags[d.key()] = d.toString();
    return tags;
}

struct TFormatCase {
    TImageFormatId Id;
    Decoder Decode;
    bool Lossless;
};
const TFormatCase kFormats[] = {{TImageFormatId::PNG, DecodePNG, true},
                                {TImageFormatId::TIFF, DecodeTIFF, true},
                                {TImageFormatId::WebP, DecodeWebP, false},
                                {TImageFormatId::AVIF, DecodeHEIF, false}};

// The EXIF block comes back byte for byte where the format holds one
// (PNG, WebP, AVIF); a TIFF file holds its tags in its own directories,
// and they come back with the block's values and none of the file's layout.
TEST(ContainerMetadata, WhatAWriterWritesItsReaderGivesBack) {
    const auto picture = jpegtest::PhotoLike(40, 24);
    const TImageMetadata meta = Camera(1, 40, 24);
    for (const TFormatCase& format : kFormats) {
        SCOPED_TRACE(ImageFormatById(format.Id)->Name);
        const std::vector<std::uint8_t> bytes = EncodeImage(*picture, format.Id, {90, false, clWhite, &meta});
        const TDecodedImage back = format.Decode(bytes, "x", kMaxPixels);
        const TImageMetadata& got = back.Metadata;
        EXPECT_TRUE(got.Warnings.empty()) << got.Warnings.front();
        EXPECT_EQ(got.IccProfile, meta.IccProfile);
        ASSERT_NE(got.Xmp(), nullptr);
        EXPECT_EQ(*got.Xmp(), *meta.Xmp());
        ASSERT_NE(got.Exif(), nullptr);
        EXPECT_EQ(got.Orientation, 1);
        if (format.Id == TImageFormatId::TIFF) {
            const auto tags = ExifTags(*got.Exif());
            for (const auto& [key, value] : ExifTags(*meta.Exif()))
                EXPECT_EQ(tags.count(key) ? tags.at(key) : "", value) << key;
            for (const char* layout :
                 {"Exif.Image.ImageWidth", "Exif.Image.StripOffsets", "Exif.Image.XMLPacket",
                  "Exif.Image.InterColorProfile", "Exif.Image.Compression"})
                EXPECT_EQ(tags.count(layout), 0u) << layout;
        } else {
            EXPECT_EQ(*got.Exif(), *meta.Exif());
        }
        // Comments: PNG holds them (tEXt), the others have no place for them.
        const auto comments =
            std::count_if(got.Segments.begin(), got.Segments.end(), [](const TMetadataSegment& s) {
                return s.Kind == TSegmentKind::Comment && s.Bytes == Text("a comment");
            });
        EXPECT_EQ(comments, format.Id == TImageFormatId::PNG ? 1 : 0);
        if (format.Lossless) {
            ASSERT_EQ(back.Bitmap->Width(), 40);
            for (int y = 0; y < 24; ++y)
                ASSERT_EQ(jpegtest::Row(*back.Bitmap, y), jpegtest::Row(*picture, y)) << y;
        }
    }
}

// Files made by Pillow, exiftool and heif-enc (tests/data): the blocks in
// the forms those writers use, read the same way. In a HEIF file the
// container alone turns the picture: the EXIF tag is made 1 there.
TEST(ContainerMetadata, FilesFromOtherWritersGiveTheirBlocks) {
    const struct {
        const char* Folder;
        const char* Name;
        Decoder Decode;
        int Orientation;
        bool Xmp;
    } files[] = {{"png", "rgb8-metadata.png", DecodePNG, 6, true},
                 {"webp", "lossy-rgb-metadata.webp", DecodeWebP, 6, true},
                 {"tiff", "rgb8-exif.tif", DecodeTIFF, 6, true},
                 {"heif", "exif6.heic", DecodeHEIF, 1, false}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.Name);
        const std::string path = oracle::TestFile(file.Folder, file.Name);
        const TDecodedImage image = file.Decode(jpegtest::Slurp(path), path, kMaxPixels);
        const TImageMetadata& meta = image.Metadata;
        EXPECT_TRUE(meta.Warnings.empty()) << meta.Warnings.front();
        EXPECT_EQ(meta.Orientation, file.Orientation);
        EXPECT_EQ(image.Bitmap->Width(), 37);  // never turned by the reader
        ASSERT_NE(meta.Exif(), nullptr);
        EXPECT_EQ(ReadExifBlock(meta.Exif()->Bytes).Orientation, file.Orientation);
        const auto tags = ExifTags(*meta.Exif());
        EXPECT_EQ(tags.count("Exif.Image.Make") ? tags.at("Exif.Image.Make") : "", "Corvane Test Camera");
        EXPECT_EQ(tags.count("Exif.Photo.DateTimeOriginal") ? tags.at("Exif.Photo.DateTimeOriginal") : "",
                  "2023:04:05 06:07:08");
        EXPECT_EQ(tags.count("Exif.GPSInfo.GPSLatitudeRef"), 1u);
        EXPECT_TRUE(IccProfileIsRgb(meta.IccProfile));
        EXPECT_EQ(meta.Xmp() != nullptr, file.Xmp);
        if (meta.Xmp()) {
            const auto packet = XmpPacketBytes(*meta.Xmp());
            EXPECT_NE(std::string(packet.begin(), packet.end()).find(">Test<"), std::string::npos);
        }
    }
}

// A phone's file: the container turns the picture a quarter (irot) and the
// EXIF block says 6 as well. libheif turns it once; the tag comes back 1,
// so nothing after the reader turns it again.
TEST(ContainerMetadata, AHeifPictureIsTurnedByItsContainerOnly) {
    const auto picture = jpegtest::PhotoLike(64, 32);
    TImageMetadata phone = Camera(6, 64, 32);
    phone.Orientation = 6;
    const TDecodedImage image = DecodeHEIF(EncodeAVIF(*picture, {90, false, clWhite, &phone}), "x.avif");
    EXPECT_EQ(image.Bitmap->Width(), 32);
    EXPECT_EQ(image.Bitmap->Height(), 64);
    EXPECT_EQ(image.Metadata.Orientation, 1);
    ASSERT_NE(image.Metadata.Exif(), nullptr);
    const auto tags = ExifTags(*image.Metadata.Exif());
    EXPECT_EQ(tags.at("Exif.Image.Orientation"), "1");
    EXPECT_EQ(tags.at("Exif.Image.Make"), "Corvane Test Camera");
    EXPECT_EQ(tags.at("Exif.Photo.PixelXDimension"), "32");  // the picture as given
}

// libtiff's RGBA path (here: separate colour planes) once flipped rows by
// the orientation tag while the direct path did not; both give the rows as
// stored now, and the tag as the orientation.
TEST(ContainerMetadata, TiffRowsComeAsStoredWhateverTheirOrientation) {
    const auto write = [](int planar) {
        std::vector<std::uint8_t> bytes;
        const std::string path = testing::TempDir() + "/orientation" + std::to_string(planar) + ".tif";
        TIFF* t = TIFFOpen(path.c_str(), "w");
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 3);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, planar);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_BOTRIGHT);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
        const std::uint8_t rgb[2][9] = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {11, 12, 13, 14, 15, 16, 17, 18, 19}};
        // Separate planes go plane by plane: each is a strip of its own.
        for (int c = 0; c < (planar == PLANARCONFIG_CONTIG ? 1 : 3); ++c)
            for (int y = 0; y < 2; ++y) {
                std::uint8_t row[9];
                for (int x = 0; x < (planar == PLANARCONFIG_CONTIG ? 9 : 3); ++x)
                    row[x] = planar == PLANARCONFIG_CONTIG ? rgb[y][x] : rgb[y][3 * x + c];
                TIFFWriteScanline(t, row, y, static_cast<std::uint16_t>(c));
            }
        TIFFClose(t);
        return DecodeTIFF(jpegtest::Slurp(path), path);
    };
    const TDecodedImage direct = write(PLANARCONFIG_CONTIG), separate = write(PLANARCONFIG_SEPARATE);
    for (const TDecodedImage* image : {&direct, &separate}) {
        EXPECT_EQ(image->Metadata.Orientation, 3);
        ASSERT_NE(image->Metadata.Exif(), nullptr);
        EXPECT_EQ(ReadExifBlock(image->Metadata.Exif()->Bytes).Orientation, 3);
        EXPECT_EQ(jpegtest::Row(*image->Bitmap, 0), (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7}));
    }
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ(jpegtest::Row(*separate.Bitmap, y), jpegtest::Row(*direct.Bitmap, y));

    // exiftool's orientation 6 on Pillow's uncompressed file: the same rows.
    const std::string tagged = oracle::TestFile("tiff", "rgb8-exif.tif");
    const std::string plain = oracle::TestFile("tiff", "rgb8-raw.tif");
    EXPECT_TRUE(oracle::SameRGBA(oracle::AsRGBA(*DecodeTIFF(jpegtest::Slurp(tagged), tagged).Bitmap),
                                 oracle::AsRGBA(*DecodeTIFF(jpegtest::Slurp(plain), plain).Bitmap)));
}

// The picture reads whatever is wrong with its metadata.
TEST(ContainerMetadata, DamagedBlocksAreDroppedWithAWarning) {
    const auto picture = jpegtest::PhotoLike(8, 8);
    const auto expectDropped = [&](const TDecodedImage& image, const std::string& warning) {
        EXPECT_EQ(image.Bitmap->Width(), 8);
        EXPECT_EQ(image.Metadata.Exif(), nullptr);
        ASSERT_EQ(image.Metadata.Warnings.size(), 1u);
        EXPECT_EQ(image.Metadata.Warnings[0].rfind(warning, 0), 0u) << image.Metadata.Warnings[0];
    };
    for (const auto& block : {ExifWithIfdLoop(), ExifWithHugeCount()}) {
        TImageMetadata damaged;
        damaged.Segments = {{TSegmentKind::Exif, kMarkerAPP1, block}};
        const TEncodeOptions options{90, false, clWhite, &damaged};
        expectDropped(DecodePNG(EncodePNG(*picture, options), "x.png"), "EXIF を外しました: Exiv2: ");
        expectDropped(DecodeWebP(EncodeWebP(*picture, options), "x.webp"), "EXIF を外しました: Exiv2: ");
    }

    // A chunk libspng drops itself: an eXIf whose CRC does not match.
    TImageMetadata meta = Camera(1, 8, 8);
    std::vector<std::uint8_t> png = EncodePNG(*picture, {90, false, clWhite, &meta});
    const auto at = std::search(png.begin(), png.end(), std::begin("eXIf"), std::end("eXIf") - 1);
    ASSERT_NE(at, png.end());
    at[8] ^= 0xFF;
    const TDecodedImage image = DecodePNG(png, "x.png");
    expectDropped(image, "EXIF を外しました: PNG のチャンクが壊れています");
    EXPECT_NE(image.Metadata.Xmp(), nullptr);  // the rest stays

    // A WebP profile that is no profile.
    TImageMetadata notAProfile;
    notAProfile.IccProfile = Text(std::string(200, 'x'));
    const TDecodedImage webp = DecodeWebP(EncodeWebP(*picture, {90, false, clWhite, &notAProfile}), "x.webp");
    EXPECT_TRUE(webp.Metadata.IccProfile.empty());
    EXPECT_EQ(webp.Metadata.Warnings,
              std::vector<std::string>{"カラープロファイルを外しました: プロファイルではありません"});
}

}  // namespace
}  // namespace corvane
