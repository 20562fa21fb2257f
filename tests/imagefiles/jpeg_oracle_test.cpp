// The JPEG reader and writer against the reference command-line tools built
// on the same library: the writer's bytes must equal the compressor's for the
// same picture and settings, the reader's pixels the decompressor's.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "imagefiles/jpeg_image.h"
#include "imaging/errors.h"
#include "tests/imagefiles/jpeg_test_util.h"

namespace corvane {
namespace {

using namespace jpegtest;

class JpegOracle : public ScratchDir {
protected:
    void SetUp() override {
        cjpeg_ = FindTool("cjpeg");
        djpeg_ = FindTool("djpeg");
        if (cjpeg_.empty() || djpeg_.empty()) GTEST_SKIP() << "cjpeg/djpeg not on PATH";
        ScratchDir::SetUp();
    }

    std::vector<std::uint8_t> ReferenceEncode(const TBitmap& picture, int quality, bool progressive) {
        Spit(Path("in.bmp"), Bmp24(picture));
        const std::string cmd = Quote(cjpeg_) + " -quality " + std::to_string(quality) + " -baseline" +
                                (progressive ? " -progressive" : "") + " -outfile " + Quote(Path("ref.jpg")) +
                                " " + Quote(Path("in.bmp"));
        EXPECT_EQ(RunCommand(cmd), 0) << cmd;
        return Slurp(Path("ref.jpg"));
    }

    // The decompressor exits with 2 after warnings, having written its output.
    ParsedBmp ReferenceDecode(const std::string& jpeg, const std::string& options = "", bool warns = false) {
        const std::string cmd =
            Quote(djpeg_) + " " + options + " -bmp -outfile " + Quote(Path("ref.bmp")) + " " + Quote(jpeg);
        const int status = RunCommand(cmd);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == (warns ? 2 : 0)) << cmd;
        return ParseBmp(Slurp(Path("ref.bmp")));
    }

    static void ExpectSamePixels(const TBitmap& picture, const ParsedBmp& ref) {
        ASSERT_EQ(picture.Width(), ref.width);
        ASSERT_EQ(picture.Height(), ref.height);
        ASSERT_EQ(BitsPerPixel(picture.PixelFormat()), ref.bits);
        ASSERT_EQ(static_cast<int>(ref.rows.size()), ref.height);
        for (int y = 0; y < picture.Height(); ++y) ASSERT_EQ(Row(picture, y), ref.rows[y]) << "row " << y;
    }

    // The reference pads its colour table to 256 entries.
    static void ExpectSamePalette(const TBitmap& picture, const ParsedBmp& ref) {
        const auto& palette = picture.Palette();
        ASSERT_LE(palette.size(), ref.palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i)
            EXPECT_EQ(palette[i], ref.palette[i]) << "entry " << i;
    }

    std::string cjpeg_, djpeg_;
};

TEST_F(JpegOracle, WriterMatchesReferenceCompressorByteForByte) {
    // Odd sizes exercise partial MCUs and row padding; 1x1 the smallest stream.
    const int sizes[][2] = {{227, 149}, {64, 48}, {1, 1}, {17, 33}, {301, 7}};
    for (const auto& size : sizes) {
        const auto picture = PhotoLike(size[0], size[1], static_cast<std::uint32_t>(size[0] * 31 + size[1]));
        for (int quality : {1, 35, 75, 90, 99, 100}) {
            for (bool progressive : {false, true}) {
                SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " q" << quality
                                                << (progressive ? " progressive" : " baseline"));
                WriteJPEGFile(*picture, Path("ours.jpg"), quality, progressive);
                EXPECT_EQ(Slurp(Path("ours.jpg")), ReferenceEncode(*picture, quality, progressive));
            }
        }
    }
}

TEST_F(JpegOracle, ColourFilesDecodeToReferencePixels) {
    for (const char* name :
         {"testorig.jpg", "testimgint.jpg", "testimgari.jpg", "testimgp.jpg", "testorig_rst.jpg"}) {
        SCOPED_TRACE(name);
        const auto picture = ReadJPEGFile(TestImage(name));
        EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
        ExpectSamePixels(*picture, ReferenceDecode(TestImage(name)));
    }
}

TEST_F(JpegOracle, GrayscaleFileDecodesTo236GreysLikeReference) {
    const auto picture = ReadJPEGFile(TestImage("testimggray.jpg"));
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(picture->Palette().size(), 236u);
    for (const auto& e : picture->Palette()) EXPECT_TRUE(e.peRed == e.peGreen && e.peGreen == e.peBlue);
    const ParsedBmp ref = ReferenceDecode(TestImage("testimggray.jpg"), "-colors 236");
    ExpectSamePalette(*picture, ref);
    ExpectSamePixels(*picture, ref);
}

TEST_F(JpegOracle, LowColourDisplayQuantisesColourFilesLikeReference) {
    SetLowColorDisplay(true);
    struct Restore {
        ~Restore() { SetLowColorDisplay(false); }
    } restore;
    for (const char* name : {"testorig.jpg", "testimgp.jpg"}) {
        SCOPED_TRACE(name);
        const auto picture = ReadJPEGFile(TestImage(name));
        EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf8bit);
        EXPECT_LE(picture->Palette().size(), 236u);
        const ParsedBmp ref = ReferenceDecode(TestImage(name), "-colors 236");
        ExpectSamePalette(*picture, ref);
        ExpectSamePixels(*picture, ref);
    }
}

TEST_F(JpegOracle, InvertedCmykDecodesLikeReference) {
    const auto picture = ReadJPEGFile(TestImage("testorig_cmyk.jpg"));
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
    ExpectSamePixels(*picture, ReferenceDecode(TestImage("testorig_cmyk.jpg")));

    // The file was made from testorig.jpg's pixels: the colours must be close.
    const auto original = ReadJPEGFile(TestImage("testorig.jpg"));
    long total = 0;
    for (int y = 0; y < original->Height(); ++y)
        for (int x = 0; x < original->Width() * 3; ++x)
            total += std::abs(picture->ScanLine(y)[x] - original->ScanLine(y)[x]);
    EXPECT_LT(static_cast<double>(total) / (original->Width() * original->Height() * 3), 2.0);
}

// cmyk-without-adobe-marker: four components and no APP14 marker were read
// as plain ink and came out almost black; the reference reads them inverted.
TEST_F(JpegOracle, CmykWithoutAdobeMarkerDecodesLikeReference) {
    const auto photo = PhotoLike(61, 43, 5);
    std::vector<std::uint8_t> cmyk;
    for (int y = 0; y < photo->Height(); ++y)
        for (int x = 0; x < photo->Width(); ++x) {
            const std::uint8_t* p = photo->ScanLine(y) + 3 * x;
            cmyk.insert(cmyk.end(), {p[2], p[1], p[0], static_cast<std::uint8_t>(255 - (x * 3 + y) % 97)});
        }
    const auto bytes = LibraryEncode(cmyk, 61, 43, 4, JCS_CMYK, JCS_CMYK, false);
    const std::uint8_t app14[] = {0xFF, 0xEE};
    ASSERT_EQ(std::search(bytes.begin(), bytes.end(), std::begin(app14), std::end(app14)), bytes.end());
    Spit(Path("cmyk.jpg"), bytes);

    const auto picture = ReadJPEGFile(Path("cmyk.jpg"));
    EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
    ExpectSamePixels(*picture, ReferenceDecode(Path("cmyk.jpg")));
}

TEST_F(JpegOracle, TruncatedStreamDecodesLikeReferenceWithoutFailure) {
    auto bytes = Slurp(TestImage("testorig.jpg"));
    bytes.resize(bytes.size() / 2);
    Spit(Path("cut.jpg"), bytes);
    const auto picture = ReadJPEGFile(Path("cut.jpg"));
    ExpectSamePixels(*picture, ReferenceDecode(Path("cut.jpg"), "", true));
}

}  // namespace
}  // namespace corvane
