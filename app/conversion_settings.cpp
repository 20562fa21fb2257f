#include "app/conversion_settings.h"

#include <cstdlib>
#include <string>

#include "app/errors.h"

namespace corvane {

namespace {

// Tenths as the spin edits show them: 18 -> "1.8", -3600 -> "-360.0".
std::string Tenths(int v) {
    std::string s = std::to_string(std::abs(v) / 10) + "." + std::to_string(std::abs(v) % 10);
    return v < 0 ? "-" + s : s;
}

void CheckRange(const char* caption, int value, int lo, int hi, bool tenths) {
    if (value >= lo && value <= hi) return;
    const auto show = [&](int v) { return tenths ? Tenths(v) : std::to_string(v); };
    throw ESettingsError(std::string(caption) + "の値 " + show(value) + " は範囲外です (" + show(lo) +
                         " .. " + show(hi) + ")");
}

}  // namespace

void ValidateSettings(const TConversionSettings& s) {
    CheckRange("明るさ", s.Brightness, -255, 255, false);
    CheckRange("コントラスト", s.Contrast, -127, 127, false);
    CheckRange("レベル", s.Level, 1, 27, true);
    CheckRange("ガンマ補正", s.Gamma, 1, 27, true);
    CheckRange("角度", s.Angle, -3600, 3600, true);
    CheckRange("圧縮率", s.JPEGQuality, 35, 99, false);
    CheckRange("正立／倒立", static_cast<int>(s.AutoTurn), 0, 2, false);
    CheckRange("CharaCase", static_cast<int>(s.NameCase), 0, 2, false);
}

int LevelCode(const TConversionSettings& s) { return s.LevelInverse ? s.Level + 27 : s.Level; }
int GammaCode(const TConversionSettings& s) { return s.GammaInverse ? s.Gamma + 27 : s.Gamma; }

int TurnValue(const TConversionSettings& s, int width, int height) {
    if (s.AutoTurn == TAutoTurn::Upright && width > height) return 900;
    if (s.AutoTurn == TAutoTurn::Landscape && width < height) return -900;
    return 0;
}

int EffectiveAngle(const TConversionSettings& s, int width, int height) {
    return s.Angle + TurnValue(s, width, height);
}

bool ToneRequested(const TConversionSettings& s) {
    return s.Brightness != 0 || s.Contrast != 0 || s.Level != 10 || s.Gamma != 10;
}

bool RotationRequested(const TConversionSettings& s, int width, int height) {
    return EffectiveAngle(s, width, height) != 0 || s.Mirror;
}

}  // namespace corvane
