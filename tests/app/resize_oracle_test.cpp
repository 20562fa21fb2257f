// The resize against libvips' own tools on a 12-megapixel photograph-like
// JPEG: the scene drawn straight at 1920 x 1440 (each pixel the mean over
// its area) is the truth; our output (decoded at a half, then Lanczos 3) must
// be the right size and no more than 0.5 dB further from it than
// `vipsthumbnail --size 1920` and `vips resize`, which decode at full size.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "app/entry_conversion.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/png/png_reader.h"
#include "convert_entry.h"
#include "test_files.h"

namespace corvane {
namespace {

using testing::ConvertEntry;
using testing::TempFolder;

bool HaveVipsTools() {
    return std::system("vips --version >/dev/null 2>&1 && vipsthumbnail --help >/dev/null 2>&1") == 0;
}

// A photograph-like scene as a function of the position in source pixels:
// smooth light, fine texture and hard-edged blocks, channel c.
double Scene(double x, double y, int c) {
    const double u = x / 4000, v = y / 3000;
    const double light = 0.5 + 0.4 * std::sin(6.3 * u + 2 * v) * std::cos(4 * v);
    const double fine = 0.06 * std::sin(x * 0.45) * std::sin(y * 0.35);
    const bool block = (static_cast<int>(std::floor(x / 97)) + static_cast<int>(std::floor(y / 61))) % 5 == 0;
    const double k[3] = {block ? 0.1 : light * 0.8, block ? 0.9 : light, block ? 0.2 : 1 - light * 0.6};
    return std::clamp(255 * (k[c] + fine), 0.0, 255.0);
}

// w x h pixels of the scene scaled from 4000 x 3000, each the mean of 4 x 4
// samples over its area (1 x 1: the value at the pixel's centre).
std::unique_ptr<TBitmap> Render(int w, int h, int samples) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h, TBitmap::Fill::Uninitialized);
    const double step = 4000.0 / w;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b->ScanLine(y);
        for (int x = 0; x < w; ++x, p += 3)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int j = 0; j < samples; ++j)
                    for (int i = 0; i < samples; ++i)
                        sum += Scene((x + (i + 0.5) / samples) * step, (y + (j + 0.5) / samples) * step, c);
                p[2 - c] = static_cast<std::uint8_t>(std::lround(sum / (samples * samples)));
            }
    }
    return b;
}

double PSNR(const TBitmap& a, const TBitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < a.Width() * 3; ++i) {
            const double d = a.ScanLine(y)[i] - b.ScanLine(y)[i];
            sum += d * d;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

std::unique_ptr<TBitmap> ReadPNG(const std::string& path) {
    return DecodePNG(testing::ReadBytesVector(path), path).Bitmap;
}

TEST(ResizeOracle, TwelveMegapixelsTo1920WithinHalfADecibelOfVipsthumbnail) {
    if (!HaveVipsTools()) GTEST_SKIP() << "libvips-tools not installed";
    TempFolder dir;
    const std::string photo = dir / "photo.jpg";
    WriteJPEGFile(*Render(4000, 3000, 1), photo, 92, false);

    TConversionSettings s;
    s.Gamma = 10;  // tone neutral: the picture is only resized
    s.Resize = "1920";
    s.SaveFormat = ".png";
    TempFolder out;
    ConvertEntry(PrepareEntry("\"" + photo + "\",\"" + out.Dir() + "\"", 0, 1, s), s);
    const auto ours = ReadPNG(out / "photo.png");
    ASSERT_EQ(ours->Width(), 1920);
    ASSERT_EQ(ours->Height(), 1440);

    ASSERT_EQ(std::system(("vipsthumbnail " + photo + " --size 1920 -o " + (dir / "thumb.png")).c_str()), 0);
    ASSERT_EQ(
        std::system(("vips resize " + photo + " " + (dir / "ref.png") + " 0.48 --kernel lanczos3").c_str()),
        0);
    const auto thumb = ReadPNG(dir / "thumb.png");
    const auto resized = ReadPNG(dir / "ref.png");
    ASSERT_EQ(thumb->Width(), 1920);
    ASSERT_EQ(resized->Width(), 1920);
    ASSERT_EQ(resized->Height(), 1440);
    const auto truth = Render(1920, 1440, 4);
    const double oursDb = PSNR(*ours, *truth), thumbDb = PSNR(*thumb, *truth),
                 vipsDb = PSNR(*resized, *truth);
    std::printf(
        "PSNR to the scene: ours %.2f dB, vipsthumbnail %.2f dB, vips resize %.2f dB; ours to "
        "vipsthumbnail %.2f dB\n",
        oursDb, thumbDb, vipsDb, PSNR(*ours, *thumb));
    EXPECT_GE(oursDb, thumbDb - 0.5);
    EXPECT_GE(oursDb, vipsDb - 0.5);
}

}  // namespace
}  // namespace corvane
