// The resize setting: its text ("none", "N" for the long edge, "WxH" for a
// box to fit in, "P%" for a percentage) and the sizes it gives. A picture
// is enlarged only when the settings allow it (Enlarge); otherwise a size at
// or under the asked one is kept.
#pragma once

#include <string>

#include "app/conversion_settings.h"

namespace corvane {

struct TResizeSpec {
    enum class Kind { None, LongEdge, Box, Percent } Mode = Kind::None;
    int Long = 0;       // LongEdge
    int Width = 0;      // Box
    int Height = 0;     // Box
    int Percent = 100;  // Percent, 1 .. 1000
    bool Enlarge = false;
};

// Letter case and blanks around the parts are not significant ("1920 X 1080"
// is "1920x1080"); sizes are 1 .. 65535. On success `normalized` is the text
// as it is shown ("none", "1920", "1920x1080", "50%").
bool ParseResize(const std::string& text, TResizeSpec& wanted, std::string& normalized);
bool NormalizeResizeText(const std::string& text, std::string& normalized);

struct TPictureSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TPictureSize&, const TPictureSize&) = default;
};

// The size a picture of `size` comes out as: fitted by the wanted, the ratio
// kept to the nearest pixel (at least 1), never larger than `size` unless
// the wanted may enlarge; never beyond the working bitmap's limits.
TPictureSize ResizedSize(const TResizeSpec& wanted, TPictureSize size);

// The wanted of the settings' text and Enlarge; Kind::None for a text that
// does not parse (ValidateSettings refuses it before a run).
TResizeSpec ResizeSpecOf(const TConversionSettings& s);

// The factor (1, 2, 4 or 8) a reader may shrink by while decoding, when the
// picture of `full` size is to come out as `target`: the largest that still
// leaves at least the target's pixels on both sides.
int ShrinkOnLoadFactor(TPictureSize full, TPictureSize target);

}  // namespace corvane
