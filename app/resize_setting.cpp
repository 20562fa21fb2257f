#include "app/resize_setting.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace corvane {

namespace {

constexpr int kMaxResizeSide = 65535;

std::string Squeezed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

// Digits only, 1 .. max.
bool Number(std::string_view digits, int max, int& value) {
    if (digits.empty() || digits.size() > 6) return false;
    value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= max;
}

int Scaled(int side, double factor) { return std::max(1, static_cast<int>(std::lround(side * factor))); }

}  // namespace

bool ParseResize(const std::string& text, TResizeSpec& spec, std::string& normalized) {
    const std::string t = Squeezed(text);
    spec = {};
    if (t == "none") {
        normalized = "none";
        return true;
    }
    if (!t.empty() && t.back() == '%') {
        if (!Number(std::string_view(t).substr(0, t.size() - 1), 100, spec.Percent)) return false;
        spec.Mode = TResizeSpec::Kind::Percent;
        normalized = std::to_string(spec.Percent) + "%";
        return true;
    }
    if (const std::size_t x = t.find('x'); x != std::string::npos) {
        if (!Number(std::string_view(t).substr(0, x), kMaxResizeSide, spec.Width) ||
            !Number(std::string_view(t).substr(x + 1), kMaxResizeSide, spec.Height))
            return false;
        spec.Mode = TResizeSpec::Kind::Box;
        normalized = std::to_string(spec.Width) + "x" + std::to_string(spec.Height);
        return true;
    }
    if (!Number(t, kMaxResizeSide, spec.Long)) return false;
    spec.Mode = TResizeSpec::Kind::LongEdge;
    normalized = std::to_string(spec.Long);
    return true;
}

bool NormalizeResizeText(const std::string& text, std::string& normalized) {
    TResizeSpec spec;
    return ParseResize(text, spec, normalized);
}

TPictureSize ResizedSize(const TResizeSpec& spec, TPictureSize size) {
    const int w = size.Width, h = size.Height;
    if (w < 1 || h < 1) return size;
    double factor = 1;
    switch (spec.Mode) {
        case TResizeSpec::Kind::None:
            return size;
        case TResizeSpec::Kind::LongEdge:
            factor = static_cast<double>(spec.Long) / std::max(w, h);
            break;
        case TResizeSpec::Kind::Box:
            factor = std::min(static_cast<double>(spec.Width) / w, static_cast<double>(spec.Height) / h);
            break;
        case TResizeSpec::Kind::Percent:
            factor = spec.Percent / 100.0;
            break;
    }
    if (factor >= 1) return size;
    TPictureSize out{Scaled(w, factor), Scaled(h, factor)};
    // The edge that decides is met exactly, whatever the rounding of the other.
    if (spec.Mode == TResizeSpec::Kind::LongEdge) (w >= h ? out.Width : out.Height) = spec.Long;
    if (spec.Mode == TResizeSpec::Kind::Box) {
        out.Width = std::min(out.Width, spec.Width);
        out.Height = std::min(out.Height, spec.Height);
    }
    return out;
}

TResizeSpec ResizeSpecOf(const TConversionSettings& s) {
    TResizeSpec spec;
    std::string normalized;
    if (!ParseResize(s.Resize, spec, normalized)) spec = {};
    return spec;
}

int ShrinkOnLoadFactor(TPictureSize full, TPictureSize target) {
    for (int factor : {8, 4, 2})
        if (full.Width / factor >= target.Width && full.Height / factor >= target.Height) return factor;
    return 1;
}

}  // namespace corvane
