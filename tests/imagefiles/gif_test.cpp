#include <gtest/gtest.h>

#include "imagefiles/gif/gif_reader.h"
#include "imagefiles/image_file_errors.h"
#include "tests/imagefiles/pillow_oracle.h"

namespace corvane {
namespace {

using namespace oracle;

class GifOracle : public OracleTest {};

// An animation's first frame, a transparent index, greys, interlaced rows.
TEST_F(GifOracle, EveryFileDecodesToPillowsFirstFrame) {
    int compared = 0;
    for (const std::string& name : TestFiles("gif", ".gif")) {
        SCOPED_TRACE(name);
        const std::string path = TestFile("gif", name);
        const TDecodedImage image = DecodeGIF(jpegtest::Slurp(path), path);
        EXPECT_TRUE(SameRGBA(AsRGBA(*image.Bitmap), Pillow(path)));
        EXPECT_EQ(image.Bitmap->HasAlpha(), name == "transparent.gif");
        ++compared;
    }
    EXPECT_EQ(compared, 4);
}

// A 2 x 1 frame at (1, 0) on a 4 x 2 screen, index 1 transparent: the screen
// around it is transparent, and reading stops before the broken second frame.
TEST(GifReader, FramesSmallerThanTheScreenAndWhatFollowsTheFirst) {
    const std::vector<std::uint8_t> gif = {
        'G',  'I',  'F',  '8',  '9', 'a',  4,    0,    2,    0,
        0x80, 0,    0,                                           // screen 4 x 2, 2-entry global map
        255,  0,    0,    0,    0,   255,                        // red, blue
        0x21, 0xF9, 4,    1,    0,   0,    1,    0,              // graphic control: index 1 transparent
        0x2C, 1,    0,    0,    0,   2,    0,    1,    0,    0,  // image at (1, 0), 2 x 1
        2,    2,    0x44, 0x0A, 0,                               // LZW: clear, 0, 1, end
        0x2C, 0,    0,    0,    0,   0xFF, 0xFF, 0xFF, 0xFF, 0,  // second image: nonsense
    };
    const TDecodedImage image = DecodeGIF(gif, "x.gif");
    const TRGBA rgba = AsRGBA(*image.Bitmap);
    ASSERT_EQ(rgba.Width, 4);
    ASSERT_EQ(rgba.Height, 2);
    const std::vector<std::uint8_t> row0(rgba.Bytes.begin(), rgba.Bytes.begin() + 16);
    EXPECT_EQ(row0, (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0}));
    for (std::size_t i = 16; i < rgba.Bytes.size(); i += 4) EXPECT_EQ(rgba.Bytes[i + 3], 0) << i;
}

TEST(GifReader, RefusesOversizedAndBrokenFilesNamingThem) {
    const auto failure = [](const std::vector<std::uint8_t>& file) -> std::string {
        try {
            DecodeGIF(file, "dir/x.gif");
        } catch (const EImageFileError& e) {
            return e.what();
        }
        return "accepted";
    };
    const std::string prefix = "ファイル dir/x.gif は GIF として読めません: ";
    // A 65535 x 65535 screen is more than a picture may hold.
    EXPECT_EQ(failure({'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}),
              prefix + "画像の大きさ 65535x65535 は扱えません");
    // A 1 x 1 screen with a 65535 x 65535 frame: refused before any line is decoded.
    EXPECT_EQ(failure({'G', 'I', 'F', '8', '9',  'a',  1,    0,    1, 0, 0, 0,    0,    0x2C,
                       0,   0,   0,   0,   0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x44, 0x0A, 0}),
              prefix + "画像の大きさ 65535x65535 は扱えません");
    const std::vector<std::uint8_t> whole = jpegtest::Slurp(TestFile("gif", "grey.gif"));
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, whole.size() / 2}) {
        const std::string what = failure({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)});
        EXPECT_EQ(what.rfind(prefix, 0), 0u) << what;
        EXPECT_GT(what.size(), prefix.size()) << "giflib's text follows";
    }
}

}  // namespace
}  // namespace corvane
