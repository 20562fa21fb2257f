// One-line JSON objects of plain members, as the manifest writes them.
// Strings are bytes: valid UTF-8 goes out as it is, any other byte as \udcXX
// (Python's surrogateescape), which the reader turns back into that byte.
#pragma once

#include <functional>
#include <string>

namespace corvane {

// The text as a JSON string, quotes included, appended to out.
void AppendJsonString(std::string& out, const std::string& text);

// Called for each member: its name, its value (a string's bytes, or a bare
// number, null, true or false as written) and whether it was a string;
// false refuses the object.
using TJsonField = std::function<bool(const std::string& name, const std::string& value, bool isString)>;
// One whole object of such members, and nothing else but blanks; false for
// anything else (nested values, a torn line).
bool ParseFlatJsonObject(const std::string& text, const TJsonField& field);

}  // namespace corvane
