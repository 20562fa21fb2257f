// Builds small bitmap files in code, so each test states exactly the header
// fields it is about.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"

namespace corvane::testing {

struct BmpLayout {
    std::uint32_t headerSize = 40;  // 12 writes a core header
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
    // After a header shorter than 52 bytes, inside a longer one.
    std::vector<std::uint32_t> masks;
    std::vector<std::uint8_t> colourTable;  // raw entries
    std::vector<std::uint8_t> pixels;       // raw rows or run-length data
    std::uint32_t pixelOffset = 0;          // 0: right after the colour table
    std::size_t gap = 0;                    // bytes between colour table and pixels
};

inline void Put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::vector<std::uint8_t> BuildBmp(const BmpLayout& s) {
    std::vector<std::uint8_t> header;
    Put(header, s.headerSize, 4);
    if (s.headerSize == 12) {
        Put(header, static_cast<std::uint32_t>(s.width), 2);
        Put(header, static_cast<std::uint32_t>(s.height), 2);
        Put(header, s.planes, 2);
        Put(header, s.bitCount, 2);
    } else {
        Put(header, static_cast<std::uint32_t>(s.width), 4);
        Put(header, static_cast<std::uint32_t>(s.height), 4);
        Put(header, s.planes, 2);
        Put(header, s.bitCount, 2);
        Put(header, s.compression, 4);
        Put(header, s.imageSize, 4);
        Put(header, 0, 8);  // resolution
        Put(header, s.coloursUsed, 4);
        Put(header, 0, 4);  // colours important
        if (s.headerSize >= 52)
            for (std::uint32_t m : s.masks) Put(header, m, 4);
        header.resize(s.headerSize, 0);
    }
    if (s.headerSize < 52)
        for (std::uint32_t m : s.masks) Put(header, m, 4);

    const std::size_t before = 14 + header.size() + s.colourTable.size() + s.gap;
    std::vector<std::uint8_t> out;
    out.reserve(before + s.pixels.size());
    out.push_back('B');
    out.push_back('M');
    Put(out, static_cast<std::uint32_t>(before + s.pixels.size()), 4);
    Put(out, 0, 4);
    Put(out, s.pixelOffset ? s.pixelOffset : static_cast<std::uint32_t>(before), 4);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), s.colourTable.begin(), s.colourTable.end());
    out.insert(out.end(), s.gap, 0xEE);
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

// Red, green and blue of pixel (x, y) after conversion to 24 bits.
struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline Rgb PixelRgb(const TBitmap& picture24, int x, int y) {
    const std::uint8_t* p = picture24.ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

inline void PrintTo(const Rgb& c, std::ostream* os) { *os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

inline std::string SuitePath(const std::string& name) {
    return std::string(CORVANE_TESTDATA_DIR) + "/bmpsuite/" + name;
}

}  // namespace corvane::testing
