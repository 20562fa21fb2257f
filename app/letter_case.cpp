#include "app/letter_case.h"

#include <locale.h>
#include <wctype.h>

#include "app/text_encoding.h"

namespace corvane {

namespace {

locale_t Utf8Locale() {
    static const locale_t loc = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0))) return l;
        return static_cast<locale_t>(0);
    }();
    return loc;
}

bool IsScalarValue(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

std::string MapUtf8Case(const std::string& text, bool upper) {
    if (!IsValidUtf8(text)) return text;
    const locale_t loc = Utf8Locale();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t n = DecodeUtf8(text, i, cp);
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
    for (std::size_t i = 0; i < out.size(); ++i) {
        char& c = out[i];
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (IsShiftJisLeadByte(static_cast<unsigned char>(c))) ++i;  // its trail byte is no letter
    }
    return out;
}

}  // namespace

std::string LowerCaseText(const std::string& text, PathStyle style) {
    return style == PathStyle::Windows ? MapSingleByteCase(text, false) : MapUtf8Case(text, false);
}

std::string UpperCaseText(const std::string& text, PathStyle style) {
    return style == PathStyle::Windows ? MapSingleByteCase(text, true) : MapUtf8Case(text, true);
}

}  // namespace corvane
