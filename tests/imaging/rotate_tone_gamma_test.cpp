#include "imaging/rotate_tone_gamma.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "imaging/curve_table.h"
#include "imaging/errors.h"
#include "imaging/rotate.h"
#include "imaging/tone_gamma.h"
#include "imaging/tone_table.h"
#include "transform_test_support.h"

namespace corvane {
namespace {

using namespace testing_support;

struct Settings {
    int brightness, contrast, level, gamma;
    bool toneFirst;
};

// The per-colour rule from the colour model, step by step.
std::function<TPixelTriple(TPixelTriple)> RuleOf(const Settings& s) {
    const ToneTable tone = BuildToneTable(s.brightness, s.contrast, s.level);
    const bool toneOn = ToneActive(s.brightness, s.contrast, s.level);
    const bool gammaOn = GammaActive(s.gamma);
    const std::uint8_t* g = CurveRow(s.gamma);
    return [=](TPixelTriple p) {
        const auto gamma = [&](TPixelTriple q) { return TPixelTriple{g[q.Blue], g[q.Green], g[q.Red]}; };
        if (gammaOn && (!toneOn || !s.toneFirst)) p = gamma(p);
        if (toneOn) p = AdjustLuma(p, tone.data());
        if (gammaOn && toneOn && s.toneFirst) p = gamma(p);
        return p;
    };
}

std::unique_ptr<TBitmap> Turn(const TBitmap& src, int angle, bool mirror, bool circum, const Settings& s,
                              TColor back = clWhite) {
    return RotateToneGammaBitmap(src, angle, mirror, circum, s.brightness, s.contrast, s.level, s.gamma,
                                 s.toneFirst, back);
}

// 24-bit pictures against the plain loop with every covered pixel and the
// background adjusted; indexed pictures against the plain turn of their
// indices (background searched before adjustment) plus the adjusted palette.
TEST(RotateToneGammaBitmap, MatchesThePlainLoopWithTheColourRule) {
    std::mt19937 rng(99);
    const Settings settings[] = {{-50, 0, 10, 10, true},
                                 {0, 0, 10, 45, true},
                                 {25, -60, 14, 33, false},
                                 {-10, 90, 40, 5, true},
                                 {0, 0, 10, 10, false}};
    const int angles[] = {0, 900, -900, 1800, 300, -77, 1234, 2701};
    for (TPixelFormat f :
         {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit})
        for (auto [w, h] : {std::pair{1, 11}, std::pair{23, 9}, std::pair{97, 70}}) {
            const TBitmap src = RandomPicture(f, w, h, rng);
            for (const Settings& s : settings)
                for (int angle : angles)
                    for (int flags = 0; flags < 4; ++flags) {
                        const bool mirror = flags & 1, circum = flags & 2;
                        SCOPED_TRACE(testing::Message()
                                     << FormatName(f) << " " << w << "x" << h << " angle " << angle
                                     << " mirror " << mirror << " circum " << circum << " brightness "
                                     << s.brightness << " gamma " << s.gamma);
                        auto out = Turn(src, angle, mirror, circum, s);
                        ReferenceTurnOptions o{angle, mirror, circum, clWhite, nullptr};
                        if (f == TPixelFormat::pf24bit) o.Adjust = RuleOf(s);
                        auto ref = ReferenceTurn(src, o);
                        std::string where;
                        ASSERT_TRUE(SamePixels(*out, *ref, &where)) << where;
                        if (IsIndexed(f)) {
                            const auto rule = RuleOf(s);
                            ASSERT_EQ(out->Palette().size(), src.Palette().size());
                            for (std::size_t i = 0; i < src.Palette().size(); ++i) {
                                const TPaletteEntry e = src.Palette()[i];
                                const TPixelTriple t = rule({e.peBlue, e.peGreen, e.peRed});
                                ASSERT_EQ(out->Palette()[i], (TPaletteEntry{t.Red, t.Green, t.Blue, 0}));
                            }
                        }
                    }
        }
}

TEST(RotateToneGammaBitmap, BackgroundIsAdjustedLikeAPixel) {
    TBitmap src = MakePicture(TPixelFormat::pf24bit, 100, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) SetUnit(src, x, y, 0x808080);
    // Darkened white gives a grey border.
    auto out = Turn(src, 300, false, true, {-50, 0, 10, 10, true});
    ASSERT_EQ(out->Width(), 112);
    ASSERT_EQ(out->Height(), 93);
    EXPECT_EQ(GetUnit(*out, 0, 0), 0xCDCDCDu);
    // Every curve keeps 255, so gamma alone leaves the border white; grey 128 becomes 74.
    out = Turn(src, 300, false, true, {0, 0, 10, 45, true});
    EXPECT_EQ(GetUnit(*out, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(GetUnit(*out, 56, 46), 0x4A4A4Au);
}

TEST(RotateToneGammaBitmap, IndexedBackgroundIsChosenBeforeAdjustment) {
    TBitmap eight = MakePicture(TPixelFormat::pf8bit, 6, 4);
    std::vector<TPaletteEntry> pal(16, TPaletteEntry{10, 20, 30, 7});
    pal[7] = {255, 255, 255, 0};
    eight.SetPalette(pal);
    auto out = Turn(eight, 450, false, true, {-50, 0, 10, 10, true});
    EXPECT_EQ(GetUnit(*out, 0, 0), 7u);
    EXPECT_EQ(out->Palette()[7], (TPaletteEntry{205, 205, 205, 0}));

    // Blue has the larger value before adjustment, though grey turns white after it.
    eight.SetPalette({{250, 250, 250, 0}, {0, 0, 255, 0}});
    out = Turn(eight, 450, false, true, {60, 0, 10, 10, true});
    EXPECT_EQ(GetUnit(*out, 0, 0), 1u);
    EXPECT_EQ(out->Palette()[0], (TPaletteEntry{255, 255, 255, 0}));

    TBitmap one = MakePicture(TPixelFormat::pf1bit, 6, 4);
    one.SetPalette({{255, 255, 255, 0}, {0, 0, 0, 0}});
    EXPECT_EQ(GetUnit(*Turn(one, 450, false, true, {0, 0, 10, 45, true}), 0, 0), 1u);
}

TEST(RotateToneGammaBitmap, NeutralSettingsGiveThePlainTurn) {
    std::mt19937 rng(11);
    const Settings neutral{0, 0, 37, 10, true};
    for (TPixelFormat f : kAllFormats) {
        SCOPED_TRACE(FormatName(f));
        TBitmap src = RandomPicture(f, 17, 8, rng);
        auto as24 = src.Clone();
        if (!IsIndexed(f)) as24->SetPixelFormat(TPixelFormat::pf24bit);
        auto out = Turn(src, 450, true, true, neutral);
        EXPECT_TRUE(SamePixels(*out, *RotateBitmap(*as24, 450, true, true, clWhite)));
        EXPECT_EQ(out->PixelFormat(), IsIndexed(f) ? f : TPixelFormat::pf24bit);
        for (std::size_t i = 0; i < src.Palette().size(); ++i) {
            TPaletteEntry e = src.Palette()[i];
            e.peFlags = 0;
            EXPECT_EQ(out->Palette()[i], e);
        }
        EXPECT_EQ(src.PixelFormat(), f) << "the caller's picture keeps its format";
    }
}

TEST(RotateToneGammaBitmap, LeavesADeviceDependentSourceAsItWas) {
    TBitmap src = MakePicture(TPixelFormat::pf24bit, 3, 2);
    SetUnit(src, 2, 0, 0x010203);
    src.SetHandleType(THandleType::bmDDB);
    auto out = Turn(src, 900, false, true, {0, 0, 10, 10, true});
    EXPECT_EQ(src.HandleType(), THandleType::bmDDB);
    EXPECT_EQ(out->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(GetUnit(*out, 0, 0), 0x010203u);
}

// The three transforms refuse the same pictures with the same messages.
TEST(Transforms, RefuseEmptyAndUnsupportedPictures) {
    const std::function<void(TBitmap&)> transforms[] = {
        [](TBitmap& b) { ToneGammaBitmap(b, 0, 0, 10, 45, true); },
        [](TBitmap& b) { RotateBitmap(b, 900, false, true, clWhite); },
        [](TBitmap& b) { RotateToneGammaBitmap(b, 900, false, true, 0, 0, 10, 45, true, clWhite); },
    };
    const auto failure = [](const std::function<void(TBitmap&)>& transform, TBitmap& b) -> std::string {
        try {
            transform(b);
        } catch (const ERotateError& e) {
            return e.what();
        }
        return "no exception";
    };
    for (const auto& transform : transforms) {
        for (auto [w, h] : {std::pair{5, 0}, std::pair{0, 5}}) {
            TBitmap empty = MakePicture(TPixelFormat::pf8bit, w, h);
            EXPECT_EQ(failure(transform, empty), "Bitmap Size Error");
        }
        TBitmap custom = MakePicture(TPixelFormat::pfCustom, 3, 3);
        EXPECT_EQ(failure(transform, custom), "Illegal Bitmap");
        EXPECT_EQ(custom.PixelFormat(), TPixelFormat::pfCustom);
    }
    EXPECT_THROW(ToneGammaBitmap(MakePicture(TPixelFormat::pf24bit, 1, 1), 0, 128, 10, 10, true),
                 ERangeError);
}

}  // namespace
}  // namespace corvane
