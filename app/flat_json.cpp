#include "app/flat_json.h"

#include <cctype>

#include "app/text_encoding.h"

namespace corvane {

void AppendJsonString(std::string& out, const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t cp = 0;
        if (c >= 0x80) {
            if (const std::size_t n = DecodeUtf8(text, i, cp)) {
                out.append(text, i, n);
                i += n;
            } else {  // a byte that is not UTF-8
                out += "\\udc";
                out += kHex[c >> 4];
                out += kHex[c & 15];
                ++i;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

namespace {

class TFlatJson {
public:
    explicit TFlatJson(const std::string& text) : s_(text) {}

    bool Parse(const TJsonField& field) {
        Blank();
        if (!Eat('{')) return false;
        Blank();
        if (Eat('}')) return End();
        for (;;) {
            std::string name, value;
            Blank();
            if (!String(name)) return false;
            Blank();
            if (!Eat(':')) return false;
            Blank();
            const bool isString = p_ < s_.size() && s_[p_] == '"';
            if (isString ? !String(value) : !Bare(value)) return false;
            if (!field(name, value, isString)) return false;
            Blank();
            if (Eat('}')) return End();
            if (!Eat(',')) return false;
        }
    }

private:
    bool End() {
        Blank();
        return p_ == s_.size();
    }
    void Blank() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n')) ++p_;
    }
    bool Eat(char c) {
        if (p_ >= s_.size() || s_[p_] != c) return false;
        ++p_;
        return true;
    }
    bool Hex4(unsigned& v) {
        if (p_ + 4 > s_.size()) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[p_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        while (p_ < s_.size()) {
            const char c = s_[p_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (p_ >= s_.size()) return false;
            const char e = s_[p_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned v = 0;
                    if (!Hex4(v)) return false;
                    if (v >= 0xDC80 && v <= 0xDCFF) {  // a byte that was not UTF-8
                        out += static_cast<char>(v & 0xFF);
                    } else if (v >= 0xD800 && v <= 0xDBFF) {
                        unsigned low = 0;
                        if (!Eat('\\') || !Eat('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                            return false;
                        EncodeUtf8(static_cast<char32_t>(0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00)),
                                   out);
                    } else if (v >= 0xDC00 && v <= 0xDFFF) {
                        return false;
                    } else {
                        EncodeUtf8(static_cast<char32_t>(v), out);
                    }
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool Bare(std::string& out) {
        while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '-' ||
                                  s_[p_] == '+' || s_[p_] == '.'))
            out += s_[p_++];
        return !out.empty();
    }

    const std::string& s_;
    std::size_t p_ = 0;
};

}  // namespace

bool ParseFlatJsonObject(const std::string& text, const TJsonField& field) {
    return TFlatJson(text).Parse(field);
}

}  // namespace corvane
