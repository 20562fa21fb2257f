// The tone table: brightness, contrast and level folded into 256 luma
// entries, each limited to 0 .. 255, and the tests for whether tone or gamma
// changes anything at all.
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

using ToneTable = std::array<std::int32_t, 256>;

// Entry i = level curve at i + Brightness + contrast term of (i - 128),
// limited to 0 .. 255. Throws ERangeError for a level code outside 1 .. 54
// or a contrast above 127 (128 would divide by zero).
ToneTable BuildToneTable(int Brightness, int Contrast, int LevelCode);

bool ToneActive(int Brightness, int Contrast, int LevelCode);
bool GammaActive(int GammaCode);

}  // namespace corvane
