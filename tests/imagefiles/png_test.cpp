#include <gtest/gtest.h>

#include <cmath>

#include "imagefiles/image_file_errors.h"
#include "imagefiles/png/png_reader.h"
#include "imagefiles/png/png_writer.h"
#include "tests/imagefiles/pillow_oracle.h"

namespace corvane {
namespace {

using namespace oracle;

class PngOracle : public OracleTest {};

// Every colour type and depth, palettes with and without tRNS, grey and RGB
// tRNS, 16-bit samples and an interlaced file: the pixels Pillow decodes.
TEST_F(PngOracle, EveryFileDecodesToPillowsPixels) {
    int compared = 0;
    for (const std::string& name : TestFiles("png", ".png")) {
        if (name == "rgb8-gamma1.png") continue;  // Pillow leaves gAMA alone
        SCOPED_TRACE(name);
        const std::string path = TestFile("png", name);
        const TDecodedImage image = DecodePNG(jpegtest::Slurp(path), path);
        EXPECT_TRUE(SameRGBA(AsRGBA(*image.Bitmap), Pillow(path)));
        const bool transparent = name.find("trns") != std::string::npos ||
                                 name.find("alpha") != std::string::npos ||
                                 name.find("rgba") != std::string::npos;
        EXPECT_EQ(image.Bitmap->HasAlpha(), transparent);
        ++compared;
    }
    EXPECT_GE(compared, 24);
}

TEST_F(PngOracle, WrittenPicturesReadBackExactly) {
    for (const char* name : {"rgba16.png", "palette4-trns.png", "rgb8.png", "grey2.png"}) {
        SCOPED_TRACE(name);
        const TDecodedImage image = DecodePNG(jpegtest::Slurp(TestFile("png", name)), name);
        const std::vector<std::uint8_t> bytes = EncodePNG(*image.Bitmap, {});
        jpegtest::Spit(Path("out.png"), bytes);
        EXPECT_TRUE(SameRGBA(Pillow(Path("out.png")), AsRGBA(*image.Bitmap)));
        EXPECT_TRUE(SameRGBA(AsRGBA(*DecodePNG(bytes, "out.png").Bitmap), AsRGBA(*image.Bitmap)));
    }
}

TEST(PngReader, GammaIsAppliedOnlyWithoutAProfileAndProfilesComeBackAsBytes) {
    const std::string plain = TestFile("png", "rgb8.png");
    const std::string linear = TestFile("png", "rgb8-gamma1.png");
    const auto a = oracle::AsRGBA(*DecodePNG(jpegtest::Slurp(plain), plain).Bitmap);
    const auto b = oracle::AsRGBA(*DecodePNG(jpegtest::Slurp(linear), linear).Bitmap);
    ASSERT_EQ(a.Bytes.size(), b.Bytes.size());
    for (std::size_t i = 0; i < a.Bytes.size(); ++i) {
        if (i % 4 == 3) continue;
        const double expected = 255 * std::pow(a.Bytes[i] / 255.0, 1 / 2.2);
        ASSERT_NEAR(b.Bytes[i], expected, 1.0) << "sample " << i << " from " << int{a.Bytes[i]};
    }
    // The file's iCCP holds placeholder bytes, not a profile: checked as the
    // JPEG reader checks one, and left out with a warning.
    const std::string icc = TestFile("png", "rgb8-iccp.png");
    const TDecodedImage withProfile = DecodePNG(jpegtest::Slurp(icc), icc);
    EXPECT_TRUE(withProfile.Metadata.IccProfile.empty());
    EXPECT_EQ(withProfile.Metadata.Warnings,
              std::vector<std::string>{"カラープロファイルを外しました: プロファイルではありません"});
    EXPECT_TRUE(DecodePNG(jpegtest::Slurp(plain), plain).Metadata.Empty());
}

// A header that declares more than a working bitmap holds is refused before
// pixel memory exists; broken files name the file and the library's reason.
TEST(PngReader, RefusesOversizedAndBrokenFilesNamingThem) {
    std::vector<std::uint8_t> bytes = jpegtest::Slurp(TestFile("png", "rgb8.png"));
    const auto expectFailure = [](const std::vector<std::uint8_t>& file, const std::string& part) {
        try {
            DecodePNG(file, "dir/x.png");
            ADD_FAILURE() << "accepted";
        } catch (const EImageFileError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("ファイル dir/x.png は PNG として読めません: "), std::string::npos) << what;
            EXPECT_NE(what.find(part), std::string::npos) << what;
        }
    };
    // IHDR's width and height sit at bytes 16 and 20; the CRC at 29 would
    // refuse the change first, so the checks are switched off by a fresh CRC.
    const auto withSize = [&](std::uint32_t w, std::uint32_t h) {
        std::vector<std::uint8_t> b = bytes;
        for (int i = 0; i < 4; ++i) {
            b[16 + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
            b[20 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
        }
        std::uint32_t crc = 0xFFFFFFFF;
        for (int i = 12; i < 29; ++i) {
            crc ^= b[i];
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
        }
        crc ^= 0xFFFFFFFF;
        for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        return b;
    };
    expectFailure(withSize(30000, 30000), "30000x30000");
    expectFailure(withSize(70000, 1), "");
    expectFailure(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2), "");
    expectFailure({}, "");
    std::vector<std::uint8_t> text = {'n', 'o', 't', ' ', 'p', 'n', 'g'};
    expectFailure(text, "");
}

}  // namespace
}  // namespace corvane
