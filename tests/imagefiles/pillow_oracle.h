// Pillow as the oracle of the format readers and writers: what it decodes
// from a file, as RGBA, to compare with a working bitmap.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"
#include "tests/imagefiles/jpeg_test_util.h"

namespace corvane::oracle {

struct TRGBA {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bytes;  // RGBA rows
};

// Debian's interpreter, where python3-pil is installed.
inline constexpr const char* kPython = "/usr/bin/python3";

inline bool PillowAvailable() {
    return jpegtest::RunCommand(std::string(kPython) + " -c 'import PIL' >/dev/null") == 0;
}

inline std::string TestFile(const std::string& folder, const std::string& name) {
    return std::string(CORVANE_TESTDATA_DIR) + "/" + folder + "/" + name;
}

// Every file of a test-data folder with the extension, sorted.
inline std::vector<std::string> TestFiles(const std::string& folder, const std::string& ext) {
    std::vector<std::string> names;
    for (const auto& e :
         std::filesystem::directory_iterator(std::string(CORVANE_TESTDATA_DIR) + "/" + folder))
        if (e.path().extension() == ext) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline TRGBA PillowDecode(const std::string& path, const std::string& scratch) {
    const std::string script = std::string(CORVANE_TESTDATA_DIR) + "/../oracle/pillow_rgba.py";
    const std::string cmd = std::string(kPython) + " " + jpegtest::Quote(script) + " " +
                            jpegtest::Quote(path) + " " + jpegtest::Quote(scratch);
    TRGBA out;
    if (jpegtest::RunCommand(cmd) != 0) {
        ADD_FAILURE() << "Pillow could not read " << path;
        return out;
    }
    const std::vector<std::uint8_t> bytes = jpegtest::Slurp(scratch);
    const auto newline = std::find(bytes.begin(), bytes.end(), '\n');
    if (newline == bytes.end() ||
        std::sscanf(std::string(bytes.begin(), newline).c_str(), "%d %d", &out.Width, &out.Height) != 2) {
        ADD_FAILURE() << "unreadable oracle output for " << path;
        return out;
    }
    out.Bytes.assign(newline + 1, bytes.end());
    return out;
}

// The picture as RGBA; alpha 255 without an alpha plane.
inline TRGBA AsRGBA(const TBitmap& picture) {
    std::unique_ptr<TBitmap> copy = picture.Clone();
    copy->SetPixelFormat(TPixelFormat::pf24bit);
    TRGBA out{copy->Width(), copy->Height(), {}};
    for (int y = 0; y < copy->Height(); ++y)
        for (int x = 0; x < copy->Width(); ++x) {
            const std::uint8_t* p = copy->ScanLine(y) + 3 * x;
            out.Bytes.insert(out.Bytes.end(), {p[2], p[1], p[0]});
            out.Bytes.push_back(copy->HasAlpha() ? copy->AlphaLine(y)[x] : 255);
        }
    return out;
}

// Same size and every channel within `tolerance`; the first difference is reported.
inline ::testing::AssertionResult SameRGBA(const TRGBA& got, const TRGBA& expected, int tolerance = 0) {
    if (got.Width != expected.Width || got.Height != expected.Height)
        return ::testing::AssertionFailure() << "size " << got.Width << "x" << got.Height << ", expected "
                                             << expected.Width << "x" << expected.Height;
    if (got.Bytes.size() != expected.Bytes.size()) return ::testing::AssertionFailure() << "byte count";
    for (std::size_t i = 0; i < got.Bytes.size(); ++i)
        if (std::abs(got.Bytes[i] - expected.Bytes[i]) > tolerance) {
            const std::size_t pixel = i / 4;
            return ::testing::AssertionFailure()
                   << "pixel " << pixel % got.Width << "," << pixel / got.Width << " channel " << i % 4
                   << ": " << int{got.Bytes[i]} << ", expected " << int{expected.Bytes[i]};
        }
    return ::testing::AssertionSuccess();
}

class OracleTest : public jpegtest::ScratchDir {
protected:
    void SetUp() override {
        if (!PillowAvailable()) GTEST_SKIP() << "python3-pil is not installed";
        ScratchDir::SetUp();
    }
    TRGBA Pillow(const std::string& path) { return PillowDecode(path, Path("oracle.rgba")); }
};

}  // namespace corvane::oracle
