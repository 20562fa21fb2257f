// The fifteen option values a run takes from the window (or the command
// line), in the units the controls report, and the values derived from them.
#pragma once

#include <string>

#include "imaging/color.h"

namespace corvane {

enum class TAutoTurn { None = 0, Upright = 1, Landscape = 2 };
enum class TNameCase { None = 0, Lower = 1, Upper = 2 };
// What happens to a file already at an output's name (not one this run wrote):
// moved to the desktop trash before the new file takes its name, replaced,
// left as it is with the entry skipped, or the run ends there.
enum class TExistingPolicy { Trash = 0, Replace = 1, Skip = 2, Stop = 3 };

struct TConversionSettings {
    int Brightness = 0;  // -255 .. 255
    int Contrast = 0;    // -127 .. 127
    int Level = 10;      // tenths, 1 .. 27
    bool LevelInverse = false;
    int Gamma = 18;  // tenths, 1 .. 27
    bool GammaInverse = true;
    bool ToneFirst = true;
    int Angle = 0;  // tenths of a degree, -3600 .. 3600, positive turns left
    bool Circum = true;
    bool Mirror = false;
    TAutoTurn AutoTurn = TAutoTurn::None;
    std::string SaveFormat = "AUTO";  // "AUTO", ".bmp", ".jpg" or any typed text
    TNameCase NameCase = TNameCase::None;
    int JPEGQuality = 90;  // 35 .. 99
    bool Progressive = false;
    TExistingPolicy Existing = TExistingPolicy::Trash;
};

inline constexpr TColor kBackColor = clWhite;

// Throws ESettingsError naming the first value out of its range.
void ValidateSettings(const TConversionSettings& settings);

int LevelCode(const TConversionSettings& s);
int GammaCode(const TConversionSettings& s);
// +900, -900 or 0 from the auto-turn mode and the picture's shape.
int TurnValue(const TConversionSettings& s, int width, int height);
int EffectiveAngle(const TConversionSettings& s, int width, int height);
bool ToneRequested(const TConversionSettings& s);
bool RotationRequested(const TConversionSettings& s, int width, int height);

}  // namespace corvane
