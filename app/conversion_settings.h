// The option values a run takes from the window (or the command line) and
// the values derived from them.
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
// What happens to what a source file carries besides pixels.
enum class TMetadataMode { Keep = 0, Strip = 1 };
enum class TIccMode { Keep = 0, SRGB = 1, Strip = 2 };
enum class TOrientationMode { Apply = 0, Ignore = 1 };

// Values in the units the controls report. Ranges and defaults are the
// option table's (app/option_table.h): a new record holds every default.
struct TConversionSettings {
    TConversionSettings();

    int Brightness{};
    int Contrast{};
    int Level{};  // tenths
    bool LevelInverse{};
    int Gamma{};  // tenths
    bool GammaInverse{};
    bool ToneFirst{};
    int Angle{};  // tenths of a degree, positive turns left
    bool Circum{};
    bool Mirror{};
    TAutoTurn AutoTurn{};
    std::string SaveFormat{};  // "AUTO", ".bmp", ".jpg" or any typed text
    TNameCase NameCase{};
    int JPEGQuality{};
    bool Progressive{};
    std::string Resize{};  // "none", "N", "WxH" or "P%" (app/resize_setting.h)
    bool Enlarge{};        // the resize may also enlarge
    int Jobs{};            // entries converted at once (0: auto); the files are those of one at a time
    TExistingPolicy Existing{};
    bool KeepGoing{};  // a failing entry is reported and the run goes on
    TMetadataMode Metadata{};
    TIccMode Icc{};
    TOrientationMode Orientation{};
    // Each entry goes as far as the run decides what it does (its output,
    // writer, what happens to an existing file, its header against the
    // limits): nothing is decoded or written.
    bool Plan{};
};

inline constexpr TColor kBackColor = clWhite;

// Throws ESettingsError naming the first value out of its range (the
// option table's ranges).
void ValidateSettings(const TConversionSettings& settings);

// Jobs, with auto as the number of processors (the parallel driver also
// admits only as many entries as memory holds).
int EffectiveJobs(const TConversionSettings& s);
int LevelCode(const TConversionSettings& s);
int GammaCode(const TConversionSettings& s);
// +900, -900 or 0 from the auto-turn mode and the picture's shape.
int TurnValue(const TConversionSettings& s, int width, int height);
int EffectiveAngle(const TConversionSettings& s, int width, int height);
bool ToneRequested(const TConversionSettings& s);
bool RotationRequested(const TConversionSettings& s, int width, int height);

}  // namespace corvane
