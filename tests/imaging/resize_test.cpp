#include "imaging/resize.h"

#include <gtest/gtest.h>

#include "imaging/errors.h"
#include "transform_test_support.h"

namespace corvane {
namespace {

using namespace testing_support;

TEST(ResizeBitmap, ComesOutAtExactlyTheAskedSizeInEveryFormat) {
    std::mt19937 rng(5);
    const struct {
        int w, h, nw, nh;
    } cases[] = {{4000, 3, 1920, 1}, {37, 23, 18, 11}, {37, 23, 1, 1}, {1001, 999, 500, 499}, {5, 5, 5, 5}};
    for (TPixelFormat f : kAllFormats)
        for (const auto& c : cases) {
            const TBitmap src = RandomPicture(f, c.w, c.h, rng);
            const auto out = ResizeBitmap(src, c.nw, c.nh);
            EXPECT_EQ(out->Width(), c.nw) << FormatName(f) << " " << c.w << "x" << c.h;
            EXPECT_EQ(out->Height(), c.nh);
            EXPECT_EQ(out->PixelFormat(), TPixelFormat::pf24bit);
        }
}

// A flat picture stays flat (the kernel's weights add up to one), and a
// transparent pixel lends its colour to no neighbour.
TEST(ResizeBitmap, FlatStaysFlatAndTransparentColourDoesNotBleed) {
    TBitmap b = MakePicture(TPixelFormat::pf24bit, 300, 200);
    b.AddAlpha();
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            std::uint8_t* p = b.ScanLine(y) + 3 * x;
            const bool left = x < 150;
            p[0] = left ? 40 : 0, p[1] = left ? 90 : 255, p[2] = left ? 200 : 0;
            b.AlphaLine(y)[x] = left ? 255 : 0;  // the green half is transparent
        }
    const auto out = ResizeBitmap(b, 97, 61);
    ASSERT_TRUE(out->HasAlpha());
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 97; ++x) {
            const std::uint8_t* p = out->ScanLine(y) + 3 * x;
            if (out->AlphaLine(y)[x] < 8) continue;
            ASSERT_NEAR(p[0], 40, 1) << x << "," << y;
            ASSERT_NEAR(p[1], 90, 1) << x << "," << y << ": green from the transparent half";
            ASSERT_NEAR(p[2], 200, 1) << x << "," << y;
        }
    EXPECT_EQ(out->AlphaLine(30)[5], 255);
    EXPECT_EQ(out->AlphaLine(30)[90], 0);
}

// Each axis scales on its own: ramps across and down keep their direction
// and their values, smaller and larger, in either storage order of the rows.
TEST(ResizeBitmap, RampsKeepTheirDirectionAndValues) {
    for (const bool topDown : {false, true}) {
        TBitmap b = MakePicture(TPixelFormat::pf24bit, 400, 300);  // rows unpadded
        b.SetTopDown(topDown);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                std::uint8_t* p = b.ScanLine(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>(x * 255 / 399),
                p[1] = static_cast<std::uint8_t>(y * 255 / 299), p[2] = 77;
            }
        for (const auto& [nw, nh] : {std::pair{190, 110}, std::pair{610, 450}}) {
            const auto out = ResizeBitmap(b, nw, nh);
            for (int y = 10; y < nh - 10; y += 9)
                for (int x = 10; x < nw - 10; x += 13) {
                    const std::uint8_t* p = out->ScanLine(y) + 3 * x;
                    const double sx = (x + 0.5) * 400 / nw - 0.5, sy = (y + 0.5) * 300 / nh - 0.5;
                    ASSERT_NEAR(p[0], sx * 255 / 399, 2)
                        << x << "," << y << " of " << nw << " top-down " << topDown;
                    ASSERT_NEAR(p[1], sy * 255 / 299, 2)
                        << x << "," << y << " of " << nw << " top-down " << topDown;
                    ASSERT_EQ(p[2], 77);
                }
        }
    }
}

TEST(ResizeBitmap, RefusesSizesNoPictureHolds) {
    const TBitmap b = MakePicture(TPixelFormat::pf24bit, 4, 4);
    EXPECT_THROW(ResizeBitmap(b, 0, 4), ERangeError);
    EXPECT_THROW(ResizeBitmap(b, 4, 70000), ERangeError);
    EXPECT_THROW(ResizeBitmap(MakePicture(TPixelFormat::pf24bit, 0, 0), 2, 2), ERotateError);
}

}  // namespace
}  // namespace corvane
