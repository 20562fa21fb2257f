// The run's metadata policies without files: what the output carries by the
// settings, and that what cannot be used is dropped with a warning while the
// picture goes on.
#include "app/metadata_policy.h"

#include <gtest/gtest.h>

#include "imagefiles/jpeg_image.h"
#include "imagefiles/metadata/exif_block.h"
#include "imagefiles/metadata/srgb_conversion.h"
#include "tests/imagefiles/jpeg_test_util.h"
#include "tests/imagefiles/metadata_test_util.h"

namespace corvane {
namespace {

using namespace metadatatest;

std::vector<std::uint8_t> GrayProfile() {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

TSourcePicture Source(int orientation, std::vector<std::uint8_t> profile) {
    TSourcePicture source;
    source.Bitmap = jpegtest::PhotoLike(6, 4);
    source.Metadata.Segments = {{TSegmentKind::Exif, kMarkerAPP1, MakeExifPayload(orientation, 6, 4)},
                                {TSegmentKind::Comment, kMarkerCOM, {'h', 'i'}}};
    source.Metadata.Orientation = orientation;
    source.Metadata.IccProfile = std::move(profile);
    return source;
}

TEST(MetadataPolicy, WhatTheOutputCarriesBySettingAndWriter) {
    const auto profile = MakeRgbProfile();
    TSourcePicture source = Source(1, profile);
    TConversionSettings s;
    std::vector<std::string> warnings;
    PrepareSource(source, s);
    EXPECT_FALSE(source.Oriented || source.ColourConverted);

    TImageMetadata out = OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::JPEG, warnings);
    EXPECT_EQ(out.Segments, source.Metadata.Segments);  // unchanged pixels: verbatim
    EXPECT_EQ(out.IccProfile, profile);
    out = OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::Bitmap, warnings);
    EXPECT_TRUE(out.Segments.empty());
    EXPECT_EQ(out.IccProfile, profile);
    // Every other writer gets the segments and takes what its format holds.
    for (TWriterKind writer : {TWriterKind::PNG, TWriterKind::TIFF, TWriterKind::WebP, TWriterKind::AVIF}) {
        out = OutputMetadata(source, s, *source.Bitmap, false, writer, warnings);
        EXPECT_EQ(out.Segments, source.Metadata.Segments);
        EXPECT_EQ(out.IccProfile, profile);
    }

    s.Metadata = TMetadataMode::Strip;
    s.Icc = TIccMode::Strip;
    EXPECT_TRUE(OutputMetadata(source, s, *source.Bitmap, true, TWriterKind::JPEG, warnings).Empty());
    EXPECT_TRUE(warnings.empty());
}

TEST(MetadataPolicy, OrientationTurnsThePixelsAndTheTagFollows) {
    TSourcePicture source = Source(6, {});
    TConversionSettings s;
    PrepareSource(source, s);
    ASSERT_TRUE(source.Oriented);
    EXPECT_EQ(source.Bitmap->Width(), 4);
    std::vector<std::string> warnings;
    const TImageMetadata out = OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::JPEG, warnings);
    const TExifReading reading = ReadExifBlock(out.Exif()->Bytes);
    EXPECT_EQ(reading.Orientation, 1);

    TSourcePicture ignored = Source(6, {});
    s.Orientation = TOrientationMode::Ignore;
    PrepareSource(ignored, s);
    EXPECT_FALSE(ignored.Oriented);
    EXPECT_EQ(ignored.Bitmap->Width(), 6);
    const TImageMetadata kept =
        OutputMetadata(ignored, s, *ignored.Bitmap, true, TWriterKind::JPEG, warnings);
    EXPECT_EQ(ReadExifBlock(kept.Exif()->Bytes).Orientation, 6);
}

// With the orientation ignored the pixels stay as stored and the output is
// to be turned when shown: in an AVIF file by its container, whose viewers
// follow it, so its EXIF tag says 1 there; elsewhere the tag keeps saying 6.
TEST(MetadataPolicy, AnAvifOutputRecordsTheTurnInItsContainer) {
    TSourcePicture source = Source(6, {});
    TConversionSettings s;
    s.Orientation = TOrientationMode::Ignore;
    PrepareSource(source, s);
    std::vector<std::string> warnings;
    const TImageMetadata avif = OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::AVIF, warnings);
    EXPECT_EQ(avif.Orientation, 6);
    EXPECT_EQ(ReadExifBlock(avif.Exif()->Bytes).Orientation, 1);
    const TImageMetadata png = OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::PNG, warnings);
    EXPECT_EQ(png.Orientation, 6);
    EXPECT_EQ(png.Segments, source.Metadata.Segments);

    // Turned by the orientation: nothing is left for a container to turn.
    TSourcePicture turned = Source(6, {});
    s.Orientation = TOrientationMode::Apply;
    PrepareSource(turned, s);
    const TImageMetadata out = OutputMetadata(turned, s, *turned.Bitmap, false, TWriterKind::AVIF, warnings);
    EXPECT_EQ(out.Orientation, 1);
    EXPECT_EQ(ReadExifBlock(out.Exif()->Bytes).Orientation, 1);
    EXPECT_TRUE(warnings.empty());
}

// A PNG or TIFF file can hold more than a JPEG segment: what does not fit
// one is left out of a JPEG output only, with a warning.
TEST(MetadataPolicy, WhatNoJPEGSegmentHoldsIsLeftOutOfJPEGOutputsOnly) {
    TSourcePicture source = Source(1, {});
    std::vector<std::uint8_t> xmp(kXmpIdentifier, kXmpIdentifier + sizeof kXmpIdentifier);
    xmp.resize(70000, ' ');
    source.Metadata.Segments.push_back({TSegmentKind::Xmp, kMarkerAPP1, xmp});
    TConversionSettings s;
    PrepareSource(source, s);
    std::vector<std::string> warnings;
    EXPECT_EQ(OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::PNG, warnings).Segments.size(),
              3u);
    EXPECT_TRUE(warnings.empty());
    const TImageMetadata jpeg = OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::JPEG, warnings);
    EXPECT_EQ(jpeg.Xmp(), nullptr);
    EXPECT_EQ(jpeg.Segments.size(), 2u);
    EXPECT_EQ(warnings, std::vector<std::string>{"XMP を外しました: JPEG のセグメントに収まりません"});
}

// A grey profile cannot describe the RGB pixels the outputs hold: it is
// neither written nor used for a conversion, and the picture goes on.
TEST(MetadataPolicy, ProfilesThatDoNotFitAreDroppedWithAWarning) {
    TSourcePicture source = Source(1, GrayProfile());
    TConversionSettings s;
    std::vector<std::string> warnings;
    PrepareSource(source, s);
    EXPECT_TRUE(
        OutputMetadata(source, s, *source.Bitmap, false, TWriterKind::JPEG, warnings).IccProfile.empty());
    EXPECT_EQ(warnings.size(), 1u);

    TSourcePicture converted = Source(1, GrayProfile());
    const auto before = converted.Bitmap->Clone();
    s.Icc = TIccMode::SRGB;
    PrepareSource(converted, s);
    EXPECT_FALSE(converted.ColourConverted);
    EXPECT_EQ(converted.Warnings.size(), 1u);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(jpegtest::Row(*converted.Bitmap, y), jpegtest::Row(*before, y));
}

// An indexed picture keeps its pixels and gets its palette converted: the
// same colours as converting the picture made 24-bit.
TEST(MetadataPolicy, IndexedPicturesConvertTheirPalette) {
    const auto profile = MakeRgbProfile();
    TBitmap indexed;
    indexed.SetPixelFormat(TPixelFormat::pf8bit);
    indexed.SetSize(3, 2);
    indexed.SetPalette({{250, 10, 10, 0}, {10, 200, 30, 0}, {40, 50, 240, 0}});
    for (int x = 0; x < 3; ++x) indexed.ScanLine(1)[x] = static_cast<std::uint8_t>(x);
    auto deep = indexed.Clone();
    deep->SetPixelFormat(TPixelFormat::pf24bit);
    ASSERT_EQ(ConvertToSRGB(indexed, profile), "");
    ASSERT_EQ(ConvertToSRGB(*deep, profile), "");
    EXPECT_EQ(indexed.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_NE(indexed.Palette()[1], (TPaletteEntry{10, 200, 30, 0}));  // the colours did change
    indexed.SetPixelFormat(TPixelFormat::pf24bit);
    for (int y = 0; y < 2; ++y) EXPECT_EQ(jpegtest::Row(indexed, y), jpegtest::Row(*deep, y));
}

}  // namespace
}  // namespace corvane
