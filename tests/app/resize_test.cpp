#include <gtest/gtest.h>

#include <fstream>

#include "app/batch_options.h"
#include "app/entry_conversion.h"
#include "app/errors.h"
#include "app/resize_setting.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/png/png_reader.h"
#include "convert_entry.h"
#include "test_files.h"

namespace corvane {
namespace {

using testing::ConvertEntry;
using testing::TempFolder;

TEST(ResizeSetting, TextsAcceptedAndRefused) {
    const struct {
        const char* text;
        const char* shown;
    } good[] = {{"none", "none"},  {"NONE", "none"}, {"1920", "1920"}, {" 1920 X 1080 ", "1920x1080"},
                {"1x1", "1x1"},    {"50%", "50%"},   {"100%", "100%"}, {"65535", "65535"},
                {"1000%", "1000%"}};
    for (const auto& g : good) {
        std::string shown;
        EXPECT_TRUE(NormalizeResizeText(g.text, shown)) << g.text;
        EXPECT_EQ(shown, g.shown);
    }
    for (const char* bad : {"", "0", "0%", "1001%", "-5", "1920x", "x1080", "1.5", "70000", "50 %%", "1920x0",
                            "auto", "1e3", "12345678"}) {
        std::string shown;
        EXPECT_FALSE(NormalizeResizeText(bad, shown)) << bad;
    }
}

TEST(ResizeSetting, SizesFitTheBoxKeepTheRatioAndNeverEnlarge) {
    const auto size = [](const char* text, int w, int h) {
        TResizeSpec wanted;
        std::string shown;
        EXPECT_TRUE(ParseResize(text, wanted, shown)) << text;
        return ResizedSize(wanted, {w, h});
    };
    using S = TPictureSize;
    EXPECT_EQ(size("none", 4000, 3000), (S{4000, 3000}));
    EXPECT_EQ(size("1920", 4000, 3000), (S{1920, 1440}));
    EXPECT_EQ(size("1920", 3000, 4000), (S{1440, 1920}));
    EXPECT_EQ(size("1920", 4032, 3024), (S{1920, 1440}));
    EXPECT_EQ(size("1920", 1920, 1080), (S{1920, 1080})) << "already fits";
    EXPECT_EQ(size("1920", 800, 600), (S{800, 600})) << "never enlarged";
    EXPECT_EQ(size("1000", 3001, 1), (S{1000, 1})) << "at least one pixel";
    EXPECT_EQ(size("1280x720", 4000, 3000), (S{960, 720})) << "height decides";
    EXPECT_EQ(size("1280x720", 4000, 1000), (S{1280, 320})) << "width decides";
    EXPECT_EQ(size("1280x720", 1000, 700), (S{1000, 700}));
    EXPECT_EQ(size("50%", 4001, 3001), (S{2001, 1501})) << "halves away from zero";
    EXPECT_EQ(size("100%", 37, 23), (S{37, 23}));
    EXPECT_EQ(size("1%", 50, 50), (S{1, 1}));
    EXPECT_EQ(size("250%", 50, 50), (S{50, 50})) << "never enlarged unless asked";
}

// Asked to enlarge: as far as asked, then no further than a working bitmap
// holds, the ratio kept.
TEST(ResizeSetting, EnlargesOnlyWhenAskedAndWithinTheLimits) {
    const auto size = [](const char* text, int w, int h) {
        TResizeSpec wanted;
        std::string shown;
        EXPECT_TRUE(ParseResize(text, wanted, shown)) << text;
        wanted.Enlarge = true;
        return ResizedSize(wanted, {w, h});
    };
    using S = TPictureSize;
    EXPECT_EQ(size("1920", 800, 600), (S{1920, 1440}));
    EXPECT_EQ(size("1280x720", 320, 320), (S{720, 720}));
    EXPECT_EQ(size("150%", 227, 149), (S{341, 224}));
    EXPECT_EQ(size("1920", 4000, 3000), (S{1920, 1440})) << "shrinking as before";
    EXPECT_EQ(size("200%", 60000, 10), (S{65535, 10})) << "a side's limit";
    EXPECT_EQ(size("200%", 10000, 10000), (S{16384, 16384})) << "the pixel limit";
    EXPECT_LE(std::int64_t{16384} * 16384, kMaxPixels);
    EXPECT_EQ(size("200%", 20000, 20000), (S{20000, 20000})) << "no room at all";
    TConversionSettings s;
    s.Resize = "1920";
    EXPECT_FALSE(ResizeSpecOf(s).Enlarge);
    s.Enlarge = true;
    EXPECT_TRUE(ResizeSpecOf(s).Enlarge);
    EXPECT_TRUE(ParseBatchOptions({"--resize", "1920", "--enlarge", "--list", "l"}).Settings.Enlarge);
}

TEST(ResizeSetting, ShrinkOnLoadLeavesAtLeastTheTarget) {
    using S = TPictureSize;
    EXPECT_EQ(ShrinkOnLoadFactor({4000, 3000}, {1920, 1440}), 2);
    EXPECT_EQ(ShrinkOnLoadFactor({4000, 3000}, {2001, 1500}), 1) << "less than half";
    EXPECT_EQ(ShrinkOnLoadFactor({4000, 3000}, {1000, 750}), 4);
    EXPECT_EQ(ShrinkOnLoadFactor({8000, 6000}, {100, 75}), 8);
    EXPECT_EQ(ShrinkOnLoadFactor(S{37, 23}, S{37, 23}), 1);
}

// The command line and the window's text go through the same rule.
TEST(ResizeSetting, CommandLineAndValidation) {
    EXPECT_EQ(ParseBatchOptions({"--resize", "1920X1080", "--list", "l"}).Settings.Resize, "1920x1080");
    EXPECT_EQ(ParseBatchOptions({"--list", "l"}).Settings.Resize, "none");
    try {
        ParseBatchOptions({"--resize=big", "--list", "l"});
        ADD_FAILURE();
    } catch (const EUsageError& e) {
        EXPECT_EQ(std::string(e.what()), "--resize big: none, N, WxH, P% のどれかを指定してください");
    }
    TConversionSettings typed;
    typed.Resize = "2000%";
    EXPECT_THROW(ValidateSettings(typed), ESettingsError);
    EXPECT_NE(BatchUsageText().find("--resize none|N|WxH|P%"), std::string::npos);
}

class ResizeRun : public ::testing::Test {
protected:
    // A 2000 x 1500 JPEG, or one of the given size.
    std::string Photo(const std::string& name, int w = 2000, int h = 1500) {
        TBitmap b;
        b.SetSize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = b.ScanLine(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>(x * 255 / w);
                p[1] = static_cast<std::uint8_t>(y * 255 / h);
                p[2] = static_cast<std::uint8_t>((x + y) % 256);
            }
        const std::string path = dir / name;
        WriteJPEGFile(b, path, 90, false);
        return path;
    }
    TempFolder dir;
};

// The JPEG is decoded at a quarter (500 x 375 is what 400 x 300 needs at
// least), then finished by the filter to the exact size.
TEST_F(ResizeRun, JPEGIsShrunkOnLoadAndFinishedToTheExactSize) {
    const std::string path = Photo("p.jpg");
    TConversionSettings s;
    s.Gamma = 10;  // no tone work
    s.Resize = "400";
    TSourcePicture read = ReadSourceFor(path, s);
    EXPECT_EQ(read.Bitmap->Width(), 500);
    EXPECT_EQ(read.Bitmap->Height(), 375);
    EXPECT_EQ(read.FullSize, (TPictureSize{2000, 1500}));
    const auto out = ConvertPicture(*read.Bitmap, s, read.FullSize);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Width(), 400);
    EXPECT_EQ(out->Height(), 300);

    s.Resize = "none";
    EXPECT_EQ(ReadSourceFor(path, s).Bitmap->Width(), 2000) << "no resize, no shrinking";
}

// The turn is reckoned on the file's shape: 1001 x 1000 decoded at a half
// is 501 x 500, still lying, and is turned upright; Circum turns come out
// as the full-size turn scaled.
TEST_F(ResizeRun, TurnsAreDecidedOnTheFullSizeAndResizeComesLast) {
    const std::string path = Photo("q.jpg", 1001, 1000);
    TConversionSettings s;
    s.Gamma = 10;
    s.AutoTurn = TAutoTurn::Upright;
    s.Resize = "250";
    TSourcePicture read = ReadSourceFor(path, s);
    ASSERT_EQ(read.Bitmap->Width(), 251) << "decoded at a quarter";
    const auto out = ConvertPicture(*read.Bitmap, s, read.FullSize);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Width(), 250);
    EXPECT_EQ(out->Height(), 250) << "999.x rounds to a square";
    EXPECT_EQ(OutputSizeFor(s, {4000, 3000}), (TPictureSize{188, 250})) << "upright, then fitted";

    s.AutoTurn = TAutoTurn::None;
    s.Angle = 450;
    s.Circum = true;
    EXPECT_EQ(OutputSizeFor(s, {4000, 3000}), (TPictureSize{250, 250}));
}

// testorig_camera.jpg is 227 x 149 with orientation 6: upright 149 x 227,
// which fits 80 x 200 as 80 x 122. Decoded at a half (114 x 75, stood up
// 75 x 114) it would have to be enlarged again.
TEST_F(ResizeRun, ShrinkOnLoadLeavesTheTargetToAPictureTheOrientationStandsUp) {
    const std::string path = std::string(CORVANE_TESTDATA_DIR) + "/jpeg/testorig_camera.jpg";
    TConversionSettings s;
    s.Gamma = 10;
    s.Resize = "80x200";
    const TSourcePicture read = ReadSourceFor(path, s);
    EXPECT_EQ(read.Bitmap->Width(), 227) << "not shrunk";
    const TEncodedEntry encoded = EncodeEntry(PrepareEntry(path + "," + dir.Dir(), 0, 1, s), s);
    const auto written = ReadJPEGFromMemory(encoded.Bytes);
    EXPECT_EQ(written->Width(), 80);
    EXPECT_EQ(written->Height(), 122);

    s.Orientation = TOrientationMode::Ignore;  // 227 x 149 into 80 x 200: 80 x 53, from a half
    EXPECT_EQ(ReadSourceFor(path, s).Bitmap->Width(), 114);
}

// Transparency survives turning and resizing into PNG; the turned-in corners
// are transparent.
TEST_F(ResizeRun, AlphaReachesPNGOutputAndCornersAreClear) {
    TBitmap b;
    b.SetSize(64, 48);
    b.AddAlpha(200);
    const std::string src = dir / "a.png";
    WriteImageFile(b, TImageFormatId::PNG, src, {});
    TConversionSettings s;
    s.Gamma = 10;
    s.Angle = 450;
    s.Resize = "50%";
    s.SaveFormat = ".png";
    TempFolder out;
    const TEntryJob job = PrepareEntry("\"" + src + "\",\"" + out.Dir() + "\"", 0, 1, s);
    ConvertEntry(job, s);
    const TDecodedImage written = DecodePNG(testing::ReadBytesVector(out / "a.png"), "a.png");
    ASSERT_TRUE(written.Bitmap->HasAlpha());
    EXPECT_EQ(written.Bitmap->AlphaLine(0)[0], 0) << "turned-in corner";
    const int cx = written.Bitmap->Width() / 2, cy = written.Bitmap->Height() / 2;
    EXPECT_EQ(written.Bitmap->AlphaLine(cy)[cx], 200);
}

}  // namespace
}  // namespace corvane
