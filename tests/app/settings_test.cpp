#include <gtest/gtest.h>

#include "app/conversion_settings.h"
#include "app/errors.h"

namespace corvane {
namespace {

TEST(Settings, DefaultsAreValidAndRequestGammaOnly) {
    const TConversionSettings s;
    EXPECT_NO_THROW(ValidateSettings(s));
    EXPECT_EQ(GammaCode(s), 45);
    EXPECT_EQ(LevelCode(s), 10);
    EXPECT_TRUE(ToneRequested(s));
    EXPECT_FALSE(RotationRequested(s, 40, 30));
}

TEST(Settings, OutOfRangeValuesNamedAsTheWindowShowsThem) {
    const auto message = [](auto change) {
        TConversionSettings s;
        change(s);
        try {
            ValidateSettings(s);
        } catch (const ESettingsError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message([](auto& s) { s.Level = 28; }), "レベルの値 2.8 は範囲外です (0.1 .. 2.7)");
    EXPECT_EQ(message([](auto& s) { s.Gamma = 0; }), "ガンマ補正の値 0.0 は範囲外です (0.1 .. 2.7)");
    EXPECT_EQ(message([](auto& s) { s.Angle = -3601; }), "角度の値 -360.1 は範囲外です (-360.0 .. 360.0)");
    EXPECT_EQ(message([](auto& s) { s.Brightness = 256; }), "明るさの値 256 は範囲外です (-255 .. 255)");
    EXPECT_EQ(message([](auto& s) { s.Contrast = -128; }),
              "コントラストの値 -128 は範囲外です (-127 .. 127)");
    EXPECT_EQ(message([](auto& s) { s.JPEGQuality = 100; }), "圧縮率の値 100 は範囲外です (35 .. 99)");
    EXPECT_EQ(message([](auto& s) { s.NameCase = static_cast<TNameCase>(3); }).substr(0, 9), "CharaCase");
    EXPECT_EQ(message([](auto& s) { s.Angle = 3600, s.Level = 1, s.Gamma = 27, s.JPEGQuality = 35; }),
              "accepted");
}

TEST(Settings, DerivedValues) {
    TConversionSettings s;
    s.Gamma = 10;
    s.LevelInverse = true;  // level 10 inverted is still no change
    EXPECT_FALSE(ToneRequested(s));
    EXPECT_EQ(LevelCode(s), 37);

    s.AutoTurn = TAutoTurn::Upright;
    EXPECT_EQ(TurnValue(s, 40, 30), 900);
    EXPECT_EQ(TurnValue(s, 30, 40), 0);
    EXPECT_EQ(TurnValue(s, 30, 30), 0);
    s.AutoTurn = TAutoTurn::Landscape;
    EXPECT_EQ(TurnValue(s, 30, 40), -900);
    EXPECT_EQ(TurnValue(s, 30, 30), 0);

    // Upright on a lying picture with angle -900 cancels out: no rotation.
    s.AutoTurn = TAutoTurn::Upright;
    s.Angle = -900;
    EXPECT_EQ(EffectiveAngle(s, 40, 30), 0);
    EXPECT_FALSE(RotationRequested(s, 40, 30));
    s.Mirror = true;
    EXPECT_TRUE(RotationRequested(s, 40, 30));

    // Passed on as it is, beyond a full turn too.
    s.Mirror = false;
    s.Angle = 3600;
    EXPECT_EQ(EffectiveAngle(s, 40, 30), 4500);
    EXPECT_TRUE(RotationRequested(s, 30, 40));
}

}  // namespace
}  // namespace corvane
