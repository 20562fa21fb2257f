#include "imaging/rotate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/errors.h"
#include "imaging/rotation_geometry.h"
#include "transform_test_support.h"

namespace corvane {
namespace {

using namespace testing_support;

TEST(RotationGeometry, AnglesReduceAndGiveTheDocumentedFactors) {
    EXPECT_EQ(ReduceAngle(0), 0);
    EXPECT_EQ(ReduceAngle(3600), 0);
    EXPECT_EQ(ReduceAngle(-3600), 3600);
    EXPECT_EQ(ReduceAngle(-900), 2700);
    EXPECT_EQ(ReduceAngle(7201), 1);
    EXPECT_EQ(ReduceAngle(-1), 3599);
    EXPECT_NO_THROW(ReduceAngle(std::numeric_limits<int>::min()));

    const struct {
        int a, S, C;
    } cases[] = {{10, 18, 1024},   {300, 512, 887},  {450, 724, 724}, {900, 1024, 0},
                 {1800, 0, -1024}, {2700, -1024, 0}, {3600, 0, 1024}, {30, 54, 1023}};
    for (const auto& c : cases) {
        const TurningFactors f = FactorsFor(c.a);
        EXPECT_EQ(f.S, c.S) << c.a;
        EXPECT_EQ(f.C, c.C) << c.a;
    }
    // Tenths are divided as real numbers: -77 turns by -7.7 degrees, not -7.
    EXPECT_EQ(FactorsFor(ReduceAngle(-77)).S, -137);
    EXPECT_EQ(FactorsFor(ReduceAngle(-77)).C, 1015);
}

TEST(RotationGeometry, SizesAndStartPointsRoundAsDocumented) {
    EXPECT_EQ(HalveRoundingToEven(-483), -242);
    EXPECT_EQ(HalveRoundingToEven(-481), -240);
    EXPECT_EQ(HalveRoundingToEven(483), 242);
    EXPECT_EQ(HalveRoundingToEven(5), 2);
    EXPECT_EQ(HalveRoundingToEven(-44), -22);

    TurnGeometry g = MakeTurnGeometry(4, 3, 450, false, true);
    EXPECT_EQ(g.NewWidth, 5);
    EXPECT_EQ(g.NewHeight, 5);
    g = MakeTurnGeometry(100, 50, 300, false, true);
    EXPECT_EQ(g.NewWidth, 112);
    EXPECT_EQ(g.NewHeight, 93);
    g = MakeTurnGeometry(4, 3, 900, false, false);
    EXPECT_EQ(g.NewWidth, 4);
    EXPECT_EQ(g.NewHeight, 3);

    // The start point lands on -241.5 and goes to the even neighbour.
    g = MakeTurnGeometry(1, 11, 30, false, true);
    EXPECT_EQ(g.NewWidth, 2);
    EXPECT_EQ(g.NewHeight, 11);
    EXPECT_EQ(g.X0, -242);
    EXPECT_EQ(g.Y0, -22);
}

TEST(RotationGeometry, BackgroundIndexPrefersLastWhiteThenLargestBlueFirst) {
    std::vector<TPaletteEntry> pal(256, TPaletteEntry{0, 0, 0, 0});
    pal[3] = pal[200] = {255, 255, 255, 0};
    EXPECT_EQ(BackgroundIndex(pal, clWhite), 200);

    // Blue weighs most: pure blue beats light grey.
    const std::vector<TPaletteEntry> greyBlue = {{200, 200, 200, 0}, {0, 0, 255, 0}, {10, 0, 0, 0}};
    EXPECT_EQ(BackgroundIndex(greyBlue, clWhite), 1);
    // A colour other than white takes its first exact match...
    const std::vector<TPaletteEntry> reds = {{9, 9, 9, 0}, {255, 0, 0, 0}, {255, 0, 0, 0}};
    EXPECT_EQ(BackgroundIndex(reds, 0x0000FF), 1);
    // ...or the largest value without one.
    EXPECT_EQ(BackgroundIndex(reds, 0x00FF00), 0);
    // An all-black palette: every entry ties at 0 and the last wins.
    EXPECT_EQ(BackgroundIndex(std::vector<TPaletteEntry>(4, TPaletteEntry{0, 0, 0, 0}), clWhite), 3);
    EXPECT_EQ(BackgroundIndex({}, clWhite), 0);
}

// A picture whose every pixel is distinct, in 8 bits: the worked examples
// are easiest to read on indices.
TBitmap Numbered(int w, int h) {
    TBitmap b = MakePicture(TPixelFormat::pf8bit, w, h);
    std::vector<TPaletteEntry> pal(256, TPaletteEntry{0, 0, 0, 0});
    pal[255] = {255, 255, 255, 0};
    b.SetPalette(pal);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetUnit(b, x, y, static_cast<std::uint32_t>(y * w + x));
    return b;
}

TEST(RotateBitmap, QuarterTurnWithoutCircumDropsTheHalfPixelTies) {
    TBitmap src = Numbered(4, 3);
    auto out = RotateBitmap(src, 900, false, false, clWhite);
    ASSERT_EQ(out->Width(), 4);
    ASSERT_EQ(out->Height(), 3);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(GetUnit(*out, 0, j), 255u);
        EXPECT_EQ(GetUnit(*out, 3, j), 255u);
        for (int i = 1; i <= 2; ++i) EXPECT_EQ(GetUnit(*out, i, j), GetUnit(src, 3 - j, i)) << i << "," << j;
    }
}

TEST(RotateBitmap, ThreeDegreesOnAOnePixelColumnFollowsTheEvenStartPoint) {
    TBitmap src = Numbered(1, 11);
    auto out = RotateBitmap(src, 30, false, true, clWhite);
    ASSERT_EQ(out->Width(), 2);
    ASSERT_EQ(out->Height(), 11);
    for (int j = 0; j < 11; ++j) {
        const int covered = j < 5 ? 0 : 1;
        EXPECT_EQ(GetUnit(*out, covered, j), static_cast<std::uint32_t>(j)) << "row " << j;
        EXPECT_EQ(GetUnit(*out, 1 - covered, j), 255u) << "row " << j;
    }
}

// The quarter- and half-turn identities hold in every format on a picture
// that is not square.
TEST(RotateBitmap, QuarterAndHalfTurnIdentitiesInEveryFormat) {
    std::mt19937 rng(7);
    const int W = 13, H = 6;
    for (TPixelFormat f : kAllFormats) {
        SCOPED_TRACE(FormatName(f));
        TBitmap src = RandomPicture(f, W, H, rng);
        const auto check = [&](int angle, bool mirror, bool circum, int wn, int hn, auto expected) {
            SCOPED_TRACE(testing::Message() << "angle " << angle << (mirror ? " mirror" : ""));
            auto out = RotateBitmap(src, angle, mirror, circum, clWhite);
            ASSERT_EQ(out->PixelFormat(), f);
            ASSERT_EQ(out->Width(), wn);
            ASSERT_EQ(out->Height(), hn);
            for (int j = 0; j < hn; ++j)
                for (int i = 0; i < wn; ++i) {
                    const auto [x, y] = expected(i, j);
                    ASSERT_EQ(GetUnit(*out, i, j), GetUnit(src, x, y)) << i << "," << j;
                }
        };
        using P = std::pair<int, int>;
        for (int a : {0, 3600, -3600}) {
            check(a, false, true, W, H, [](int i, int j) { return P{i, j}; });
            check(a, false, false, W, H, [](int i, int j) { return P{i, j}; });
        }
        check(0, true, false, W, H, [&](int i, int j) { return P{W - 1 - i, j}; });
        check(900, false, true, H, W, [&](int i, int j) { return P{W - 1 - j, i}; });
        check(900, true, true, H, W, [&](int i, int j) { return P{W - 1 - j, H - 1 - i}; });
        for (int a : {-900, 2700}) check(a, false, true, H, W, [&](int i, int j) { return P{j, H - 1 - i}; });
        check(1800, false, false, W, H, [&](int i, int j) { return P{W - 1 - i, H - 1 - j}; });
        check(1800, true, true, W, H, [&](int i, int j) { return P{i, H - 1 - j}; });
    }
}

// Every format, many angles, with and without Mirror and Circum, against the
// plain per-pixel loop: whatever traversal and shortcuts the operation
// takes, the bytes must be the same. Sizes reach past one strip of columns.
TEST(RotateBitmap, MatchesThePlainPixelLoopEverywhere) {
    std::mt19937 rng(2024);
    std::vector<int> angles = {0,    1,    10,   30,   77,   -77,  300,   450, 899,  900,   901,  1234,
                               1800, 1801, 2700, -900, 3599, 3600, -3600, -1,  3333, -1799, 7200, -4500};
    std::uniform_int_distribution<int> anyAngle(-3600, 3600);
    for (int k = 0; k < 8; ++k) angles.push_back(anyAngle(rng));
    // Wide enough to cross strips of every kind (128 and 512 columns).
    const std::pair<int, int> sizes[] = {{1, 1},  {1, 11},   {4, 3},    {7, 2},   {23, 17},
                                         {70, 9}, {131, 67}, {523, 41}, {41, 530}};
    int compared = 0;
    for (TPixelFormat f : kAllFormats)
        for (auto [w, h] : sizes) {
            const TBitmap src = RandomPicture(f, w, h, rng);
            // The large pictures are there for the strip edges; a few angles do.
            const std::vector<int> few = {0, 900, -900, 1800, 2700, 300, 1234};
            for (int angle : w* h > 10000 ? few : angles)
                for (int flags = 0; flags < 4; ++flags) {
                    const bool mirror = flags & 1, circum = flags & 2;
                    auto work = src.Clone();
                    auto out = RotateBitmap(*work, angle, mirror, circum, clWhite);
                    auto ref = ReferenceTurn(src, {angle, mirror, circum, clWhite, nullptr});
                    std::string where;
                    ASSERT_TRUE(SamePixels(*out, *ref, &where))
                        << FormatName(f) << " " << w << "x" << h << " angle " << angle << " mirror " << mirror
                        << " circum " << circum << ": " << where;
                    ++compared;
                }
        }
    EXPECT_GT(compared, 6500);
}

TEST(RotateBitmap, UncoveredPixelsTakeTheFormatsBackground) {
    // A 1-bit picture with white at index 0 still gets index 1 (black).
    TBitmap one = MakePicture(TPixelFormat::pf1bit, 4, 4);
    one.SetPalette({{255, 255, 255, 0}, {0, 0, 0, 0}});
    auto out = RotateBitmap(one, 450, false, true, clWhite);
    EXPECT_EQ(GetUnit(*out, 0, 0), 1u);
    EXPECT_EQ(out->Palette(), one.Palette());

    TBitmap eight = MakePicture(TPixelFormat::pf8bit, 4, 4);
    std::vector<TPaletteEntry> pal(256, TPaletteEntry{1, 2, 3, 4});
    pal[3] = pal[200] = {255, 255, 255, 0};
    eight.SetPalette(pal);
    EXPECT_EQ(GetUnit(*RotateBitmap(eight, 450, false, true, clWhite), 0, 0), 200u);
    EXPECT_EQ(RotateBitmap(eight, 450, false, true, clWhite)->Palette(), pal) << "palette copied, flags kept";

    const struct {
        TPixelFormat f;
        std::uint32_t white;
    } deep[] = {{TPixelFormat::pf15bit, 0x7FFF},
                {TPixelFormat::pf16bit, 0xFFFF},
                {TPixelFormat::pf24bit, 0xFFFFFF},
                {TPixelFormat::pf32bit, 0x00FFFFFF}};
    for (const auto& d : deep) {
        TBitmap b = MakePicture(d.f, 4, 4);
        auto r = RotateBitmap(b, 450, false, true, clWhite);
        EXPECT_EQ(r->PixelFormat(), d.f);
        EXPECT_TRUE(r->Palette().empty());
        EXPECT_EQ(GetUnit(*r, 0, 0), d.white) << FormatName(d.f);
    }
    // 24-bit takes any colour's bytes: blue from bits 16-23, red from 0-7.
    TBitmap rgb = MakePicture(TPixelFormat::pf24bit, 4, 4);
    EXPECT_EQ(GetUnit(*RotateBitmap(rgb, 450, false, true, 0x123456), 0, 0), 0x563412u);
    // Other formats lay another colour out through their channel masks.
    TBitmap p15 = MakePicture(TPixelFormat::pf15bit, 4, 4);
    EXPECT_EQ(GetUnit(*RotateBitmap(p15, 450, false, true, 0x0000FF), 0, 0), 0x7C00u);
}

TEST(RotateBitmap, MasksTravelWithTheirPixels) {
    TBitmap b = MakePicture(TPixelFormat::pf16bit, 3, 2);
    b.SetBitFields(TBitFields{0x7C00, 0x03E0, 0x001F});
    SetUnit(b, 2, 0, 0x1234);
    auto out = RotateBitmap(b, 1800, false, false, clWhite);
    EXPECT_EQ(out->BitFields(), b.BitFields());
    EXPECT_EQ(GetUnit(*out, 0, 1), 0x1234u);
}

TEST(RotateBitmap, DeviceDependentSourceIsSwitchedInPlaceAndKeepsItsPicture) {
    TBitmap b = MakePicture(TPixelFormat::pf24bit, 3, 2);
    b.ScanLine(1)[3] = 77;  // blue of pixel (1, 1)
    b.SetHandleType(THandleType::bmDDB);
    auto out = RotateBitmap(b, 0, false, false, clWhite);
    EXPECT_EQ(b.HandleType(), THandleType::bmDIB);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(GetUnit(b, 1, 1), 77u);
    EXPECT_EQ(out->PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(GetUnit(*out, 1, 1), 77u);
}

// A picture within the limits can turn into one beyond them: refused with
// the bitmap layer's message before any result memory is taken.
TEST(RotateBitmap, RefusesAResultBeyondThePictureLimits) {
    TBitmap big = MakePicture(TPixelFormat::pf1bit, 20000, 13000);
    EXPECT_THROW(RotateBitmap(big, 450, false, true, clWhite), EInvalidGraphic);
}

}  // namespace
}  // namespace corvane
