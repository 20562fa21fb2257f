// The header probes read what the file declares, whatever its size, and
// give up (leaving the failure to the reader) on anything else.
#include "imagefiles/picture_probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

// clang-format off
#include "jpeg_test_util.h"  // first: it names ::testing before corvane::testing exists
#include "bmp_test_util.h"
// clang-format on
#include "imagefiles/format_registry.h"
#include "imagefiles/jpeg_image.h"
#include "pillow_oracle.h"

namespace corvane {
namespace {

using jpegtest::Slurp;
using jpegtest::Spit;
using oracle::TestFile;
using oracle::TestFiles;

struct FormatFolder {
    const char* Folder;
    const char* Extension;
};
constexpr FormatFolder kFormatFolders[] = {{"png", ".png"},   {"gif", ".gif"},   {"tiff", ".tif"},
                                           {"webp", ".webp"}, {"heif", ".heic"}, {"heif", ".avif"}};

TImageFormatId FormatOf(const std::string& extension) { return ReaderForExtension(extension).Id; }

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void PutLittle32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
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

// Every picture of the readers' test data (37 x 23, as Pillow and
// heif-info report them) probes to that size, with the alpha plane its
// reader gives it, from the file and from its bytes alike.
TEST_F(Probe, EveryFormatsPicturesProbeToTheirSizeAndTheReadersAlpha) {
    const std::map<std::string, int> bits = {
        {"rgba16.png", 64}, {"palette2-trns.png", 2},  {"grey8.png", 8},
        {"rgb16.tif", 48},  {"rgba8-deflate.tif", 32}, {"grey.gif", 8},
        {"rgb10.heic", 30}, {"rgba.avif", 32},         {"lossy-rgb.webp", 24}};
    int probed = 0;
    for (const FormatFolder& f : kFormatFolders)
        for (const std::string& name : TestFiles(f.Folder, f.Extension)) {
            const std::string path = TestFile(f.Folder, name);
            const auto header = ProbePictureFile(path, FormatOf(f.Extension));
            ASSERT_TRUE(header) << name;
            EXPECT_EQ(header->Width, 37) << name;
            EXPECT_EQ(header->Height, 23) << name;
            EXPECT_EQ(header->FileSize, std::filesystem::file_size(path)) << name;
            EXPECT_GT(header->DecoderBytes, 0u) << name;
            if (bits.count(name)) {
                EXPECT_EQ(header->BitsPerPixel, bits.at(name)) << name;
            }
            const TDecodedImage image = ReaderForExtension(f.Extension).Read(path, {});
            EXPECT_EQ(header->Alpha, image.Bitmap->HasAlpha()) << name;

            const auto fromBytes = ProbePictureBytes(Slurp(path), FormatOf(f.Extension));
            ASSERT_TRUE(fromBytes) << name;
            EXPECT_EQ(fromBytes->Alpha, header->Alpha) << name;
            EXPECT_EQ(fromBytes->DecoderBytes, header->DecoderBytes) << name;
            ++probed;
        }
    EXPECT_GE(probed, 50);
}

// A directory libtiff repairs while reading (strip offsets of the wrong
// count ignored, byte counts guessed; found by the fuzz target) is read by
// the reader, and the probe sees the same picture.
TEST_F(Probe, DamagedTiffDirectoryProbesAsTheReaderReadsIt) {
    const std::string path = TestFile("tiff/damaged", "strip-offsets-ignored.tif");
    const TDecodedImage image = ReaderForExtension(".tif").Read(path, {});
    const auto header = ProbePictureFile(path, TImageFormatId::TIFF);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Width, image.Bitmap->Width());
    EXPECT_EQ(header->Height, image.Bitmap->Height());
}

// A header cut short, another format's header or no header at all is not
// probed: the reader says what is wrong.
TEST_F(Probe, CutAndForeignHeadersGiveNothing) {
    const std::vector<std::string> samples = {
        TestFile("png", "rgba8.png"),     TestFile("gif", "transparent.gif"),
        TestFile("tiff", "rgb8-raw.tif"), TestFile("webp", "lossy-rgba.webp"),
        TestFile("heif", "rgb.heic"),     jpegtest::TestImage("testorig.jpg")};
    const TImageFormatId formats[] = {TImageFormatId::PNG,  TImageFormatId::GIF,  TImageFormatId::TIFF,
                                      TImageFormatId::WebP, TImageFormatId::HEIF, TImageFormatId::JPEG};
    const std::vector<std::uint8_t> text(200, 'x');
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::vector<std::uint8_t> bytes = Slurp(samples[i]);
        for (const std::size_t cut : {0, 7, 20}) {
            const std::vector<std::uint8_t> head(bytes.begin(),
                                                 bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_FALSE(ProbePictureBytes(head, formats[i])) << samples[i] << " cut to " << cut;
        }
        EXPECT_FALSE(ProbePictureBytes(text, formats[i])) << samples[i];
        for (std::size_t j = 0; j < samples.size(); ++j)
            if (j != i) {
                EXPECT_FALSE(ProbePictureBytes(bytes, formats[j])) << samples[i] << " as " << j;
            }
        EXPECT_FALSE(ProbePictureBytes(bytes, TImageFormatId::Bitmap)) << samples[i];
    }
    EXPECT_FALSE(ProbePictureFile(Path("missing.png"), TImageFormatId::PNG));
}

// Large chunks before the picture are stepped over, not read: a PNG's
// 40 MB text chunk (a sparse file) before its tRNS, a WebP's 1 MB profile
// before its frame.
TEST_F(Probe, LargeChunksBeforeThePictureAreSteppedOver) {
    std::vector<std::uint8_t> png = Slurp(TestFile("png", "rgb8.png"));
    const std::vector<std::uint8_t> rest(png.begin() + 33, png.end());
    png.resize(33);
    constexpr std::uint32_t kText = 40u << 20;
    PutBig32(png, kText);
    png.insert(png.end(), {'z', 'T', 'X', 't'});
    Spit(Path("long.png"), png);
    std::filesystem::resize_file(Path("long.png"), png.size() + kText + 4);
    std::vector<std::uint8_t> tail = {0, 0, 0, 6, 't', 'R', 'N', 'S', 0, 1, 0, 2, 0, 3, 0, 0, 0, 0};
    tail.insert(tail.end(), rest.begin(), rest.end());
    std::ofstream(Path("long.png"), std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    const auto longPNG = ProbePictureFile(Path("long.png"), TImageFormatId::PNG);
    ASSERT_TRUE(longPNG);
    EXPECT_TRUE(longPNG->Alpha) << "the tRNS chunk past the text";
    EXPECT_FALSE(ProbePictureFile(TestFile("png", "rgb8.png"), TImageFormatId::PNG)->Alpha);

    // RIFF, VP8X (a profile follows), ICCP, then the lossless frame as it was.
    const std::vector<std::uint8_t> webp = Slurp(TestFile("webp", "lossless-rgb.webp"));
    ASSERT_EQ(std::string(webp.begin() + 12, webp.begin() + 16), "VP8L");
    constexpr std::uint32_t kProfile = 1u << 20;
    std::vector<std::uint8_t> big = {'R', 'I', 'F', 'F'};
    PutLittle32(big, static_cast<std::uint32_t>(4 + 18 + 8 + kProfile + webp.size() - 12));
    big.insert(big.end(),
               {'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0, 0, 0, 0x20, 0, 0, 0, 36, 0, 0, 22, 0, 0});
    big.insert(big.end(), {'I', 'C', 'C', 'P'});
    PutLittle32(big, kProfile);
    big.resize(big.size() + kProfile);
    big.insert(big.end(), webp.begin() + 12, webp.end());
    const auto bigWebP = ProbePictureBytes(big, TImageFormatId::WebP);
    ASSERT_TRUE(bigWebP);
    EXPECT_EQ(bigWebP->Width, 37);
    EXPECT_EQ(bigWebP->Height, 23);
}

// Found by fuzzing: FF 00 between segments is a stray data byte, which the
// decoder passes over; taken for a marker, its "length" hid the frame.
TEST_F(Probe, JpegStuffedBytesBetweenSegmentsAreNoMarker) {
    const std::vector<std::uint8_t> bytes = Jpeg(false, {0xFF, 0x00, 0xFF, 0xFF});
    ASSERT_EQ(ReadJPEGFromMemory(bytes)->Width(), 17) << "a picture the reader reads";
    const auto header = ProbePictureBytes(bytes, TImageFormatId::JPEG);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Width, 17);
    EXPECT_EQ(header->Height, 9);
}

TEST_F(Probe, JpegOrientationIsTheFirstExifSegments) {
    const auto camera = ProbeJPEGFile(jpegtest::TestImage("testorig_camera.jpg"));
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->Orientation, 6);
    EXPECT_EQ(camera->Width, 227);
    EXPECT_EQ(ProbeJPEGFile(jpegtest::TestImage("testorig.jpg"))->Orientation, 1);
}

}  // namespace
}  // namespace corvane
