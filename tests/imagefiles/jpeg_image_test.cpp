// The JPEG image object, reader and writer without the reference tools:
// defaults, failures and their codes, the limits, four-component streams and
// the all-or-nothing output.
#include "imagefiles/jpeg_image.h"

#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <map>
#include <string>
#include <vector>

#include "imagefiles/jpeg_codec.h"
#include "imaging/errors.h"
#include "tests/imagefiles/jpeg_test_util.h"

namespace corvane {
namespace {

using namespace jpegtest;

// Runs `read` and returns the EJPEG code it raised, or -1 when it did not.
template <class F>
int JpegErrorCode(F read) {
    try {
        read();
    } catch (const EJPEG& e) {
        EXPECT_EQ(std::string(e.what()), "JPEG エラー #" + std::to_string(e.Code()));
        return e.Code();
    }
    return -1;
}

// Offset of the first marker `code` (0xFF code) in a stream.
std::size_t FindMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
    ADD_FAILURE() << "marker missing";
    return 0;
}

TEST(JpegDefaults, MatchTheTableAndFollowTheLowColourFlag) {
    TJPEGImage jpeg;
    EXPECT_EQ(jpeg.CompressionQuality(), 90);
    EXPECT_FALSE(jpeg.ProgressiveEncoding());
    EXPECT_FALSE(jpeg.Grayscale());
    EXPECT_EQ(jpeg.Performance(), TJPEGPerformance::jpBestQuality);
    EXPECT_EQ(jpeg.PixelFormat(), TJPEGPixelFormat::jf24Bit);
    EXPECT_FALSE(jpeg.ProgressiveDisplay());
    EXPECT_EQ(jpeg.Scale(), TJPEGScale::jsFullSize);
    EXPECT_TRUE(jpeg.Smoothing());

    SetLowColorDisplay(true);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf8Bit);
    SetLowColorDisplay(false);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf24Bit);

    for (auto [in, held] : {std::pair{0, 1}, {1, 1}, {100, 100}, {101, 100}, {-5, 1}, {256 + 35, 100}}) {
        jpeg.SetCompressionQuality(in);
        EXPECT_EQ(jpeg.CompressionQuality(), held) << in;
    }
}

TEST(JpegReader, EveryTestFileGivesAPictureOrAClearFailure) {
    struct Expected {
        int width, height;
        TPixelFormat format;
        int code;  // EJPEG code when the file must fail
    };
    const std::map<std::string, Expected> expected = {
        {"testorig.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        {"testimgint.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        {"testimgari.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        {"testimgp.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        {"testorig_rst.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        // Stored as it is: the orientation is the runner's to apply.
        {"testorig_camera.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        {"testorig_cmyk.jpg", {227, 149, TPixelFormat::pf24bit, 0}},
        {"testimggray.jpg", {227, 149, TPixelFormat::pf8bit, 0}},
        // 12-bit samples: this library reads only 8-bit precision.
        {"testorig12.jpg", {0, 0, TPixelFormat::pf24bit, JERR_BAD_PRECISION}},
        {"monkey12.jpg", {0, 0, TPixelFormat::pf24bit, JERR_BAD_PRECISION}},
    };
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TestImage("")))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".jpg") continue;
        SCOPED_TRACE(name);
        ++files;
        std::unique_ptr<TBitmap> picture;
        const int code = JpegErrorCode([&] { picture = ReadJPEGFile(entry.path().string()); });
        const auto it = expected.find(name);
        if (it == expected.end()) {
            ADD_FAILURE() << "new test file without an expectation";
            continue;
        }
        if (it->second.code) {
            EXPECT_EQ(code, it->second.code);
            continue;
        }
        ASSERT_EQ(code, -1);
        EXPECT_EQ(picture->Width(), it->second.width);
        EXPECT_EQ(picture->Height(), it->second.height);
        EXPECT_EQ(picture->PixelFormat(), it->second.format);
    }
    EXPECT_EQ(files, static_cast<int>(expected.size()));
}

class JpegFiles : public ScratchDir {};

TEST_F(JpegFiles, EmptyAndForeignFilesFailWithTheLibrarysCodes) {
    Spit(Path("empty.jpg"), {});
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Path("empty.jpg"));  // taken as it is
    EXPECT_EQ(jpeg.Width(), 0);
    EXPECT_EQ(JpegErrorCode([&] { jpeg.Bitmap(); }), JERR_INPUT_EMPTY);
    EXPECT_EQ(JpegErrorCode([&] { ReadJPEGFile(Path("empty.jpg")); }), JERR_INPUT_EMPTY);

    const std::string text = "not a picture\n";
    Spit(Path("text.jpg"), {text.begin(), text.end()});
    EXPECT_EQ(JpegErrorCode([&] { ReadJPEGFile(Path("text.jpg")); }), JERR_NO_SOI);

    EXPECT_THROW(ReadJPEGFile(Path("missing.jpg")), EFOpenError);
}

// huge-dimensions.jpg: a header that declares more pixels than any picture
// may have must be refused before memory is taken, by header reads too.
TEST(JpegLimits, HugeDeclaredSizeIsRefusedAfterTheHeader) {
    const auto original = Slurp(TestImage("testorig.jpg"));
    const std::size_t sof = FindMarker(original, 0xC0);
    for (auto [width, height] : {std::pair{20000, 20000}, {65535, 8}, {8, 65535}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        auto bytes = original;
        bytes[sof + 5] = static_cast<std::uint8_t>(height >> 8);
        bytes[sof + 6] = static_cast<std::uint8_t>(height);
        bytes[sof + 7] = static_cast<std::uint8_t>(width >> 8);
        bytes[sof + 8] = static_cast<std::uint8_t>(width);
        EXPECT_EQ(JpegErrorCode([&] { TJPEGImage().LoadFromMemory(bytes); }), JPEGErrImageTooBig());
        EXPECT_EQ(JpegErrorCode([&] { ReadJPEGFromMemory(bytes); }), JPEGErrImageTooBig());
    }
    EXPECT_EQ(JPEGErrImageTooBig(), JERR_IMAGE_TOO_BIG);
}

// many-scans.jpg: the first scan of a progressive file repeated; each repeat
// only warns, so without a limit the decoder would go on for every scan.
TEST(JpegLimits, EndlessProgressiveScansAreRefusedAfterTheLimit) {
    const auto original = Slurp(TestImage("testimgp.jpg"));
    const std::size_t sos = FindMarker(original, 0xDA);
    std::size_t end = sos + 2;
    while (end + 1 < original.size() &&
           !(original[end] == 0xFF && original[end + 1] != 0 && (original[end + 1] & 0xF8) != 0xD0))
        ++end;
    auto withScans = [&](int scans) {
        std::vector<std::uint8_t> bytes(original.begin(),
                                        original.begin() + static_cast<std::ptrdiff_t>(sos));
        for (int i = 0; i < scans; ++i)
            bytes.insert(bytes.end(), original.begin() + static_cast<std::ptrdiff_t>(sos),
                         original.begin() + static_cast<std::ptrdiff_t>(end));
        bytes.insert(bytes.end(), {0xFF, 0xD9});
        return bytes;
    };
    EXPECT_EQ(JpegErrorCode([&] { ReadJPEGFromMemory(withScans(kMaxJPEGScans)); }), -1);
    EXPECT_EQ(JpegErrorCode([&] { ReadJPEGFromMemory(withScans(kMaxJPEGScans + 1)); }), kJPEGErrTooManyScans);
}

TEST(JpegReader, FourComponentStreamsBecomeBlueGreenRed) {
    // Stored samples, C M Y K, and the colour they stand for (red, green, blue).
    struct Case {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe;  // the Adobe marker; the samples are inverted (255 - ink) either way
        std::uint8_t cmyk[4];
        int red, green, blue;
    };
    const Case cases[] = {
        {"inverted CMYK red", JCS_CMYK, true, {255, 0, 0, 255}, 255, 0, 0},
        {"inverted CMYK mixed", JCS_CMYK, true, {128, 255, 64, 200}, 100, 200, 50},
        // Without the marker the samples are read as inverted all the same.
        {"CMYK without the marker, red", JCS_CMYK, false, {255, 0, 0, 255}, 255, 0, 0},
        {"CMYK without the marker, mixed", JCS_CMYK, false, {128, 255, 64, 200}, 100, 200, 50},
        {"YCCK mixed", JCS_YCCK, true, {128, 255, 64, 200}, 100, 200, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> samples;
        for (int i = 0; i < 16 * 16; ++i) samples.insert(samples.end(), c.cmyk, c.cmyk + 4);
        const auto picture =
            ReadJPEGFromMemory(LibraryEncode(samples, 16, 16, 4, JCS_CMYK, c.stored, c.adobe));
        ASSERT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
        const std::uint8_t* p = picture->ScanLine(8) + 3 * 8;
        EXPECT_NEAR(p[0], c.blue, 3);
        EXPECT_NEAR(p[1], c.green, 3);
        EXPECT_NEAR(p[2], c.red, 3);
    }
}

TEST(JpegWriter, BlueGreenRedRowsEncodeLikeSwappedRedGreenBlue) {
    const auto picture = PhotoLike(67, 45);
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < picture->Height(); ++y)
        for (int x = 0; x < picture->Width(); ++x) {
            const std::uint8_t* p = picture->ScanLine(y) + 3 * x;
            rgb.insert(rgb.end(), {p[2], p[1], p[0]});
        }
    EXPECT_EQ(EncodeJPEG(*picture, 90, false), LibraryEncode(rgb, 67, 45, 3, JCS_RGB, JCS_UNKNOWN, false));
}

TEST(JpegWriter, EveryPixelFormatEncodesLikeIts24BitForm) {
    const auto photo = PhotoLike(33, 21);
    auto make = [&](TPixelFormat format) {
        auto picture = std::make_unique<TBitmap>();
        picture->SetPixelFormat(format);
        picture->SetSize(33, 21);
        for (int y = 0; y < 21; ++y)
            for (std::size_t i = 0; i < TBitmap::RowStride(33, format); ++i)
                picture->ScanLine(y)[i] = photo->ScanLine(y)[i % (33 * 3)];
        if (IsIndexed(format)) {
            std::vector<TPaletteEntry> palette(256);
            for (int i = 0; i < 256; ++i)
                palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2),
                              static_cast<std::uint8_t>(255 - i), 0};
            picture->SetPalette(palette);
        }
        return picture;
    };
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                TPixelFormat::pf15bit, TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
        SCOPED_TRACE(BitsPerPixel(format));
        const auto picture = make(format);
        auto expanded = picture->Clone();
        expanded->SetPixelFormat(TPixelFormat::pf24bit);
        EXPECT_EQ(EncodeJPEG(*picture, 75, false), EncodeJPEG(*expanded, 75, false));
        EXPECT_EQ(picture->PixelFormat(), format) << "the caller's picture is never converted";
    }
}

TEST_F(JpegFiles, GreyPictureIsWrittenAsAColourStream) {
    const auto grey = ReadJPEGFile(TestImage("testimggray.jpg"));
    WriteJPEGFile(*grey, Path("out.jpg"), 90, false);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Path("out.jpg"));
    EXPECT_FALSE(jpeg.Data().Grayscale);
    const TBitmap& back = jpeg.Bitmap();
    EXPECT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
    const std::uint8_t* p = back.ScanLine(70) + 3 * 100;
    EXPECT_NEAR(p[0], p[2], 2);
}

TEST_F(JpegFiles, OutputIsAllOrNothing) {
    // Nothing to encode: the file is created and stays empty.
    WriteJPEGFile(TBitmap(), Path("empty.jpg"), 90, false);
    EXPECT_TRUE(fs::exists(Path("empty.jpg")));
    EXPECT_EQ(fs::file_size(Path("empty.jpg")), 0u);

    EXPECT_THROW(WriteJPEGFile(*PhotoLike(8, 8), Path("no-folder/x.jpg"), 90, false), EFCreateError);

    // Wider than the format allows: the encoder fails before any file exists,
    // and an existing target keeps its contents.
    Spit(Path("keep.jpg"), {'o', 'l', 'd'});
    TBitmap wide;
    wide.SetSize(65501, 1);
    EXPECT_EQ(JpegErrorCode([&] { WriteJPEGFile(wide, Path("keep.jpg"), 90, false); }), JERR_IMAGE_TOO_BIG);
    EXPECT_EQ(Slurp(Path("keep.jpg")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(EntriesInDir(), 2u) << "no temporary file left behind";
}

TEST_F(JpegFiles, ImageObjectKeepsStreamAndPicture) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(TestImage("testimgp.jpg"));
    EXPECT_EQ(jpeg.Width(), 227);
    EXPECT_EQ(jpeg.Height(), 149);
    EXPECT_FALSE(jpeg.Data().Grayscale);
    EXPECT_TRUE(jpeg.ProgressiveEncoding()) << "taken from the stream's scans";

    jpeg.SetScale(TJPEGScale::jsHalf);
    EXPECT_EQ(jpeg.Bitmap().Width(), 114);
    EXPECT_EQ(jpeg.Bitmap().Height(), 75);

    TJPEGImage grey;
    grey.SetGrayscale(true);
    grey.LoadFromFile(TestImage("testorig.jpg"));
    const auto picture = grey.ReleaseBitmap();
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(picture->Palette().size(), 236u);

    // A picture given by reference is copied when handed out; the stream
    // made from it is saved as compressed.
    TJPEGImage out;
    out.SetCompressionQuality(50);
    out.Assign(*picture);
    const auto copy = out.ReleaseBitmap();
    EXPECT_NE(copy.get(), picture.get());
    EXPECT_EQ(Row(*copy, 10), Row(*picture, 10));
    out.Assign(*picture);
    out.SaveToFile(Path("saved.jpg"));
    EXPECT_EQ(Slurp(Path("saved.jpg")), EncodeJPEG(*picture, 50, false));
}

// Loading keeps the decoder that read the header; the first decode goes on
// from it with the options of that moment, later ones start afresh.
TEST(JpegReader, DecodeFromTheLoadedHeaderEqualsAFreshDecode) {
    const auto bytes = Slurp(TestImage("testimgp.jpg"));
    TJPEGImage jpeg;
    jpeg.LoadFromMemory(bytes);
    jpeg.SetScale(TJPEGScale::jsQuarter);
    jpeg.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    const auto fresh = DecodeJPEG(bytes, jpeg.Options());
    const TBitmap& kept = jpeg.Bitmap();
    ASSERT_EQ(kept.Width(), 57);
    ASSERT_EQ(kept.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(kept.Palette(), fresh->Palette());
    for (int y = 0; y < kept.Height(); ++y) ASSERT_EQ(Row(kept, y), Row(*fresh, y)) << "row " << y;

    jpeg.SetScale(TJPEGScale::jsFullSize);
    jpeg.SetPixelFormat(TJPEGPixelFormat::jf24Bit);
    jpeg.Decode();
    const auto full = ReadJPEGFromMemory(bytes);
    ASSERT_EQ(jpeg.Bitmap().Width(), 227);
    for (int y = 0; y < full->Height(); ++y) ASSERT_EQ(Row(jpeg.Bitmap(), y), Row(*full, y)) << "row " << y;
}

TEST(JpegCodec, StagesOutOfOrderFailWithTheBadStateCode) {
    const auto bytes = Slurp(TestImage("testorig.jpg"));
    jpegcodec::StreamInfo info;
    jpegcodec::DecodeSettings settings;
    jpegcodec::OutputInfo out;
    std::vector<std::uint8_t*> rows(149, nullptr);

    const auto fresh = jpegcodec::NewDecodeJob();
    EXPECT_EQ(jpegcodec::StartDecompress(fresh.get(), &settings, &out), JERR_BAD_STATE);
    EXPECT_EQ(jpegcodec::ReadRows(fresh.get(), rows.data()), JERR_BAD_STATE);

    const auto job = jpegcodec::NewDecodeJob();
    ASSERT_EQ(jpegcodec::ReadHeader(job.get(), bytes.data(), bytes.size(), &info), 0);
    EXPECT_EQ(info.Width, 227);
    EXPECT_EQ(jpegcodec::ReadHeader(job.get(), bytes.data(), bytes.size(), &info), JERR_BAD_STATE);
    EXPECT_EQ(jpegcodec::ReadRows(job.get(), rows.data()), JERR_BAD_STATE) << "decompression not started";

    const auto failed = jpegcodec::NewDecodeJob();
    const std::uint8_t junk[] = {'n', 'o', 't'};
    EXPECT_EQ(jpegcodec::ReadHeader(failed.get(), junk, sizeof junk, &info), JERR_NO_SOI);
    EXPECT_EQ(jpegcodec::StartDecompress(failed.get(), &settings, &out), JERR_BAD_STATE);
}

}  // namespace
}  // namespace corvane
