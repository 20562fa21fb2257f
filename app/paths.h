// Path rules of the batch list, the runner and the output names, for two
// styles: the build's native one (POSIX: "/" only, no drives, names compared
// exactly) and the Windows one (backslash and colon, drive letters, names
// compared without case, the Shift-JIS rule that a 0x5C trail byte is not a
// delimiter). The program uses the native style.
#pragma once

#include <string>

namespace corvane {

enum class PathStyle { Native, Windows };

char PathDelimiter(PathStyle style);
// True when the path's last character is a single-byte delimiter.
bool EndsWithDelimiter(const std::string& path, PathStyle style);
// The path with a delimiter appended unless it ends with one.
std::string IncludeTrailingDelimiter(const std::string& path, PathStyle style);
// Up to and including the last delimiter (or ":" in the Windows style).
std::string ExtractFilePath(const std::string& path, PathStyle style);
// After the last delimiter (or ":").
std::string ExtractFileName(const std::string& path, PathStyle style);
// From the last "." of the file name on, dot included; empty without one.
std::string ExtractFileExt(const std::string& path, PathStyle style);
std::string ChangeFileExt(const std::string& path, const std::string& ext, PathStyle style);
// Lower-cased extension for the reader and writer choice.
std::string LowerExt(const std::string& path, PathStyle style);

// Names compared as the style's file system does: exactly (native) or
// without regard to the case of single-byte letters (Windows).
bool SameFileName(const std::string& a, const std::string& b, PathStyle style);
// The drive part: "C:" or "\\server\share" in the Windows style, always
// empty in the native one.
std::string ExtractFileDrive(const std::string& path, PathStyle style);
// The path of `target` relative to `baseFolder` (which ends with a
// delimiter): full path across drives, "../" per remaining level of the
// base, then the remaining folders of the target, then its name.
std::string RelativeDisplayPath(const std::string& baseFolder, const std::string& target, PathStyle style);

}  // namespace corvane
