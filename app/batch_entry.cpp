#include "app/batch_entry.h"

#include "app/errors.h"

namespace corvane {

namespace {

// The path as a quoted field; quotes inside are doubled.
std::string Quoted(const std::string& path) {
    if (path.find_first_of("\r\n") != std::string::npos) {
        std::string shown;
        for (char c : path)
            shown += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
        throw EEntryError("改行を含むパスは一括操作リストに入れられません: " + shown);
    }
    std::string field = "\"";
    for (char c : path) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + '"';
}

bool IsBlank(char c) { return c >= 1 && c <= 32; }

}  // namespace

std::string MakeEntry(const std::string& sourceFolder, const std::string& fileName,
                      const std::string& destinationFolder, PathStyle style) {
    return Quoted(IncludeTrailingDelimiter(sourceFolder, style) + fileName) + "," +
           Quoted(IncludeTrailingDelimiter(destinationFolder, style));
}

std::vector<std::string> SplitCommaText(const std::string& text) {
    // The text ends at a NUL, as a C string would.
    const std::string s = text.substr(0, text.find('\0'));
    std::vector<std::string> fields;
    std::size_t p = 0;
    while (p < s.size() && IsBlank(s[p])) ++p;
    while (p < s.size()) {
        std::string field;
        if (s[p] == '"') {
            // Runs to the matching quote; "" stands for one quote. Without a
            // closing quote the field runs to the end of the text.
            for (++p; p < s.size(); ++p) {
                if (s[p] == '"') {
                    if (p + 1 < s.size() && s[p + 1] == '"') {
                        field += '"';
                        ++p;
                    } else {
                        ++p;
                        break;
                    }
                } else {
                    field += s[p];
                }
            }
        } else {
            const std::size_t start = p;
            while (p < s.size() && !IsBlank(s[p]) && s[p] != ',') ++p;
            field = s.substr(start, p - start);
        }
        fields.push_back(std::move(field));
        while (p < s.size() && IsBlank(s[p])) ++p;
        if (p < s.size() && s[p] == ',') {
            ++p;
            while (p < s.size() && IsBlank(s[p])) ++p;
        }
    }
    return fields;
}

}  // namespace corvane
