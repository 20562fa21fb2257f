#include "imaging/tone_gamma.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>

#include "imaging/colour_rule.h"
#include "imaging/curve_table.h"
#include "imaging/errors.h"
#include "imaging/pixel_kernels.h"
#include "imaging/tone_table.h"
#include "transform_test_support.h"

namespace corvane {
namespace {

using namespace testing_support;

TEST(ToneTable, DocumentedEntries) {
    ToneTable t = BuildToneTable(50, 0, 10);
    EXPECT_EQ(t[0], 50);
    EXPECT_EQ(t[100], 150);
    EXPECT_EQ(t[204], 254);
    for (int i = 205; i < 256; ++i) EXPECT_EQ(t[i], 255) << i;

    t = BuildToneTable(0, 64, 10);  // 2i - 128, limited
    for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i], std::clamp(2 * i - 128, 0, 255)) << i;

    t = BuildToneTable(0, 127, 10);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i], i < 128 ? 0 : i == 128 ? 128 : 255) << i;

    for (int b : {0, 20}) {
        t = BuildToneTable(b, -127, 10);
        for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i], 128 + b) << i;
    }

    // Step 1 holds for negative contrast: the term is truncated from K alone.
    t = BuildToneTable(0, -1, 10);
    EXPECT_EQ(t[0], 1);
    EXPECT_EQ(t[1], 2);
    EXPECT_EQ(t[254], 254);
    EXPECT_EQ(t[255], 254);

    t = BuildToneTable(0, 1, 10);
    const int one[][2] = {{0, 0}, {63, 62}, {64, 63}, {65, 65}, {128, 128}, {192, 193}, {255, 255}};
    for (const auto& [in, out] : one) EXPECT_EQ(t[in], out) << in;

    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(BuildToneTable(-255, 0, 10)[i], 0);
        EXPECT_EQ(BuildToneTable(255, 0, 10)[i], 255);
    }
    EXPECT_EQ(BuildToneTable(0, 0, 45)[128], 74);
    EXPECT_TRUE(ToneActive(0, 0, 45));
    EXPECT_FALSE(ToneActive(0, 0, 37));
    EXPECT_FALSE(GammaActive(10));
    EXPECT_TRUE(GammaActive(45));
}

// The double-precision contrast term must equal the exact nearest integer
// of K * Contrast / (128 - Contrast) for every positive contrast.
TEST(ToneTable, PositiveContrastTermIsTheNearestInteger) {
    for (int c = 1; c <= 127; ++c) {
        const ToneTable t = BuildToneTable(0, c, 10);
        for (int i = 0; i < 256; ++i) {
            const long num = 2L * (i - 128) * c, den = 2L * (128 - c);
            // floor((2n + d) / 2d): nearest, exact in integers.
            long q = (num + den / 2) / den;
            if ((num + den / 2) % den != 0 && (num + den / 2) < 0) --q;
            ASSERT_EQ(t[i], std::clamp<long>(i + q, 0, 255)) << "contrast " << c << " input " << i;
        }
    }
}

TEST(ToneTable, RefusesParametersThatHaveNoMeaning) {
    const auto failure = [](auto make) -> std::string {
        try {
            make();
        } catch (const ERangeError& e) {
            return e.what();
        }
        return "no failure";
    };
    EXPECT_EQ(failure([] { BuildToneTable(0, 128, 10); }), "コントラスト 128 は範囲外です (-127 .. 127)");
    EXPECT_EQ(failure([] { BuildToneTable(0, 0, 0); }), "レベル・ガンマのコード 0 は範囲外です (1 .. 54)");
    EXPECT_EQ(failure([] { BuildToneTable(0, 0, 55); }), "レベル・ガンマのコード 55 は範囲外です (1 .. 54)");
    EXPECT_EQ(failure([] { ColourRule(0, 0, 10, 0, true); }),
              "レベル・ガンマのコード 0 は範囲外です (1 .. 54)");
    // Outside the window's ranges but harmless: limited like any entry.
    EXPECT_EQ(BuildToneTable(std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 10)[0], 255);
}

// The colour rule written out from the colour model, independent of the
// operation's own code path.
TPixelTriple Reference(TPixelTriple p, const ToneTable& tone, bool toneOn, int gammaCode, bool toneFirst) {
    const std::uint8_t* g = CurveRow(gammaCode);
    const bool gammaOn = !IsNeutralCode(gammaCode);
    const auto gamma = [&](TPixelTriple q) { return TPixelTriple{g[q.Blue], g[q.Green], g[q.Red]}; };
    if (gammaOn && (!toneOn || !toneFirst)) p = gamma(p);
    if (toneOn) p = AdjustLuma(p, tone.data());
    if (gammaOn && toneOn && toneFirst) p = gamma(p);
    return p;
}

struct Settings {
    int brightness, contrast, level, gamma;
    bool toneFirst;
};

// Every 24-bit colour once, through the run kernels (vectorised, with the
// shift standing in for the truncating division, and the two-byte gamma
// table), against the colour model pixel by pixel.
TEST(ToneGammaBitmap, EveryColourMatchesTheColourModel) {
    TBitmap all = MakePicture(TPixelFormat::pf24bit, 4096, 4096);
    for (int y = 0; y < 4096; ++y)
        for (int x = 0; x < 4096; ++x) {
            const std::uint32_t v = static_cast<std::uint32_t>(y) << 12 | static_cast<std::uint32_t>(x);
            std::memcpy(all.ScanLine(y) + 3 * x, &v, 3);
        }
    const Settings cases[] = {
        {20, 64, 18, 10, true},      // tone alone
        {0, 127, 10, 10, false},     // a table of only 0, 128 and 255
        {-30, -40, 30, 45, false},   // gamma, then tone
        {5, 100, 7, 3, true},        // tone, then gamma
        {0, 0, 10, 45, true},        // gamma alone
        {255, -127, 54, 10, false},  // every entry 255
    };
#if defined(__SANITIZE_ADDRESS__)
    const std::size_t runs = 2;  // the same code paths, at a tenth of the speed
#else
    const std::size_t runs = std::size(cases);
#endif
    for (std::size_t c = 0; c < runs; ++c) {
        const Settings& s = cases[c];
        SCOPED_TRACE(testing::Message()
                     << "brightness " << s.brightness << " contrast " << s.contrast << " level " << s.level
                     << " gamma " << s.gamma << " toneFirst " << s.toneFirst);
        auto out = ToneGammaBitmap(all, s.brightness, s.contrast, s.level, s.gamma, s.toneFirst);
        const ToneTable tone = BuildToneTable(s.brightness, s.contrast, s.level);
        const bool toneOn = ToneActive(s.brightness, s.contrast, s.level);
        for (int y = 0; y < 4096; ++y)
            for (int x = 0; x < 4096; ++x) {
                const TPixelTriple want = Reference(GetTriple(all, x, y), tone, toneOn, s.gamma, s.toneFirst);
                const TPixelTriple got = GetTriple(*out, x, y);
                if (got.Blue != want.Blue || got.Green != want.Green || got.Red != want.Red)
                    FAIL() << "colour 0x" << std::hex << GetUnit(all, x, y);
            }
    }
}

// Each gamma kernel against the plain look-up, for every curve, every
// length up to a few blocks (the tails), and in place.
TEST(ToneGammaBitmap, EveryGammaKernelMatchesThePlainLookUp) {
    std::mt19937 rng(8);
    std::vector<std::uint8_t> src(300);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i < 256 ? i : rng());
    for (int code = 1; code <= kCurveRows; ++code) {
        const std::uint8_t* g = CurveRow(code);
        const auto pairs = pixel_kernels::GammaPairTable(g);
        for (std::size_t n = 0; n <= src.size(); n += (n < 140 ? 1 : 37)) {
            std::vector<std::uint8_t> want(n), got(n);
            for (std::size_t i = 0; i < n; ++i) want[i] = g[src[i]];
            if (!pairs.empty()) {
                pixel_kernels::GammaPairBytes(src.data(), got.data(), n, pairs.data(), g);
                ASSERT_EQ(got, want) << "pairs, code " << code << " length " << n;
            }
            if (pixel_kernels::HasBytePermute()) {
                std::vector<std::uint8_t> inPlace(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(n));
                pixel_kernels::GammaBytesPermute(inPlace.data(), inPlace.data(), n, g);
                ASSERT_EQ(inPlace, want) << "permute, code " << code << " length " << n;
            }
        }
    }
}

TBitmap OnePixel(int r, int g, int b) {
    TBitmap p = MakePicture(TPixelFormat::pf24bit, 1, 1);
    SetUnit(p, 0, 0, static_cast<std::uint32_t>(b | g << 8 | r << 16));
    return p;
}

std::uint32_t Rgb(int r, int g, int b) { return static_cast<std::uint32_t>(b | g << 8 | r << 16); }

TEST(ToneGammaBitmap, DocumentedPixels) {
    const TBitmap px = OnePixel(200, 100, 50);
    const TBitmap grey = OnePixel(128, 128, 128);
    EXPECT_EQ(GetUnit(*ToneGammaBitmap(px, 20, 0, 10, 10, true), 0, 0), Rgb(220, 120, 70));
    EXPECT_EQ(GetUnit(*ToneGammaBitmap(px, 0, 0, 10, 45, true), 0, 0), Rgb(165, 47, 14));
    EXPECT_EQ(GetUnit(*ToneGammaBitmap(grey, 0, 0, 10, 45, true), 0, 0), Rgb(74, 74, 74));
    // Order matters when both act: tone to 148 then gamma, or gamma to 74 then tone.
    EXPECT_EQ(GetUnit(*ToneGammaBitmap(grey, 20, 0, 10, 45, true), 0, 0), Rgb(96, 96, 96));
    EXPECT_EQ(GetUnit(*ToneGammaBitmap(grey, 20, 0, 10, 45, false), 0, 0), Rgb(94, 94, 94));
    // Contrast -127 keeps the chroma and gives every pixel luma 128.
    const TBitmap flat = OnePixel(255, 0, 0);
    const TPixelTriple f = GetTriple(*ToneGammaBitmap(flat, 0, -127, 10, 10, true), 0, 0);
    const TYCbCr before = RGBToYCbCr({0, 0, 255});
    EXPECT_EQ(f.Red, ClampToPixel(YCbCrToRGB({128, before.Cb, before.Cr})).Red);
}

TEST(ToneGammaBitmap, IndexedPicturesChangeOnlyTheirPalette) {
    std::mt19937 rng(3);
    for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit}) {
        SCOPED_TRACE(FormatName(f));
        const TBitmap src = RandomPicture(f, 13, 5, rng);  // random flags and spare bits
        const auto before = src.Clone();
        for (const Settings& s : {Settings{0, 0, 10, 10, true}, Settings{-40, 30, 12, 45, false}}) {
            auto out = ToneGammaBitmap(src, s.brightness, s.contrast, s.level, s.gamma, s.toneFirst);
            ASSERT_EQ(out->PixelFormat(), f);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 13; ++x) ASSERT_EQ(GetUnit(*out, x, y), GetUnit(src, x, y));
            // The bits after the last pixel are cleared, not copied.
            if (f != TPixelFormat::pf8bit) {
                const int spare = f == TPixelFormat::pf1bit ? 0x07 : 0x0F;
                for (int y = 0; y < 5; ++y)
                    EXPECT_EQ(out->ScanLine(y)[(13 * BitsPerPixel(f) - 1) / 8] & spare, 0);
            }
            ASSERT_EQ(out->Palette().size(), src.Palette().size());
            for (std::size_t i = 0; i < src.Palette().size(); ++i) {
                const TPaletteEntry in = src.Palette()[i], got = out->Palette()[i];
                const TPixelTriple want = Reference(
                    {in.peBlue, in.peGreen, in.peRed}, BuildToneTable(s.brightness, s.contrast, s.level),
                    ToneActive(s.brightness, s.contrast, s.level), s.gamma, s.toneFirst);
                EXPECT_EQ(got, (TPaletteEntry{want.Red, want.Green, want.Blue, 0})) << "entry " << i;
            }
        }
        EXPECT_TRUE(SamePixels(src, *before));
        EXPECT_EQ(src.Palette(), before->Palette());
    }
}

TEST(ToneGammaBitmap, DeepFormatsComeBackAs24Bit) {
    std::mt19937 rng(4);
    for (TPixelFormat f : {TPixelFormat::pf15bit, TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
        SCOPED_TRACE(FormatName(f));
        const TBitmap src = RandomPicture(f, 9, 4, rng);
        auto as24 = src.Clone();
        as24->SetPixelFormat(TPixelFormat::pf24bit);
        auto neutral = ToneGammaBitmap(src, 0, 0, 37, 10, true);
        EXPECT_EQ(neutral->PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_TRUE(SamePixels(*neutral, *as24));
        EXPECT_TRUE(
            SamePixels(*ToneGammaBitmap(src, 9, 9, 9, 9, false), *ToneGammaBitmap(*as24, 9, 9, 9, 9, false)));
        EXPECT_EQ(src.PixelFormat(), f);
    }
    // Device-dependent: the caller's picture stays device-dependent.
    TBitmap ddb = OnePixel(1, 2, 3);
    ddb.SetHandleType(THandleType::bmDDB);
    auto out = ToneGammaBitmap(ddb, 0, 0, 10, 10, true);
    EXPECT_EQ(out->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(GetUnit(*out, 0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(ddb.HandleType(), THandleType::bmDDB);
}

TEST(ToneGammaBitmap, NeverWritesTheCallersPixels) {
    std::mt19937 rng(5);
    const TBitmap src = RandomPicture(TPixelFormat::pf24bit, 70, 3, rng);
    const auto before = src.Clone();
    auto out = ToneGammaBitmap(src, 10, 10, 20, 30, true);
    EXPECT_TRUE(SamePixels(src, *before));
    EXPECT_FALSE(SamePixels(*out, src));
}

// In place gives the bytes of the copy, padding and transparency included,
// for every order of the steps; any picture it cannot take stays untouched.
TEST(ToneGammaInPlace, GivesTheBytesOfTheCopyOrLeavesThePictureAlone) {
    std::mt19937 rng(6);
    const struct {
        int b, c, level, gamma;
        bool toneFirst;
    } rules[] = {{0, 0, 10, 45, true}, {20, -30, 14, 10, true}, {-9, 40, 7, 22, false}, {5, 5, 5, 5, true}};
    for (const int width : {1, 2, 3, 70, 129})
        for (const auto& r : rules) {
            TBitmap picture = RandomPicture(TPixelFormat::pf24bit, width, 5, rng);
            if (width == 129) picture.AddAlpha();
            // Padding bytes as a file may leave them.
            for (int y = 0; y < 5; ++y)
                for (std::size_t i = 3 * static_cast<std::size_t>(width); i < picture.Stride(); ++i)
                    picture.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
            const auto copy = ToneGammaBitmap(picture, r.b, r.c, r.level, r.gamma, r.toneFirst);
            ASSERT_TRUE(ToneGammaInPlace(picture, r.b, r.c, r.level, r.gamma, r.toneFirst));
            ASSERT_EQ(picture.ImageSize(), copy->ImageSize());
            EXPECT_EQ(std::memcmp(picture.Bits(), copy->Bits(), copy->ImageSize()), 0) << "width " << width;
            EXPECT_EQ(picture.HasAlpha(), copy->HasAlpha());
            if (copy->HasAlpha()) {
                for (int y = 0; y < 5; ++y)
                    EXPECT_EQ(std::memcmp(picture.AlphaLine(y), copy->AlphaLine(y), 129), 0);
            }
        }

    TBitmap topDown = RandomPicture(TPixelFormat::pf24bit, 7, 3, rng);
    topDown.SetTopDown(true);
    TBitmap withPalette = RandomPicture(TPixelFormat::pf24bit, 7, 3, rng);
    withPalette.SetPalette({TPaletteEntry{1, 2, 3, 0}});
    TBitmap core = RandomPicture(TPixelFormat::pf24bit, 7, 3, rng);
    core.SetCoreHeader(true);
    for (TBitmap* b : {&topDown, &withPalette, &core}) {
        const auto before = b->Clone();
        EXPECT_FALSE(ToneGammaInPlace(*b, 10, 10, 20, 30, true));
        EXPECT_TRUE(SamePixels(*b, *before));
    }
    for (TPixelFormat f : {TPixelFormat::pf8bit, TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
        TBitmap b = RandomPicture(f, 7, 3, rng);
        const auto before = b.Clone();
        EXPECT_FALSE(ToneGammaInPlace(b, 10, 10, 20, 30, true)) << FormatName(f);
        EXPECT_TRUE(SamePixels(b, *before));
    }
}

}  // namespace
}  // namespace corvane
