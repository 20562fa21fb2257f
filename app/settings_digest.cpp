#include "app/settings_digest.h"

#include "app/option_table.h"
#include "app/sha256.h"

namespace corvane {

std::string SettingsText(const TConversionSettings& settings) {
    std::string text;
    for (const TOptionRow& row : OptionTable()) {
        if (row.RunPolicy) continue;
        text += std::string(row.CliName) + "=";
        switch (row.Kind) {
            case TOptionKind::Text:
                text += settings.*row.TextField;
                break;
            case TOptionKind::Choice:
                text += std::string(row.Choices[static_cast<std::size_t>(row.Get(settings))].Name);
                break;
            case TOptionKind::Integer:
            case TOptionKind::Tenths:
            case TOptionKind::Switch:
                text += FormatOptionValue(row, row.Get(settings));
                break;
        }
        text += "\n";
    }
    return text;
}

std::string SettingsDigest(const TConversionSettings& settings) { return Sha256Hex(SettingsText(settings)); }

}  // namespace corvane
