// A batch list entry: "<source folder><file name>","<destination folder>",
// each folder with a delimiter appended unless it ends with one.
#pragma once

#include <string>
#include <vector>

#include "app/paths.h"

namespace corvane {

// Builds the entry. A double quote inside a path is doubled so that the
// entry reads back as the same two fields; a path holding CR or LF cannot
// live in a list file and raises ECorvaneError with a clear message.
std::string MakeEntry(const std::string& sourceFolder, const std::string& fileName,
                      const std::string& destinationFolder, PathStyle style = PathStyle::Native);

// Splits comma text: blanks (1..32) before a field skipped, quoted fields
// with doubled quotes, unquoted fields ending at a blank or comma, blank-only
// separators allowed.
std::vector<std::string> SplitCommaText(const std::string& text);

}  // namespace corvane
