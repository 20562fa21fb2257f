// The command line of corvane-batch: every row of the option table as an
// option, with the window's ranges and defaults and the values written as the
// window shows them (tenths as decimals with "." whatever the locale).
#pragma once

#include <string>
#include <vector>

#include "app/conversion_settings.h"
#include "imaging/errors.h"

namespace corvane {

// A command line that cannot be run: the message says which option and why.
class EUsageError : public ECorvaneError {
public:
    using ECorvaneError::ECorvaneError;
};

struct TBatchOptions {
    TConversionSettings Settings;
    std::string ListFile;            // --list, empty when not given
    std::string Destination;         // --dest
    std::vector<std::string> Files;  // converted into Destination
    std::string Manifest;            // --manifest: a JSON Lines record per entry
    std::string Resume;              // --resume: a manifest of an earlier run
    int ShardIndex = 0;              // --shard I/N
    int ShardCount = 1;
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
};

// Throws EUsageError for an unknown option, a missing or unreadable value, a
// value out of its range, files without --dest, a shard that is not I/N
// with 0 <= I < N, or a plan with a manifest.
TBatchOptions ParseBatchOptions(const std::vector<std::string>& args);

// Strict number grammar: optional sign, digits, optionally "." and digits.
// No blanks, exponents, "nan", "inf" or hexadecimal. Returns false when the
// text does not follow it or does not fit.
bool ParseInteger(const std::string& text, int& value);
// A decimal with at most one significant decimal place, as tenths: "1.8" ->
// 18, "-30" -> -300, "2.50" -> 25; "1.85" is refused.
bool ParseTenths(const std::string& text, int& tenths);

// "I/N" of --shard: digits only, 0 <= I < N <= kMaxShards.
inline constexpr int kMaxShards = 1'000'000;
bool ParseShard(const std::string& text, int& index, int& count);

std::string BatchUsageText();

}  // namespace corvane
