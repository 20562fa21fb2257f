// Helpers of the JPEG tests: a scratch folder, the reference command-line
// tools, a minimal BMP writer and parser for exchanging pictures with them,
// streams encoded straight through the library, and reproducible pictures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"

namespace corvane::jpegtest {

namespace fs = std::filesystem;

inline std::string TestImage(const std::string& name) {
    return std::string(CORVANE_TESTDATA_DIR) + "/jpeg/" + name;
}

inline std::vector<std::uint8_t> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void Spit(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A program on PATH, or "" when absent.
inline std::string FindTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

// Runs a command line; arguments are quoted by the caller when needed.
inline int RunCommand(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

class ScratchDir : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("corvane-jpeg-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
};

// A bottom-up 24-bit BMP with a 40-byte header and no resolution, the form
// the reference compressor reads without adding anything to its output.
inline std::vector<std::uint8_t> Bmp24(const TBitmap& picture) {
    const std::uint32_t w = picture.Width(), h = picture.Height();
    const std::uint32_t stride = (w * 3 + 3) & ~3u, size = 54 + stride * h;
    std::vector<std::uint8_t> out(size, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    out[26] = 1;
    out[28] = 24;
    put32(34, stride * h);
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = picture.ScanLine(static_cast<int>(y));
        std::copy(row, row + w * 3, out.begin() + 54 + static_cast<std::ptrdiff_t>((h - 1 - y) * stride));
    }
    return out;
}

// What the reference decoder writes: 24-bit, or 8-bit with a colour table.
struct ParsedBmp {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<TPaletteEntry> palette;
    std::vector<std::vector<std::uint8_t>> rows;  // top row first, unpadded
};

inline ParsedBmp ParseBmp(const std::vector<std::uint8_t>& b) {
    auto get32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
                                          b.at(at + 3) << 24);
    };
    ParsedBmp bmp;
    EXPECT_TRUE(b.size() >= 54 && b[0] == 'B' && b[1] == 'M');
    if (b.size() < 54) return bmp;
    const std::uint32_t offset = get32(10), header = get32(14);
    bmp.width = static_cast<int>(get32(18));
    const auto height = static_cast<std::int32_t>(get32(22));
    bmp.height = height < 0 ? -height : height;
    bmp.bits = b.at(28);
    if (bmp.bits == 8) {
        const std::uint32_t used = get32(46) ? get32(46) : 256;
        for (std::uint32_t i = 0; i < used; ++i) {
            const std::size_t at = 14 + header + 4 * i;
            bmp.palette.push_back({b.at(at + 2), b.at(at + 1), b.at(at), 0});
        }
    }
    const std::size_t used = static_cast<std::size_t>(bmp.width) * (bmp.bits / 8);
    const std::size_t stride = (used + 3) & ~std::size_t{3};
    for (int y = 0; y < bmp.height; ++y) {
        const std::size_t stored = height < 0 ? y : bmp.height - 1 - y;
        const std::size_t at = offset + stored * stride;
        EXPECT_LE(at + used, b.size());
        if (at + used > b.size()) break;
        bmp.rows.emplace_back(b.begin() + static_cast<std::ptrdiff_t>(at),
                              b.begin() + static_cast<std::ptrdiff_t>(at + used));
    }
    return bmp;
}

// Encodes raw samples straight through the library, for streams our writer
// never makes (CMYK, YCCK, colour order checks). The library's default error
// handler is fine in a test: it ends the process on failure.
inline std::vector<std::uint8_t> LibraryEncode(const std::vector<std::uint8_t>& samples, int width,
                                               int height, int components, J_COLOR_SPACE in,
                                               J_COLOR_SPACE stored, bool adobe) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = in;
    jpeg_set_defaults(&cinfo);
    if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, stored);
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPLE*>(samples.data() + cinfo.next_scanline * width * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// Gradients, edges and noise: enough detail that every coefficient matters.
inline std::unique_ptr<TBitmap> PhotoLike(int width, int height, std::uint32_t seed = 1) {
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(TPixelFormat::pf24bit);
    picture->SetSize(width, height);
    std::uint32_t state = seed;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28) - 8;
            const bool edge = ((x / 16) + (y / 16)) % 2 == 0;
            row[3 * x] =
                static_cast<std::uint8_t>(std::clamp(x * 255 / std::max(1, width - 1) + noise, 0, 255));
            row[3 * x + 1] =
                static_cast<std::uint8_t>(std::clamp(y * 255 / std::max(1, height - 1) - noise, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(edge ? 200 + noise : 40 - noise);
        }
    }
    return picture;
}

// Rows of a picture (top first, unpadded) for comparison with a parsed BMP.
inline std::vector<std::uint8_t> Row(const TBitmap& picture, int y) {
    const std::size_t used =
        static_cast<std::size_t>(picture.Width()) * BitsPerPixel(picture.PixelFormat()) / 8;
    return {picture.ScanLine(y), picture.ScanLine(y) + used};
}

}  // namespace corvane::jpegtest
