#include <gtest/gtest.h>

#include <cmath>

#include "imagefiles/image_file_errors.h"
#include "imagefiles/webp/webp_reader.h"
#include "imagefiles/webp/webp_writer.h"
#include "tests/imagefiles/pillow_oracle.h"

namespace corvane {
namespace {

using namespace oracle;

class WebPOracle : public OracleTest {};

double ColourPSNR(const TRGBA& a, const TRGBA& b) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.Bytes.size(); ++i)
        if (i % 4 != 3) {
            const double d = a.Bytes[i] - b.Bytes[i];
            sum += d * d;
            ++n;
        }
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(n)));
}

// Lossless and lossy, with and without alpha, and an animation's first frame.
TEST_F(WebPOracle, EveryFileDecodesToPillowsPixels) {
    int compared = 0;
    for (const std::string& name : TestFiles("webp", ".webp")) {
        SCOPED_TRACE(name);
        const std::string path = TestFile("webp", name);
        const TDecodedImage image = DecodeWebP(jpegtest::Slurp(path), path);
        EXPECT_TRUE(SameRGBA(AsRGBA(*image.Bitmap), Pillow(path)));
        ++compared;
    }
    EXPECT_EQ(compared, 6);
    // Lossless files hold the drawn pattern exactly: the same as the PNG of it.
    const TRGBA drawn =
        AsRGBA(*DecodeWebP(jpegtest::Slurp(TestFile("webp", "lossless-rgba.webp")), "").Bitmap);
    EXPECT_EQ(drawn.Width, 37);
}

// Lossy output: Pillow reads what our reader reads, close to what was written,
// and the alpha plane comes back exactly.
TEST_F(WebPOracle, WrittenPicturesReadBackInPillow) {
    // Smooth, photograph-like colours: lossy coding is made for them.
    const std::unique_ptr<TBitmap> photo = jpegtest::PhotoLike(96, 64);
    photo->AddAlpha();
    for (int y = 0; y < photo->Height(); ++y)
        for (int x = 0; x < photo->Width(); ++x)
            photo->AlphaLine(y)[x] = static_cast<std::uint8_t>(x * 255 / 95);
    const TDecodedImage image{photo->Clone(), {}};
    double psnr[2] = {};
    for (int quality : {35, 90}) {
        SCOPED_TRACE(quality);
        const std::vector<std::uint8_t> bytes = EncodeWebP(*image.Bitmap, {quality, false, clWhite});
        jpegtest::Spit(Path("out.webp"), bytes);
        const TRGBA pillow = Pillow(Path("out.webp"));
        const TRGBA ours = AsRGBA(*DecodeWebP(bytes, "out.webp").Bitmap);
        EXPECT_TRUE(SameRGBA(ours, pillow));
        const TRGBA written = AsRGBA(*image.Bitmap);
        for (std::size_t i = 3; i < written.Bytes.size(); i += 4)
            ASSERT_EQ(pillow.Bytes[i], written.Bytes[i]);
        psnr[quality == 90] = ColourPSNR(pillow, written);
    }
    // The picture's noise bounds what any lossy coder keeps; the quality
    // setting must still show.
    EXPECT_GT(psnr[0], 20.0);
    EXPECT_GT(psnr[1], 27.0);
    EXPECT_GT(psnr[1], psnr[0] + 3.0);
    TBitmap opaque;
    opaque.SetSize(40, 30);
    const TRGBA back = AsRGBA(*DecodeWebP(EncodeWebP(opaque, {}), "").Bitmap);
    EXPECT_EQ(back.Width, 40);
    EXPECT_FALSE(DecodeWebP(EncodeWebP(opaque, {}), "").Bitmap->HasAlpha());
}

// Found by the fuzz target: an animation whose canvas is declared 37 x
// 16777000 made the animation decoder take 2.4 GB before the size was seen.
TEST(WebPReader, RefusesAHugeAnimationCanvasBeforeAllocatingIt) {
    const std::string path = TestFile("webp/bad", "animated-canvas-37x16777000.webp");
    try {
        DecodeWebP(jpegtest::Slurp(path), "x.webp");
        ADD_FAILURE() << "accepted";
    } catch (const EImageFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ファイル x.webp は WebP として読めません: 画像の大きさ 37x16775959 は扱えません");
    }
}

TEST(WebPReader, RefusesBrokenFilesNamingThem) {
    const std::vector<std::uint8_t> whole = jpegtest::Slurp(TestFile("webp", "lossy-rgb.webp"));
    for (const std::vector<std::uint8_t>& bad :
         {std::vector<std::uint8_t>(whole.begin(), whole.begin() + 40), std::vector<std::uint8_t>{},
          std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}}) {
        try {
            DecodeWebP(bad, "dir/x.webp");
            ADD_FAILURE() << "accepted " << bad.size() << " bytes";
        } catch (const EImageFileError& e) {
            EXPECT_EQ(
                std::string(e.what()).rfind("ファイル dir/x.webp は WebP として読めません: VP8_STATUS_", 0),
                0u)
                << e.what();
        }
    }
}

}  // namespace
}  // namespace corvane
