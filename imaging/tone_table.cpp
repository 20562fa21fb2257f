#include "imaging/tone_table.h"

#include <algorithm>
#include <cmath>

#include "imaging/curve_table.h"
#include "imaging/errors.h"

namespace corvane {

ToneTable BuildToneTable(int Brightness, int Contrast, int LevelCode) {
    // Only the top is refused: 128 would divide by zero, while any lower
    // value merely saturates the table.
    if (Contrast > 127) throw ERangeError("コントラスト", Contrast, -127, 127);
    const std::uint8_t* level = CurveRow(LevelCode);
    ToneTable table{};
    for (int i = 0; i < 256; ++i) {
        const std::int64_t K = i - 128;
        std::int64_t k;
        if (Contrast <= 0) {
            k = K * Contrast / 127;  // truncates toward zero
        } else {
            // Written as the quotient's factor times K minus K, in double; no
            // value of Contrast and K lands on a half, so the tie rule is moot.
            k = std::lrint((128.0 / (128 - Contrast)) * static_cast<double>(K) - static_cast<double>(K));
        }
        const std::int64_t entry = level[i] + static_cast<std::int64_t>(Brightness) + k;
        table[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(entry, 0, 255));
    }
    return table;
}

bool ToneActive(int Brightness, int Contrast, int LevelCode) {
    return Brightness != 0 || Contrast != 0 || !IsNeutralCode(LevelCode);
}

bool GammaActive(int GammaCode) { return !IsNeutralCode(GammaCode); }

}  // namespace corvane
