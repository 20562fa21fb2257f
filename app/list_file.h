// List files: one entry per line, CR LF after every line. Reading accepts CR,
// LF or CR LF, stops at a NUL, drops a UTF-8 byte-order mark, and adds no
// empty entry for a final line break. Paths are bytes and round-trip as they
// are.
#pragma once

#include <string>
#include <vector>

namespace corvane {

// "ファイル %s は開けません" when the file cannot be read.
std::vector<std::string> ReadListFile(const std::string& path);
// Written through a temporary file and a rename; "ファイル %s を作成できません"
// when that fails, and the previous file is left as it was.
void WriteListFile(const std::string& path, const std::vector<std::string>& entries);

// The splitting and joining rules alone.
std::vector<std::string> SplitListText(const std::string& text);
std::string JoinListText(const std::vector<std::string>& entries);

}  // namespace corvane
