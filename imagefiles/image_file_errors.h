// Failures of the format libraries: the file's path (or the format, when
// encoding in memory) and the library's own text, so that a user can tell
// which file failed and why.
#pragma once

#include <string>
#include <string_view>

#include "imaging/errors.h"

namespace corvane {

// "ファイル %s は %s として読めません: %s" (path, format, the library's text)
class EImageFileError : public ECorvaneError {
public:
    EImageFileError(const std::string& path, std::string_view format, const std::string& detail);
};

// "%s の書き込みエラー: %s" (format, the library's text)
class EImageEncodeError : public ECorvaneError {
public:
    EImageEncodeError(std::string_view format, const std::string& detail);
};

}  // namespace corvane
