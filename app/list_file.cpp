#include "app/list_file.h"

#include <cstdint>
#include <span>

#include "imagefiles/file_io.h"

namespace corvane {

std::vector<std::string> SplitListText(const std::string& text) {
    std::string_view s(text);
    s = s.substr(0, s.find('\0'));
    // A byte-order mark would otherwise open the first entry's first field.
    if (s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);

    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n') continue;
        lines.emplace_back(s.substr(start, i - start));
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // A last line without a line break still counts; a final break adds nothing.
    if (start < s.size()) lines.emplace_back(s.substr(start));
    return lines;
}

std::string JoinListText(const std::vector<std::string>& entries) {
    std::string text;
    for (const auto& e : entries) (text += e) += "\r\n";
    return text;
}

std::vector<std::string> ReadListFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return SplitListText(std::string(bytes.begin(), bytes.end()));
}

void WriteListFile(const std::string& path, const std::vector<std::string>& entries) {
    const std::string text = JoinListText(entries);
    WriteWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace corvane
