#include "app/resize_setting.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "imaging/TBitmap.h"

namespace corvane {

namespace {

constexpr int kMaxResizeSide = 65535;
constexpr int kMaxPercent = 1000;

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

bool ParseResize(const std::string& text, TResizeSpec& wanted, std::string& normalized) {
    const std::string t = Squeezed(text);
    wanted = {};
    if (t == "none") {
        normalized = "none";
        return true;
    }
    if (!t.empty() && t.back() == '%') {
        if (!Number(std::string_view(t).substr(0, t.size() - 1), kMaxPercent, wanted.Percent)) return false;
        wanted.Mode = TResizeSpec::Kind::Percent;
        normalized = std::to_string(wanted.Percent) + "%";
        return true;
    }
    if (const std::size_t x = t.find('x'); x != std::string::npos) {
        if (!Number(std::string_view(t).substr(0, x), kMaxResizeSide, wanted.Width) ||
            !Number(std::string_view(t).substr(x + 1), kMaxResizeSide, wanted.Height))
            return false;
        wanted.Mode = TResizeSpec::Kind::Box;
        normalized = std::to_string(wanted.Width) + "x" + std::to_string(wanted.Height);
        return true;
    }
    if (!Number(t, kMaxResizeSide, wanted.Long)) return false;
    wanted.Mode = TResizeSpec::Kind::LongEdge;
    normalized = std::to_string(wanted.Long);
    return true;
}

bool NormalizeResizeText(const std::string& text, std::string& normalized) {
    TResizeSpec wanted;
    return ParseResize(text, wanted, normalized);
}

TPictureSize ResizedSize(const TResizeSpec& wanted, TPictureSize size) {
    const int w = size.Width, h = size.Height;
    if (w < 1 || h < 1) return size;
    double factor = 1;
    switch (wanted.Mode) {
        case TResizeSpec::Kind::None:
            return size;
        case TResizeSpec::Kind::LongEdge:
            factor = static_cast<double>(wanted.Long) / std::max(w, h);
            break;
        case TResizeSpec::Kind::Box:
            factor = std::min(static_cast<double>(wanted.Width) / w, static_cast<double>(wanted.Height) / h);
            break;
        case TResizeSpec::Kind::Percent:
            factor = wanted.Percent / 100.0;
            break;
    }
    if (factor == 1 || (factor > 1 && !wanted.Enlarge)) return size;
    // Enlarged only as far as a working bitmap reaches, the ratio kept; the
    // sides are then rounded down so that the limits hold.
    const double room = std::min({static_cast<double>(kMaxSide) / w, static_cast<double>(kMaxSide) / h,
                                  std::sqrt(static_cast<double>(kMaxPixels) / (static_cast<double>(w) * h))});
    const auto roundedDown = [&](double f) {
        return TPictureSize{std::max(1, static_cast<int>(w * f)), std::max(1, static_cast<int>(h * f))};
    };
    if (factor > room) return room <= 1 ? size : roundedDown(room);
    TPictureSize out{Scaled(w, factor), Scaled(h, factor)};
    if (static_cast<std::int64_t>(out.Width) * out.Height > kMaxPixels) return roundedDown(factor);
    // The edge that decides is met exactly, whatever the rounding of the other.
    if (wanted.Mode == TResizeSpec::Kind::LongEdge) (w >= h ? out.Width : out.Height) = wanted.Long;
    if (wanted.Mode == TResizeSpec::Kind::Box) {
        out.Width = std::min(out.Width, wanted.Width);
        out.Height = std::min(out.Height, wanted.Height);
    }
    return out;
}

TResizeSpec ResizeSpecOf(const TConversionSettings& s) {
    TResizeSpec wanted;
    std::string normalized;
    if (!ParseResize(s.Resize, wanted, normalized)) wanted = {};
    wanted.Enlarge = s.Enlarge;
    return wanted;
}

int ShrinkOnLoadFactor(TPictureSize full, TPictureSize target) {
    for (int factor : {8, 4, 2})
        if (full.Width / factor >= target.Width && full.Height / factor >= target.Height) return factor;
    return 1;
}

}  // namespace corvane
