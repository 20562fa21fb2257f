// The two encodings file names come in: UTF-8 on this system, Shift-JIS in
// list files made on Windows. Byte-level rules only; no conversion between them.
#pragma once

#include <cstddef>
#include <string>

namespace corvane {

// Lead bytes of a Shift-JIS double-byte character. The byte after one is its
// trail byte, which may have any value from 0x40 on, 0x5C ("\") included.
constexpr bool IsShiftJisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Decodes one well-formed UTF-8 character at s[i]; returns its length, or 0
// when the bytes there are not well-formed (overlong forms, surrogates and
// values past U+10FFFF included).
std::size_t DecodeUtf8(const std::string& s, std::size_t i, char32_t& cp);
void EncodeUtf8(char32_t cp, std::string& out);
// Every byte belongs to a well-formed UTF-8 character.
bool IsValidUtf8(const std::string& s);

}  // namespace corvane
