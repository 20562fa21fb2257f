// Metadata through the readers and writers: what a JPEG or bitmap file
// carries besides pixels is read, written back unchanged and in order, and
// damaged parts are dropped with a warning without failing the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imagefiles/bmp_reader.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/metadata/exif_block.h"
#include "tests/imagefiles/jpeg_test_util.h"
#include "tests/imagefiles/metadata_test_util.h"

namespace corvane {
namespace {

using namespace jpegtest;
using namespace metadatatest;

std::vector<std::uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

TImageMetadata CameraMetadata(int orientation, std::vector<std::uint8_t> profile) {
    TImageMetadata meta;
    std::vector<std::uint8_t> xmp = Text("http://ns.adobe.com/xap/1.0/");
    xmp.push_back(0);
    const auto packet = Text("<x:xmpmeta xmlns:x='adobe:ns:meta/'></x:xmpmeta>");
    xmp.insert(xmp.end(), packet.begin(), packet.end());
    std::vector<std::uint8_t> iptc = Text("Photoshop 3.0");
    iptc.push_back(0);
    const auto resource = Text("8BIM\x04\x04");
    iptc.insert(iptc.end(), resource.begin(), resource.end());
    iptc.insert(iptc.end(), {0, 0, 0, 0, 0, 3, 0x1C, 0x02, 0x00});
    meta.Segments = {{TSegmentKind::Exif, kMarkerAPP1, MakeExifPayload(orientation, 64, 48)},
                     {TSegmentKind::Comment, kMarkerCOM, Text("first comment")},
                     {TSegmentKind::Xmp, kMarkerAPP1, xmp},
                     {TSegmentKind::Iptc, kMarkerAPP13, iptc},
                     {TSegmentKind::Comment, kMarkerCOM, Text("second comment")}};
    meta.IccProfile = std::move(profile);
    meta.Orientation = orientation;
    return meta;
}

// Marker codes of a stream up to its first scan, in order.
std::vector<int> MarkerCodes(const std::vector<std::uint8_t>& jpeg) {
    std::vector<int> codes;
    for (std::size_t i = 2; i + 4 <= jpeg.size() && jpeg[i] == 0xFF;) {
        codes.push_back(jpeg[i + 1]);
        if (jpeg[i + 1] == 0xDA) break;
        i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
    }
    return codes;
}

TEST(JpegMetadata, SegmentsAndMultiSegmentProfileComeBackInOrder) {
    const auto profile = MakeRgbProfile(20000);
    ASSERT_GT(profile.size(), 65536u);
    const TImageMetadata meta = CameraMetadata(6, profile);
    const auto picture = PhotoLike(64, 48);
    const auto bytes = EncodeJPEG(*picture, 90, false, &meta);

    // JFIF first, the segments in their order, then the profile's APP2 run.
    const std::vector<int> codes = MarkerCodes(bytes);
    const std::vector<int> head(codes.begin(), codes.begin() + 6);
    EXPECT_EQ(head, (std::vector<int>{0xE0, 0xE1, 0xFE, 0xE1, 0xED, 0xFE}));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0xE2), 2);

    TImageMetadata back;
    const auto decoded = ReadJPEGFromMemory(bytes, &back);
    EXPECT_EQ(back.Segments, meta.Segments);
    EXPECT_EQ(back.IccProfile, profile);
    EXPECT_EQ(back.Orientation, 6);
    EXPECT_TRUE(back.Warnings.empty());
    // The pixels are those of the same stream without metadata.
    const auto plain = ReadJPEGFromMemory(EncodeJPEG(*picture, 90, false));
    for (int y = 0; y < 48; ++y) ASSERT_EQ(Row(*decoded, y), Row(*plain, y));
}

TEST(JpegMetadata, NothingGivenWritesTodaysStream) {
    const auto picture = PhotoLike(33, 17);
    const TImageMetadata empty;
    for (bool progressive : {false, true})
        EXPECT_EQ(EncodeJPEG(*picture, 75, progressive, &empty), EncodeJPEG(*picture, 75, progressive));
    TImageMetadata none;
    ReadJPEGFromMemory(EncodeJPEG(*picture, 75, false), &none);
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(none.Orientation, 1);
}

TEST(JpegMetadata, ObjectKeepsWhatItLoadedAndAssignForgetsIt) {
    const TImageMetadata meta = CameraMetadata(3, MakeRgbProfile());
    const auto bytes = EncodeJPEG(*PhotoLike(16, 16), 90, false, &meta);
    TJPEGImage jpeg;
    jpeg.LoadFromMemory(bytes);
    EXPECT_EQ(jpeg.Metadata().Segments, meta.Segments);
    EXPECT_EQ(jpeg.Metadata().Orientation, 3);
    jpeg.Assign(*PhotoLike(8, 8));
    EXPECT_TRUE(jpeg.Metadata().Empty());
}

// Damaged metadata never fails the picture: the part is dropped, the rest
// stays, and a warning says what went.
TEST(JpegMetadata, DamagedExifIsDroppedWithAWarning) {
    auto truncated = MakeExifPayload(6, 64, 48);
    truncated.resize(40);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> exif;
    } cases[] = {{"truncated", truncated},
                 {"ifd-loop", ExifWithIfdLoop()},
                 {"two-gigabyte-count", ExifWithHugeCount()},
                 {"no-tiff-header", Text(std::string("Exif\0\0MM\0\x2a", 10))}};
    const auto picture = PhotoLike(24, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImageMetadata meta;
        meta.Segments = {{TSegmentKind::Exif, kMarkerAPP1, c.exif},
                         {TSegmentKind::Comment, kMarkerCOM, Text("kept")}};
        TImageMetadata back;
        const auto decoded = ReadJPEGFromMemory(EncodeJPEG(*picture, 90, false, &meta), &back);
        EXPECT_EQ(decoded->Width(), 24);
        ASSERT_EQ(back.Segments.size(), 1u);
        EXPECT_EQ(back.Segments[0].Kind, TSegmentKind::Comment);
        EXPECT_EQ(back.Orientation, 1);
        ASSERT_EQ(back.Warnings.size(), 1u);
        EXPECT_EQ(back.Warnings[0].rfind("EXIF を外しました", 0), 0u) << back.Warnings[0];
    }
}

TEST(JpegMetadata, OrientationOutsideOneToEightReadsAsOne) {
    TImageMetadata meta;
    meta.Segments = {{TSegmentKind::Exif, kMarkerAPP1, MakeExifPayload(9, 8, 8)}};
    TImageMetadata back;
    ReadJPEGFromMemory(EncodeJPEG(*PhotoLike(8, 8), 90, false, &meta), &back);
    EXPECT_EQ(back.Orientation, 1);
    EXPECT_EQ(back.Segments.size(), 1u);  // the rest of the block is sound
    EXPECT_EQ(back.Warnings.size(), 1u);
}

TEST(JpegMetadata, ProfileCutShortOrMissingASegmentIsDropped) {
    const auto profile = MakeRgbProfile(20000);
    const auto picture = PhotoLike(16, 16);
    TImageMetadata meta;
    meta.Segments = {{TSegmentKind::Comment, kMarkerCOM, Text("kept")}};

    // Header declares more than the bytes hold.
    meta.IccProfile = profile;
    meta.IccProfile.resize(profile.size() - 100);
    TImageMetadata back;
    ReadJPEGFromMemory(EncodeJPEG(*picture, 90, false, &meta), &back);
    EXPECT_TRUE(back.IccProfile.empty());
    EXPECT_EQ(back.Segments.size(), 1u);
    EXPECT_EQ(back.Warnings.size(), 1u);

    // The second of two APP2 segments removed from the stream.
    meta.IccProfile = profile;
    auto bytes = EncodeJPEG(*picture, 90, false, &meta);
    std::size_t at = 2;
    int app2 = 0;
    while (true) {
        const std::size_t length = bytes[at + 2] << 8 | bytes[at + 3];
        if (bytes[at + 1] == 0xE2 && ++app2 == 2) {
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
            break;
        }
        at += 2 + length;
    }
    back = {};
    EXPECT_EQ(ReadJPEGFromMemory(bytes, &back)->Width(), 16);
    EXPECT_TRUE(back.IccProfile.empty());
    EXPECT_EQ(back.Warnings.size(), 1u);
}

TEST(ExifBlock, EditFollowsTheOutputAndDropsTheThumbnail) {
    const auto thumb = EncodeJPEG(*PhotoLike(16, 12), 80, false);
    const auto payload = MakeExifPayload(6, 64, 48, thumb);
    std::string problem;
    const auto edited = EditExifBlock(payload, {48, 64, true, true}, &problem);
    ASSERT_TRUE(edited) << problem;
    Exiv2::ExifData exif;
    Exiv2::ExifParser::decode(exif, edited->data() + 6, static_cast<std::uint32_t>(edited->size() - 6));
    EXPECT_EQ(exif["Exif.Image.Orientation"].toLong(), 1);
    EXPECT_EQ(exif["Exif.Photo.PixelXDimension"].toLong(), 48);
    EXPECT_EQ(exif["Exif.Photo.PixelYDimension"].toLong(), 64);
    EXPECT_EQ(exif["Exif.Image.Model"].toString(), "CT-1");
    EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Thumbnail.JPEGInterchangeFormat")), exif.end());
    // The source block is untouched.
    EXPECT_EQ(ReadExifBlock(payload).Orientation, 6);
    EXPECT_FALSE(EditExifBlock(ExifWithIfdLoop(), {1, 1, true, true}, &problem));
    EXPECT_FALSE(problem.empty());
}

// A bitmap built with a V5 header carrying `profile` at `profileData` (from
// the header's start) with the given CS type; 2x1 pixels, 24-bit.
std::vector<std::uint8_t> V5Bitmap(std::uint32_t csType, const std::vector<std::uint8_t>& profile,
                                   std::uint32_t declaredSize) {
    std::vector<std::uint8_t> b{'B', 'M'};
    const std::uint32_t pixelOffset = 14 + 124;
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, pixelOffset);
    Put32(b, 124);
    Put32(b, 2);
    Put32(b, 1);
    Put16(b, 1);
    Put16(b, 24);
    b.resize(14 + 56, 0);
    Put32(b, csType);
    b.resize(14 + 112, 0);
    Put32(b, 124 + 8);  // after the 8 bytes of pixels
    Put32(b, declaredSize);
    Put32(b, 0);
    b.insert(b.end(), {1, 2, 3, 4, 5, 6, 0, 0});
    b.insert(b.end(), profile.begin(), profile.end());
    return b;
}

TEST(BitmapMetadata, EmbeddedProfileReadAndWrittenBackInAV5Header) {
    const auto profile = MakeRgbProfile();
    TImageMetadata meta;
    const auto picture = ReadBitmapFromMemory(V5Bitmap(0x4D424544, profile, profile.size()), &meta);
    EXPECT_EQ(meta.IccProfile, profile);
    EXPECT_TRUE(meta.Warnings.empty());
    EXPECT_EQ(Row(*picture, 0), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));

    // Every stored form the writer knows keeps its pixels and the profile.
    for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf16bit, TPixelFormat::pf24bit}) {
        auto source = PhotoLike(7, 5);
        if (format == TPixelFormat::pf8bit) {
            source = std::make_unique<TBitmap>();
            source->SetPixelFormat(TPixelFormat::pf8bit);
            source->SetSize(7, 5);
            source->SetPalette({{1, 2, 3, 0}, {4, 5, 6, 0}});
            source->ScanLine(2)[3] = 1;
            source->SetCoreHeader(true);
        } else if (format == TPixelFormat::pf16bit) {
            source = std::make_unique<TBitmap>();
            source->SetPixelFormat(TPixelFormat::pf16bit);
            source->SetSize(7, 5);
            source->SetBitFields(TBitFields{0xF800, 0x07E0, 0x001F});
            source->ScanLine(1)[2] = 0x5A;
        }
        const auto bytes = EncodeBitmap(*source, profile);
        EXPECT_EQ(bytes[14], 124);
        TImageMetadata back;
        const auto again = ReadBitmapFromMemory(bytes, &back);
        EXPECT_EQ(back.IccProfile, profile);
        EXPECT_EQ(again->PixelFormat(), source->PixelFormat());
        EXPECT_EQ(again->Palette(), source->Palette());
        EXPECT_EQ(again->BitFields(), source->BitFields());
        for (int y = 0; y < 5; ++y) EXPECT_EQ(Row(*again, y), Row(*source, y));
        // Without a profile the header is today's.
        EXPECT_NE(EncodeBitmap(*source)[14], 124);
    }
}

TEST(BitmapMetadata, LinkedOrDamagedProfilesGiveNoProfileButThePicture) {
    const auto profile = MakeRgbProfile();
    TImageMetadata meta;
    // A linked profile names a file; it is never opened, and that is no fault.
    const std::string path = "/etc/passwd";
    ReadBitmapFromMemory(V5Bitmap(0x4C494E4B, {path.begin(), path.end()}, path.size()), &meta);
    EXPECT_TRUE(meta.IccProfile.empty());
    EXPECT_TRUE(meta.Warnings.empty());

    auto cut = profile;
    cut.resize(profile.size() / 2);
    const std::vector<std::uint8_t> garbage(200, 0x41);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
    } cases[] = {{"declared-past-end", V5Bitmap(0x4D424544, cut, profile.size())},
                 {"header-says-more", V5Bitmap(0x4D424544, cut, cut.size())},
                 {"two-gigabytes", V5Bitmap(0x4D424544, profile, 0x80000000u)},
                 {"not-a-profile", V5Bitmap(0x4D424544, garbage, garbage.size())}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        meta = {};
        const auto picture = ReadBitmapFromMemory(c.file, &meta);
        EXPECT_EQ(picture->Width(), 2);
        EXPECT_TRUE(meta.IccProfile.empty());
        EXPECT_EQ(meta.Warnings.size(), 1u);
    }
}

}  // namespace
}  // namespace corvane
