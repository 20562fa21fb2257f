#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <cmath>

#include "imagefiles/heif/avif_writer.h"
#include "imagefiles/heif/heif_reader.h"
#include "imagefiles/image_file_errors.h"
#include "tests/imagefiles/pillow_oracle.h"

namespace corvane {
namespace {

using namespace oracle;

// Pillow reads no HEIF here: the format's own tool decodes to PNG for it.
class HeifOracle : public OracleTest {
protected:
    void SetUp() override {
        if (jpegtest::FindTool("heif-convert").empty())
            GTEST_SKIP() << "heif-convert (libheif-examples) missing";
        OracleTest::SetUp();
    }
    TRGBA Reference(const std::string& path) {
        const std::string png = Path("reference.png");
        EXPECT_EQ(jpegtest::RunCommand("heif-convert " + jpegtest::Quote(path) + " " + jpegtest::Quote(png) +
                                       " >/dev/null"),
                  0);
        return Pillow(png);
    }
};

double PSNR(const TRGBA& a, const TRGBA& b, bool alpha) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.Bytes.size(); ++i)
        if ((i % 4 == 3) == alpha) {
            const double d = a.Bytes[i] - b.Bytes[i];
            sum += d * d;
            ++n;
        }
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(n)));
}

TEST(HeifCodecs, DecodersForBothAndAnAV1Encoder) {
    EXPECT_TRUE(heif_have_decoder_for_format(heif_compression_HEVC));
    EXPECT_TRUE(heif_have_decoder_for_format(heif_compression_AV1));
    EXPECT_TRUE(heif_have_encoder_for_format(heif_compression_AV1));
}

// HEIC and AVIF, with and without alpha, and a lossless AVIF (RGB, 4:4:4)
// that holds the drawn pattern to within one level: libheif 1.15 rounds once
// on the way between its RGB and the coded planes.
TEST_F(HeifOracle, EveryFileDecodesAsTheFormatsOwnTool) {
    for (const char* name :
         {"rgb.heic", "rgba.heic", "rgb.avif", "rgba.avif", "lossless.avif", "rgb10.heic"}) {
        SCOPED_TRACE(name);
        const std::string path = TestFile("heif", name);
        const TDecodedImage image = DecodeHEIF(jpegtest::Slurp(path), path);
        EXPECT_TRUE(SameRGBA(AsRGBA(*image.Bitmap), Reference(path)));
        EXPECT_EQ(image.Bitmap->HasAlpha(), std::string(name).find("rgba") == 0);
    }
    const std::string lossless = TestFile("heif", "lossless.avif");
    EXPECT_TRUE(SameRGBA(AsRGBA(*DecodeHEIF(jpegtest::Slurp(lossless), lossless).Bitmap),
                         Pillow(TestFile("tiff", "rgb8-raw.tif")), 1));
}

TEST_F(HeifOracle, WrittenAVIFReadsBackCloseToThePicture) {
    const std::unique_ptr<TBitmap> photo = jpegtest::PhotoLike(96, 64);
    photo->AddAlpha();
    for (int y = 0; y < photo->Height(); ++y)
        for (int x = 0; x < photo->Width(); ++x) photo->AlphaLine(y)[x] = static_cast<std::uint8_t>(y * 4);
    const TRGBA written = AsRGBA(*photo);
    double psnr[2] = {};
    for (int quality : {35, 90}) {
        SCOPED_TRACE(quality);
        const std::vector<std::uint8_t> bytes = EncodeAVIF(*photo, {quality, false, clWhite});
        jpegtest::Spit(Path("out.avif"), bytes);
        const TRGBA reference = Reference(Path("out.avif"));
        EXPECT_TRUE(SameRGBA(AsRGBA(*DecodeHEIF(bytes, "out.avif").Bitmap), reference));
        psnr[quality == 90] = PSNR(reference, written, false);
        EXPECT_GT(PSNR(reference, written, true), 30.0) << "alpha";
    }
    EXPECT_GT(psnr[0], 20.0);
    EXPECT_GT(psnr[1], 27.0);
    EXPECT_GT(psnr[1], psnr[0] + 2.0);
}

// Found by the fuzz target: a 1.8 KB file whose primary image declares
// 37 x 23 while its coded picture is 54108 x 16458, which libheif allocated
// (2.7 GB) before anything was decoded. libheif's own limit now carries the
// picture limit, as an area, to every image the file holds.
TEST(HeifReader, CodedSizesAreHeldToThePictureLimitToo) {
    const std::string path = TestFile("heif/bad", "37x23-coded-54108x16458.heic");
    try {
        DecodeHEIF(jpegtest::Slurp(path), "x.heic");
        ADD_FAILURE() << "accepted";
    } catch (const EImageFileError& e) {
        EXPECT_EQ(
            std::string(e.what()),
            "ファイル x.heic は HEIF として読めません: Memory allocation error: Security limit exceeded: "
            "Image size 54108x16458 exceeds the maximum image size 16384x16384");
    }
}

TEST(HeifReader, RefusesBrokenFilesNamingThem) {
    const std::vector<std::uint8_t> whole = jpegtest::Slurp(TestFile("heif", "rgb.heic"));
    for (std::size_t cut : {std::size_t{0}, std::size_t{16}, whole.size() / 2}) {
        try {
            DecodeHEIF({whole.data(), cut}, "dir/x.heic");
            ADD_FAILURE() << "accepted " << cut << " bytes";
        } catch (const EImageFileError& e) {
            const std::string what = e.what();
            const std::string prefix = "ファイル dir/x.heic は HEIF として読めません: ";
            EXPECT_EQ(what.rfind(prefix, 0), 0u) << what;
            EXPECT_GT(what.size(), prefix.size());
        }
    }
}

}  // namespace
}  // namespace corvane
