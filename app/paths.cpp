#include "app/paths.h"

#include <cstddef>
#include <vector>

#include "app/letter_case.h"
#include "app/text_encoding.h"

namespace corvane {

namespace {

// Calls f(index) for every byte that starts a character of its own: every
// byte in the native style, every byte but trail bytes in the Windows style.
template <typename F>
void ForEachCharStart(const std::string& s, PathStyle style, F f) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        f(i);
        if (style == PathStyle::Windows && IsShiftJisLeadByte(static_cast<unsigned char>(s[i])) &&
            i + 1 < s.size())
            ++i;
    }
}

// Index of the last single-byte character found in `set`, or npos.
std::size_t LastOf(const std::string& s, const char* set, PathStyle style) {
    std::size_t found = std::string::npos;
    ForEachCharStart(s, style, [&](std::size_t i) {
        for (const char* c = set; *c; ++c)
            if (s[i] == *c) found = i;
    });
    return found;
}

// Characters that end a folder or drive part: where a file name starts after.
const char* NameDelimiters(PathStyle style) { return style == PathStyle::Windows ? "\\:" : "/"; }
const char* ExtDelimiters(PathStyle style) { return style == PathStyle::Windows ? ".\\:" : "./"; }

// Folder names of a path that ends with a delimiter (or is empty), in order;
// an absolute path starts with the empty name of its root.
std::vector<std::string> FolderNames(const std::string& folder, PathStyle style) {
    std::vector<std::string> names;
    const char delim = PathDelimiter(style);
    std::size_t start = 0;
    ForEachCharStart(folder, style, [&](std::size_t i) {
        if (folder[i] == delim) {
            names.push_back(folder.substr(start, i - start));
            start = i + 1;
        }
    });
    return names;
}

std::string FolderWithoutDrive(const std::string& path, const std::string& drive, PathStyle style) {
    const std::string folder = ExtractFilePath(path, style);
    return folder.size() > drive.size() ? folder.substr(drive.size()) : std::string();
}

}  // namespace

char PathDelimiter(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

bool EndsWithDelimiter(const std::string& path, PathStyle style) {
    if (path.empty()) return false;
    const std::size_t last = LastOf(path, style == PathStyle::Windows ? "\\" : "/", style);
    return last == path.size() - 1;
}

std::string IncludeTrailingDelimiter(const std::string& path, PathStyle style) {
    return EndsWithDelimiter(path, style) ? path : path + PathDelimiter(style);
}

std::string ExtractFilePath(const std::string& path, PathStyle style) {
    const std::size_t i = LastOf(path, NameDelimiters(style), style);
    return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& path, PathStyle style) {
    const std::size_t i = LastOf(path, NameDelimiters(style), style);
    return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ExtractFileExt(const std::string& path, PathStyle style) {
    const std::size_t i = LastOf(path, ExtDelimiters(style), style);
    return i != std::string::npos && path[i] == '.' ? path.substr(i) : std::string();
}

std::string ChangeFileExt(const std::string& path, const std::string& ext, PathStyle style) {
    const std::size_t i = LastOf(path, ExtDelimiters(style), style);
    return (i != std::string::npos && path[i] == '.' ? path.substr(0, i) : path) + ext;
}

std::string LowerExt(const std::string& path, PathStyle style) {
    return LowerCaseText(ExtractFileExt(path, style), style);
}

bool SameFileName(const std::string& a, const std::string& b, PathStyle style) {
    if (style == PathStyle::Native) return a == b;
    return UpperCaseText(a, style) == UpperCaseText(b, style);
}

std::string ExtractFileDrive(const std::string& path, PathStyle style) {
    if (style == PathStyle::Native) return {};
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share: up to the delimiter after the share name.
        std::size_t seen = 0;
        std::size_t end = path.size();
        bool done = false;
        ForEachCharStart(path, style, [&](std::size_t i) {
            if (done || i < 2 || path[i] != '\\') return;
            if (++seen == 2) {
                end = i;
                done = true;
            }
        });
        return path.substr(0, end);
    }
    return {};
}

std::string RelativeDisplayPath(const std::string& baseFolder, const std::string& target, PathStyle style) {
    const std::string baseDrive = ExtractFileDrive(baseFolder, style);
    const std::string targetDrive = ExtractFileDrive(target, style);
    if (!SameFileName(baseDrive, targetDrive, style)) return target;

    const std::vector<std::string> base =
        FolderNames(FolderWithoutDrive(baseFolder, baseDrive, style), style);
    const std::vector<std::string> dest = FolderNames(FolderWithoutDrive(target, targetDrive, style), style);
    std::size_t common = 0;
    while (common < base.size() && common < dest.size() && SameFileName(base[common], dest[common], style))
        ++common;

    const char delim = PathDelimiter(style);
    std::string result;
    for (std::size_t i = common; i < base.size(); ++i) (result += "..") += delim;
    for (std::size_t i = common; i < dest.size(); ++i) (result += dest[i]) += delim;
    return result + ExtractFileName(target, style);
}

}  // namespace corvane
