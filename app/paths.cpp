#include "app/paths.h"

#include <locale.h>
#include <wctype.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

namespace {

// Lead bytes of a Shift-JIS double-byte character. The byte after one is its
// trail byte, which may have any value from 0x40 on, 0x5C ("\") included.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Calls f(index) for every byte that starts a character of its own: every
// byte in the native style, every byte but trail bytes in the Windows style.
template <typename F>
void ForEachCharStart(const std::string& s, PathStyle style, F f) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        f(i);
        if (style == PathStyle::Windows && IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size())
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

// ---- Unicode-aware case of UTF-8 text ----

locale_t Utf8Locale() {
    static const locale_t loc = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0))) return l;
        return static_cast<locale_t>(0);
    }();
    return loc;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one well-formed UTF-8 character at s[i]; returns its length, or 0
// when the bytes there are not well-formed (overlong forms, surrogates and
// values past U+10FFFF included).
std::size_t DecodeUtf8(const std::string& s, std::size_t i, char32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const std::size_t left = s.size() - i;
    const unsigned char c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && IsContinuation(b(1))) {
        cp = (char32_t{c} & 0x1F) << 6 | (b(1) & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && IsContinuation(b(1)) && IsContinuation(b(2))) {
        if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) > 0x9F)) return 0;
        cp = (char32_t{c} & 0x0F) << 12 | char32_t(b(1) & 0x3F) << 6 | (b(2) & 0x3F);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && IsContinuation(b(1)) && IsContinuation(b(2)) &&
        IsContinuation(b(3))) {
        if ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) > 0x8F)) return 0;
        cp = (char32_t{c} & 0x07) << 18 | char32_t(b(1) & 0x3F) << 12 | char32_t(b(2) & 0x3F) << 6 |
             (b(3) & 0x3F);
        return 4;
    }
    return 0;
}

void EncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsScalarValue(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

std::string MapUtf8Case(const std::string& text, bool upper) {
    const locale_t loc = Utf8Locale();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t n = DecodeUtf8(text, i, cp);
        if (n == 0) {
            out += text[i++];  // not UTF-8: the byte stays as it is
            continue;
        }
        char32_t mapped = cp;
        if (loc) {
            const auto wc = static_cast<wint_t>(cp);
            mapped = static_cast<char32_t>(upper ? ::towupper_l(wc, loc) : ::towlower_l(wc, loc));
        } else if (cp < 0x80) {
            // Without a UTF-8 locale only ASCII letters can be mapped safely.
            if (upper && cp >= 'a' && cp <= 'z') mapped = cp - 32;
            if (!upper && cp >= 'A' && cp <= 'Z') mapped = cp + 32;
        }
        if (!IsScalarValue(mapped)) mapped = cp;
        EncodeUtf8(mapped, out);
        i += n;
    }
    return out;
}

std::string MapSingleByteCase(const std::string& text, bool upper) {
    std::string out = text;
    ForEachCharStart(out, PathStyle::Windows, [&](std::size_t i) {
        char& c = out[i];
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    });
    return out;
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

std::string LowerCaseText(const std::string& text, PathStyle style) {
    return style == PathStyle::Windows ? MapSingleByteCase(text, false) : MapUtf8Case(text, false);
}

std::string UpperCaseText(const std::string& text, PathStyle style) {
    return style == PathStyle::Windows ? MapSingleByteCase(text, true) : MapUtf8Case(text, true);
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
