#include "imaging/curve_table.h"

#include <array>
#include <cmath>

#include "imaging/errors.h"

namespace corvane {

namespace {

using Table = std::array<std::array<std::uint8_t, 256>, kCurveRows + 1>;

Table BuildTable() {
    Table t{};
    for (int c = 1; c <= kCurveRows; ++c) {
        // Rows 1..27: exponent 10/c; rows 28..54: exponent (c-27)/10.
        const double exponent = c <= 27 ? 10.0 / c : (c - 27) / 10.0;
        for (int i = 0; i < 256; ++i)
            t[c][i] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 255.0, exponent)));
    }
    return t;
}

}  // namespace

const std::uint8_t* CurveRow(int code) {
    static const Table table = BuildTable();
    if (code < 1 || code > kCurveRows) throw ERangeError("レベル・ガンマのコード", code, 1, kCurveRows);
    return table[code].data();
}

}  // namespace corvane
