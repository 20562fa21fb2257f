#include <gtest/gtest.h>

#include "imagefiles/image_file_errors.h"
#include "imagefiles/tiff/tiff_reader.h"
#include "imagefiles/tiff/tiff_writer.h"
#include "tests/imagefiles/pillow_oracle.h"

namespace corvane {
namespace {

using namespace oracle;

class TiffOracle : public OracleTest {};

// Strips and tiles, 1-, 8- and 16-bit samples, grey, palette, RGB, RGBA,
// every compression asked for, JPEG in RGB and in YCbCr, the first of two pages.
TEST_F(TiffOracle, EveryFileDecodesToPillowsPixels) {
    int compared = 0;
    for (const std::string& name : TestFiles("tiff", ".tif")) {
        // Pillow goes through libtiff's RGBA path for it, which flips rows by
        // the orientation tag (6); its stored rows are checked in
        // container_metadata_test.
        if (name == "rgb8-exif.tif") continue;
        SCOPED_TRACE(name);
        const std::string path = TestFile("tiff", name);
        const TDecodedImage image = DecodeTIFF(jpegtest::Slurp(path), path);
        EXPECT_TRUE(SameRGBA(AsRGBA(*image.Bitmap), Pillow(path)));
        EXPECT_EQ(image.Bitmap->HasAlpha(), name.rfind("rgba", 0) == 0);
        ++compared;
    }
    EXPECT_GE(compared, 16);
}

TEST_F(TiffOracle, WrittenPicturesReadBackExactly) {
    for (const char* name : {"rgba16-lzw.tif", "palette-lzw.tif", "tiled-rgb8.tif"}) {
        SCOPED_TRACE(name);
        const TDecodedImage image = DecodeTIFF(jpegtest::Slurp(TestFile("tiff", name)), name);
        const std::vector<std::uint8_t> bytes = EncodeTIFF(*image.Bitmap, {});
        jpegtest::Spit(Path("out.tif"), bytes);
        EXPECT_TRUE(SameRGBA(Pillow(Path("out.tif")), AsRGBA(*image.Bitmap)));
        EXPECT_TRUE(SameRGBA(AsRGBA(*DecodeTIFF(bytes, "out.tif").Bitmap), AsRGBA(*image.Bitmap)));
    }
}

// A header of 70000 columns is refused before the picture exists; a file cut
// short names the file and libtiff's own words.
TEST(TiffReader, RefusesOversizedAndBrokenFilesNamingThem) {
    const auto failure = [](const std::vector<std::uint8_t>& file) -> std::string {
        try {
            DecodeTIFF(file, "dir/x.tif");
        } catch (const EImageFileError& e) {
            return e.what();
        }
        return "accepted";
    };
    const std::string prefix = "ファイル dir/x.tif は TIFF として読めません: ";
    TBitmap wide;
    wide.SetSize(1, 1);
    std::vector<std::uint8_t> bytes = EncodeTIFF(wide, {});
    // The width is the first entry of the first directory (tag 256), made a LONG.
    const std::size_t ifd = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | std::size_t{bytes[7]} << 24;
    ASSERT_EQ(bytes[ifd + 2] | bytes[ifd + 3] << 8, 256);
    bytes[ifd + 4] = 4;
    bytes[ifd + 5] = 0;
    const std::uint32_t columns = 70000;
    for (int i = 0; i < 4; ++i) bytes[ifd + 10 + i] = static_cast<std::uint8_t>(columns >> (8 * i));
    EXPECT_EQ(failure(bytes).rfind(prefix + "画像の大きさ 70000x1", 0), 0u) << failure(bytes);

    const std::vector<std::uint8_t> whole = jpegtest::Slurp(TestFile("tiff", "rgb8-tiff_lzw.tif"));
    const std::string cut = failure({whole.begin(), whole.begin() + 300});
    EXPECT_EQ(cut.rfind(prefix, 0), 0u) << cut;
    EXPECT_GT(cut.size(), prefix.size()) << "the library's reason follows";
    EXPECT_EQ(failure({'I', 'I', 42, 0}).rfind(prefix, 0), 0u);
    EXPECT_EQ(failure({}).rfind(prefix, 0), 0u);
}

}  // namespace
}  // namespace corvane
