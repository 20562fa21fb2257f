#include "imaging/color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "imaging/curve_table.h"
#include "imaging/errors.h"

namespace corvane {
namespace {

struct ColorCase {
    TPixelTriple in;  // blue, green, red
    TYCbCr ycc;
    TColorInts back;
    TPixelTriple clamped;
};

TEST(ColorModel, KnownConversionsBothWays) {
    const ColorCase cases[] = {
        {{255, 255, 255}, {255, 0, 0}, {255, 255, 255}, {255, 255, 255}},
        {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        {{128, 128, 128}, {128, 0, 0}, {128, 128, 128}, {128, 128, 128}},
        // Pure red overshoots to 256 before the clamp.
        {{0, 0, 255}, {76, -43, 128}, {0, 0, 256}, {0, 0, 255}},
        {{0, 255, 0}, {150, -84, -107}, {1, 255, 0}, {1, 255, 0}},
        {{255, 0, 0}, {29, 128, -21}, {256, 0, 0}, {255, 0, 0}},
        // The -1 * Cr term of blue is what makes 165 come back as 166.
        {{165, 5, 0}, {22, 81, -15}, {166, 5, 1}, {166, 5, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "R" << int(c.in.Red) << " G" << int(c.in.Green) << " B"
                                        << int(c.in.Blue));
        const TYCbCr y = RGBToYCbCr(c.in);
        EXPECT_EQ(y.Y, c.ycc.Y);
        EXPECT_EQ(y.Cb, c.ycc.Cb);
        EXPECT_EQ(y.Cr, c.ycc.Cr);
        const TColorInts back = YCbCrToRGB(y);
        EXPECT_EQ(back.Blue, c.back.Blue);
        EXPECT_EQ(back.Green, c.back.Green);
        EXPECT_EQ(back.Red, c.back.Red);
        const TPixelTriple p = ClampToPixel(back);
        EXPECT_EQ(p.Blue, c.clamped.Blue);
        EXPECT_EQ(p.Green, c.clamped.Green);
        EXPECT_EQ(p.Red, c.clamped.Red);
    }
}

TEST(ColorModel, NegativeSumsTruncateTowardZeroThenClamp) {
    // Y 0 with a strongly negative Cr: red sum is negative and must clamp to 0.
    const TColorInts c = YCbCrToRGB(TYCbCr{0, 0, -100});
    EXPECT_EQ(c.Red, (1436 * -100 + 512) / 1024);
    EXPECT_EQ(ClampToPixel(c).Red, 0);
}

TEST(CurveTable, EveryEntryFollowsTheRule) {
    for (int c = 1; c <= kCurveRows; ++c) {
        const double e = c <= 27 ? 10.0 / c : (c - 27) / 10.0;
        const std::uint8_t* row = CurveRow(c);
        for (int i = 0; i < 256; ++i) {
            const double exact = 255.0 * std::pow(i / 255.0, e);
            ASSERT_EQ(row[i], static_cast<int>(std::floor(exact + 0.5))) << "row " << c << " input " << i;
            // No entry may sit near a half, or the rounding would be fragile.
            ASSERT_GT(std::abs(exact - std::floor(exact) - 0.5), 1e-9) << "row " << c << " input " << i;
        }
        EXPECT_EQ(row[0], 0);
        EXPECT_EQ(row[255], 255);
    }
}

TEST(CurveTable, DocumentedValues) {
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(CurveRow(10)[i], i);
        ASSERT_EQ(CurveRow(37)[i], i);
    }
    EXPECT_EQ(CurveRow(18)[1], 12);
    EXPECT_EQ(CurveRow(18)[128], 174);
    EXPECT_EQ(CurveRow(45)[128], 74);
    EXPECT_EQ(CurveRow(1)[136], 0);
    EXPECT_GT(CurveRow(1)[137], 0);
    EXPECT_EQ(CurveRow(28)[1], 147);
}

std::string CurveRowFailure(int code) {
    try {
        CurveRow(code);
    } catch (const ERangeError& e) {
        return e.what();
    }
    return "no failure";
}

TEST(CurveTable, RefusesCodesOutsideTheTable) {
    EXPECT_EQ(CurveRowFailure(0), "レベル・ガンマのコード 0 は範囲外です (1 .. 54)");
    EXPECT_EQ(CurveRowFailure(55), "レベル・ガンマのコード 55 は範囲外です (1 .. 54)");
    EXPECT_EQ(CurveRowFailure(-2147483647 - 1), "レベル・ガンマのコード -2147483648 は範囲外です (1 .. 54)");
}

}  // namespace
}  // namespace corvane
