// The curve table: 54 rows of 256 bytes. Rows 1..27 correct for gamma c/10,
// rows 28..54 are their inverses; rows 10 and 37 are the identity.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr int kCurveRows = 54;
inline constexpr int kNeutralCode = 10;
inline constexpr int kNeutralInverseCode = 37;

// Row `code` (1 .. 54) of the table; computed once, on first use. Throws
// ERangeError for any other code.
const std::uint8_t* CurveRow(int code);

constexpr bool IsNeutralCode(int code) {
    return code == kNeutralCode || code == kNeutralInverseCode;
}

}  // namespace corvane
