// The header probes read what the file declares, whatever its size, and
// give up (leaving the failure to the reader) on anything else.
#include "imagefiles/picture_probe.h"

#include <gtest/gtest.h>

#include <filesystem>

// clang-format off
#include "jpeg_test_util.h"  // first: it names ::testing before corvane::testing exists
#include "bmp_test_util.h"
// clang-format on
#include "imagefiles/jpeg_image.h"

namespace corvane {
namespace {

using jpegtest::Spit;
using testing::BmpLayout;
using testing::BuildBmp;

class Probe : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // A small encoded picture, with what the test needs spliced in after SOI.
    std::vector<std::uint8_t> Jpeg(bool progressive, const std::vector<std::uint8_t>& afterSoi = {}) {
        TBitmap p;
        p.SetPixelFormat(TPixelFormat::pf24bit);
        p.SetSize(17, 9);
        std::vector<std::uint8_t> bytes = EncodeJPEG(p, 90, progressive);
        bytes.insert(bytes.begin() + 2, afterSoi.begin(), afterSoi.end());
        return bytes;
    }

    std::string dir_ =
        (std::filesystem::temp_directory_path() / ("corvane-probe-" + std::to_string(::getpid()))).string();
};

TEST_F(Probe, BitmapHeadersGiveTheDeclaredSizeWithoutThePixels) {
    BmpLayout huge;
    huge.width = 70000;
    huge.height = -3;  // top-down
    huge.bitCount = 8;
    Spit(Path("huge.bmp"), BuildBmp(huge));
    const auto h = ProbeBitmapFile(Path("huge.bmp"));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Width, 70000);
    EXPECT_EQ(h->Height, 3);
    EXPECT_EQ(h->BitsPerPixel, 8);

    BmpLayout core;
    core.headerSize = 12;
    core.width = 65535;
    core.height = 2;
    Spit(Path("core.bmp"), BuildBmp(core));
    ASSERT_TRUE(ProbeBitmapFile(Path("core.bmp")));
    EXPECT_EQ(ProbeBitmapFile(Path("core.bmp"))->Width, 65535);

    Spit(Path("empty.bmp"), {});
    EXPECT_EQ(ProbeBitmapFile(Path("empty.bmp"))->Width, 0);
    Spit(Path("text.bmp"),
         {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!', '!', '!'});
    EXPECT_FALSE(ProbeBitmapFile(Path("text.bmp")));
    EXPECT_FALSE(ProbeBitmapFile(Path("missing.bmp")));
}

TEST_F(Probe, JpegFrameHeaderIsFoundPastOtherSegments) {
    Spit(Path("plain.jpg"), Jpeg(false));
    const auto plain = ProbeJPEGFile(Path("plain.jpg"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Width, 17);
    EXPECT_EQ(plain->Height, 9);
    EXPECT_EQ(plain->BitsPerPixel, 24);
    EXPECT_FALSE(plain->Progressive);

    // A 60 KB application segment (as a camera's metadata) and fill bytes first.
    std::vector<std::uint8_t> app{0xFF, 0xE1, 0xEA, 0x62};
    app.resize(0xEA62 + 2, 0x55);
    app.insert(app.end(), {0xFF, 0xFF});
    Spit(Path("progressive.jpg"), Jpeg(true, app));
    const auto progressive = ProbeJPEGFile(Path("progressive.jpg"));
    ASSERT_TRUE(progressive);
    EXPECT_EQ(progressive->Width, 17);
    EXPECT_TRUE(progressive->Progressive);

    std::vector<std::uint8_t> cut = Jpeg(false);
    cut.resize(40);  // inside the tables, before the frame header
    Spit(Path("cut.jpg"), cut);
    EXPECT_FALSE(ProbeJPEGFile(Path("cut.jpg")));
    Spit(Path("not.jpg"), {'B', 'M', 0, 0});
    EXPECT_FALSE(ProbeJPEGFile(Path("not.jpg")));
}

}  // namespace
}  // namespace corvane
