// Letter case of file names for the name-case rule and the extension checks.
#pragma once

#include <string>

#include "app/paths.h"

namespace corvane {

// Native: Unicode-aware mapping of each UTF-8 character; a text that is not
// valid UTF-8 as a whole (a Shift-JIS or Latin-1 name) stays byte for byte as
// it is, since its bytes cannot be told apart from letters. Windows:
// single-byte ASCII letters only; double-byte Shift-JIS characters are left alone.
std::string LowerCaseText(const std::string& text, PathStyle style);
std::string UpperCaseText(const std::string& text, PathStyle style);

}  // namespace corvane
