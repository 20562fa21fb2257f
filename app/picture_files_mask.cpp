#include "app/picture_files_mask.h"

#include <algorithm>

#include "imagefiles/format_registry.h"

namespace corvane {

namespace {

// Masks and extensions are ASCII.
bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    if (tail.size() > text.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

bool MaskMatches(std::string_view mask, std::string_view name) {
    while (!mask.empty()) {
        const std::size_t end = mask.find(';');
        const std::string_view pattern = mask.substr(0, end);
        if (pattern.size() > 1 && pattern.front() == '*' && EndsWithNoCase(name, pattern.substr(1)))
            return true;
        if (end == std::string_view::npos) break;
        mask.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace

std::string PictureFilesMask(std::string_view baseMask) {
    std::string mask(baseMask);
    for (const TImageFormat& format : ImageFormats())
        for (std::string_view extension : format.Extensions) {
            if (MaskMatches(mask, extension)) continue;
            if (!mask.empty()) mask += ';';
            mask += '*';
            mask += extension;
        }
    return mask;
}

}  // namespace corvane
