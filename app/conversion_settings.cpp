#include "app/conversion_settings.h"

#include <algorithm>
#include <string>
#include <thread>

#include "app/errors.h"
#include "app/option_table.h"

namespace corvane {

TConversionSettings::TConversionSettings() { ApplyDefaults(*this); }

void ValidateSettings(const TConversionSettings& s) {
    for (const TOptionRow& row : OptionTable()) {
        int lo = row.Min, hi = row.Max;
        if (row.Kind == TOptionKind::Text && row.ParseText) {
            std::string normalized;
            const std::string& text = s.*row.TextField;
            if (!row.ParseText(text, normalized))
                throw ESettingsError(std::string(row.Caption) + "の値 " + text +
                                     " は使えません: " + std::string(row.ParseHint));
            continue;
        }
        if (row.Kind == TOptionKind::Choice) {
            lo = 0;
            hi = static_cast<int>(row.Choices.size()) - 1;
        } else if (row.Kind != TOptionKind::Integer && row.Kind != TOptionKind::Tenths) {
            continue;
        }
        const int value = row.Get(s);
        if ((value >= lo && value <= hi) || (value == 0 && !row.ZeroName.empty())) continue;
        // Choices are shown as their index, the window's item number.
        const auto show = [&](int v) {
            return row.Kind == TOptionKind::Choice ? std::to_string(v) : FormatOptionValue(row, v);
        };
        throw ESettingsError(std::string(row.Caption) + "の値 " + show(value) + " は範囲外です (" + show(lo) +
                             " .. " + show(hi) + ")");
    }
}

int EffectiveJobs(const TConversionSettings& s) {
    if (s.Jobs > 0) return s.Jobs;
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors, 1, OptionRow(TOptionId::Jobs).Max);
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
