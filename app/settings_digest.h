// A digest of the settings that decide what a run makes: every row of the
// option table but the run policies (jobs, keep-going, what happens to an
// existing file, plan). Two runs with the same digest make the same bytes
// from the same source, so a manifest record of one holds for the other.
#pragma once

#include <string>

#include "app/conversion_settings.h"

namespace corvane {

// "--brightness=0\n--contrast=0\n..." in the table's order: new rows join
// the digest without being listed here.
std::string SettingsText(const TConversionSettings& settings);
// SHA-256 of SettingsText, 64 hex digits.
std::string SettingsDigest(const TConversionSettings& settings);

}  // namespace corvane
