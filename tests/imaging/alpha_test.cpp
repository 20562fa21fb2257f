#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/BitmapUtils.h"
#include "imaging/flatten_alpha.h"
#include "transform_test_support.h"

namespace corvane {
namespace {

using namespace testing_support;

void RandomAlpha(TBitmap& b, std::mt19937& rng) {
    b.AddAlpha();
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.AlphaLine(y)[x] = static_cast<std::uint8_t>(byte(rng));
}

// The alpha plane as an 8-bit picture, for the reference loop.
TBitmap AlphaAsPicture(const TBitmap& b) {
    TBitmap a = MakePicture(TPixelFormat::pf8bit, b.Width(), b.Height());
    for (int y = 0; y < b.Height(); ++y) std::memcpy(a.ScanLine(y), b.AlphaLine(y), b.Width());
    return a;
}

bool SameAlpha(const TBitmap& out, const TBitmap& expected, std::string* where) {
    if (!out.HasAlpha()) {
        *where = "no alpha plane";
        return false;
    }
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            if (out.AlphaLine(y)[x] != expected.ScanLine(y)[x]) {
                *where = std::to_string(x) + "," + std::to_string(y);
                return false;
            }
    return true;
}

TEST(AlphaPlane, TravelsWithThePictureUntilItIsResized) {
    TBitmap b = MakePicture(TPixelFormat::pf8bit, 5, 3);
    b.SetPalette({{10, 20, 30, 0}, {40, 50, 60, 0}});
    EXPECT_FALSE(b.HasAlpha());
    b.AddAlpha(200);
    b.AlphaLine(2)[4] = 7;
    b.SetTopDown(true);  // rows of pixels move, the plane is top first anyway
    auto copy = b.Clone();
    b.AlphaLine(2)[4] = 8;
    ASSERT_TRUE(copy->HasAlpha());
    EXPECT_EQ(copy->AlphaLine(2)[4], 7) << "deep copy";
    EXPECT_EQ(copy->AlphaLine(0)[0], 200);
    copy->SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_TRUE(copy->HasAlpha()) << "a format change keeps transparency";
    EXPECT_EQ(copy->AlphaLine(2)[4], 7);
    copy->SetSize(2, 2);
    EXPECT_FALSE(copy->HasAlpha());
}

// Turning moves alpha as it moves an 8-bit picture whose background is 0,
// in every pixel format and through the combined operation alike.
TEST(AlphaPlane, TurnsWithThePlainPixelLoopAndCornersAreTransparent) {
    std::mt19937 rng(12);
    const int angles[] = {0, 300, 900, -900, 1800, 1234, -77};
    const std::pair<int, int> sizes[] = {{1, 1}, {4, 3}, {23, 17}, {131, 9}};
    for (TPixelFormat f : kAllFormats)
        for (auto [w, h] : sizes) {
            TBitmap src = RandomPicture(f, w, h, rng);
            RandomAlpha(src, rng);
            const TBitmap alpha = AlphaAsPicture(src);
            for (int angle : angles)
                for (int flags = 0; flags < 4; ++flags) {
                    const bool mirror = flags & 1, circum = flags & 2;
                    SCOPED_TRACE(testing::Message() << FormatName(f) << " " << w << "x" << h << " angle "
                                                    << angle << " mirror " << mirror << " circum " << circum);
                    const auto expected = ReferenceTurn(alpha, {angle, mirror, circum, clWhite, nullptr}, 0u);
                    const auto colours = ReferenceTurn(src, {angle, mirror, circum, clWhite, nullptr});
                    auto work = src.Clone();
                    auto turned = RotateBitmap(*work, angle, mirror, circum, clWhite);
                    std::string where;
                    ASSERT_TRUE(SamePixels(*turned, *colours, &where)) << "colours: " << where;
                    ASSERT_TRUE(SameAlpha(*turned, *expected, &where)) << where;
                    auto toned =
                        RotateToneGammaBitmap(src, angle, mirror, circum, 30, 0, 10, 45, true, clWhite);
                    ASSERT_TRUE(SameAlpha(*toned, *expected, &where)) << "with tone: " << where;
                }
        }
}

TEST(AlphaPlane, ToneAndGammaCopyItAndIgnoreIt) {
    std::mt19937 rng(3);
    for (TPixelFormat f : kAllFormats) {
        SCOPED_TRACE(FormatName(f));
        const TBitmap opaque = RandomPicture(f, 37, 5, rng);
        auto transparent = opaque.Clone();
        RandomAlpha(*transparent, rng);
        auto plain = ToneGammaBitmap(opaque, -40, 20, 14, 45, false);
        auto toned = ToneGammaBitmap(*transparent, -40, 20, 14, 45, false);
        std::string where;
        EXPECT_TRUE(SamePixels(*toned, *plain, &where)) << where;
        EXPECT_TRUE(SameAlpha(*toned, AlphaAsPicture(*transparent), &where)) << where;
        EXPECT_FALSE(plain->HasAlpha());
    }
}

TEST(FlattenOntoBackground, BlendsEveryLevelOntoWhiteRoundingHalfUp) {
    TBitmap b = MakePicture(TPixelFormat::pf24bit, 256, 256);
    b.AddAlpha();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            std::uint8_t* p = b.ScanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x);        // blue: every level
            p[1] = 0;                                   // green: black
            p[2] = static_cast<std::uint8_t>(255 - x);  // red
            b.AlphaLine(y)[x] = static_cast<std::uint8_t>(y);
        }
    const auto flat = FlattenOntoBackground(b, clWhite);
    ASSERT_EQ(flat->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_FALSE(flat->HasAlpha());
    for (int a = 0; a < 256; ++a)
        for (int v = 0; v < 256; ++v) {
            const double exact = (v * a + 255.0 * (255 - a)) / 255.0;
            const int got = flat->ScanLine(a)[3 * v];
            ASSERT_LE(std::abs(got - exact), 0.5) << "value " << v << " alpha " << a;
        }
    EXPECT_EQ(flat->ScanLine(0)[1], 255) << "fully transparent black is white";
    EXPECT_EQ(flat->ScanLine(255)[1], 0) << "opaque keeps the pixel";
    EXPECT_EQ(flat->ScanLine(128)[1], 127);

    // Indexed pictures go through their palette first.
    TBitmap idx = MakePicture(TPixelFormat::pf8bit, 1, 1);
    idx.SetPalette({{0, 0, 0, 0}});
    idx.AddAlpha(0);
    const TPixelTriple red = GetTriple(*FlattenOntoBackground(idx, 0x0000FF), 0, 0);
    EXPECT_EQ(red.Blue, 0);
    EXPECT_EQ(red.Red, 255);
    EXPECT_EQ(FlattenOntoBackground(MakePicture(TPixelFormat::pf24bit, 2, 2), clWhite), nullptr);
}

}  // namespace
}  // namespace corvane
