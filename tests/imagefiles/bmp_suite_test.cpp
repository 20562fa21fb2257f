// Every file of the shared bitmap test suite: good ones decode to the right
// pixels, questionable ones decode or fail cleanly, bad ones fail clearly or
// decode only what is safely there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "imagefiles/bmp_reader.h"
#include "imagefiles/file_io.h"
#include "imaging/errors.h"
#include "tests/imagefiles/bmp_test_util.h"

namespace corvane {
namespace {

using testing::PixelRgb;
using testing::Rgb;
using testing::SuitePath;

enum class Outcome { Picture, InvalidGraphic, ReadError };

// Files not listed decode to a picture.
const std::map<std::string, Outcome>& Failures() {
    static const std::map<std::string, Outcome> failures = {
        // Depths and compressions the program does not handle.
        {"q/pal2.bmp", Outcome::InvalidGraphic},
        {"q/pal2color.bmp", Outcome::InvalidGraphic},
        {"q/rgba64.bmp", Outcome::InvalidGraphic},
        {"q/rgb24jpeg.bmp", Outcome::InvalidGraphic},
        {"q/rgb24png.bmp", Outcome::InvalidGraphic},
        {"q/rgb24rle24.bmp", Outcome::InvalidGraphic},
        {"q/pal1huffmsb.bmp", Outcome::InvalidGraphic},
        {"b/badbitcount.bmp", Outcome::InvalidGraphic},
        {"b/badplanes.bmp", Outcome::InvalidGraphic},
        {"b/badwidth.bmp", Outcome::InvalidGraphic},
        {"b/reallybig.bmp", Outcome::InvalidGraphic},  // refused before allocating
        {"b/rletopdown.bmp", Outcome::InvalidGraphic},
        {"b/badpalettesize.bmp", Outcome::ReadError},  // table longer than the file
        // The other bad files decode safely: oversized fields are bounded by
        // the file, runs are clipped, missing pixels stay zero.
    };
    return failures;
}

std::vector<std::string> SuiteFiles() {
    std::vector<std::string> names;
    for (const char* folder : {"g", "q", "b"})
        for (const auto& entry : std::filesystem::directory_iterator(SuitePath(folder)))
            names.push_back(std::string(folder) + "/" + entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::unique_ptr<TBitmap> Read24(const std::string& name) {
    auto p = ReadBitmapFile(SuitePath(name));
    p->SetPixelFormat(TPixelFormat::pf24bit);
    return p;
}

// Largest difference of any channel of any pixel; -1 when the sizes differ.
int MaxDifference(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < 3 * a.Width(); ++i)
            worst = std::max(worst, std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]));
    return worst;
}

TEST(BmpSuite, EveryFileDecodesOrFailsAsExpected) {
    const auto names = SuiteFiles();
    ASSERT_GE(names.size(), 89u);
    for (const std::string& name : names) {
        const auto it = Failures().find(name);
        const Outcome expected = it == Failures().end() ? Outcome::Picture : it->second;
        Outcome got = Outcome::Picture;
        try {
            auto p = ReadBitmapFile(SuitePath(name));
            // The same bytes from memory give the same picture.
            auto m = ReadBitmapFromMemory(ReadWholeFile(SuitePath(name)));
            EXPECT_EQ(p->ImageSize(), m->ImageSize()) << name;
            EXPECT_EQ(std::memcmp(p->Bits(), m->Bits(), p->ImageSize()), 0) << name;
            EXPECT_FALSE(p->Empty()) << name;
            p->SetPixelFormat(TPixelFormat::pf24bit);  // every decoded picture converts
        } catch (const EInvalidGraphic&) {
            got = Outcome::InvalidGraphic;
        } catch (const EReadError&) {
            got = Outcome::ReadError;
        }
        EXPECT_EQ(static_cast<int>(got), static_cast<int>(expected)) << name;
    }
}

TEST(BmpSuite, FilesOfOnePictureDecodeAlike) {
    const std::vector<std::vector<std::string>> groups = {
        {"g/rgb24.bmp", "g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp",
         "q/rgb32-xbgr.bmp", "q/rgb32fakealpha.bmp", "q/rgb32h52.bmp", "q/rgb24largepal.bmp",
         "q/rgb24prof.bmp", "q/rgb24lprof.bmp"},
        {"g/pal8.bmp", "g/pal8-0.bmp", "g/pal8os2.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp",
         "g/pal8v5.bmp", "q/pal8offs.bmp", "q/pal8os2sp.bmp", "q/pal8os2-hs.bmp", "q/pal8os2-sz.bmp",
         "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp", "q/pal8os2v2-sz.bmp", "q/pal8os2v2-40sz.bmp",
         "q/pal8oversizepal.bmp"},
        {"g/pal4.bmp", "g/pal4rle.bmp"},
        {"g/pal1.bmp", "g/pal1wb.bmp"},
        {"g/rgb16.bmp", "g/rgb16bfdef.bmp", "q/rgb16faketrns.bmp", "q/rgba16-5551.bmp"},
        {"g/rgb16-565.bmp", "g/rgb16-565pal.bmp"},
        {"q/rgba32-1.bmp", "q/rgba32-2.bmp", "q/rgba32-1010102.bmp", "q/rgba32-81284.bmp", "q/rgba32abf.bmp",
         "q/rgba32h56.bmp"},
    };
    for (const auto& group : groups) {
        auto reference = Read24(group[0]);
        for (std::size_t i = 1; i < group.size(); ++i)
            EXPECT_EQ(MaxDifference(*reference, *Read24(group[i])), 0) << group[i] << " vs " << group[0];
    }
    // Fewer bits per channel: within half a step of the 24-bit picture, so
    // every mask was found and scaled to the full range.
    auto rgb24 = Read24("g/rgb24.bmp");
    EXPECT_LE(MaxDifference(*rgb24, *Read24("g/rgb16.bmp")), 4);
    EXPECT_LE(MaxDifference(*rgb24, *Read24("g/rgb16-565.bmp")), 4);
    EXPECT_LE(MaxDifference(*rgb24, *Read24("q/rgb32-111110.bmp")), 1);
    EXPECT_LE(MaxDifference(*rgb24, *Read24("q/rgb32-7187.bmp")), 1);
    EXPECT_LE(MaxDifference(*rgb24, *Read24("q/rgb16-3103.bmp")), 36);  // 3-bit red and blue
}

TEST(BmpSuite, KnownPixels) {
    // The suite's picture: red, green and blue bands at the top left, a white
    // centre, black at the bottom left.
    for (const char* name : {"g/rgb24.bmp", "g/pal8.bmp", "g/pal4.bmp", "g/rgb16.bmp", "g/rgb16-565.bmp",
                             "g/rgb32bf.bmp", "g/pal8topdown.bmp", "g/pal8rle.bmp", "g/pal4rle.bmp"}) {
        auto p = Read24(name);
        ASSERT_EQ(p->Width(), 127) << name;
        ASSERT_EQ(p->Height(), 64) << name;
        EXPECT_EQ(PixelRgb(*p, 0, 0), (Rgb{255, 0, 0})) << name;
        EXPECT_EQ(PixelRgb(*p, 64, 32), (Rgb{255, 255, 255})) << name;  // 5-bit white must reach 255
        EXPECT_EQ(PixelRgb(*p, 0, 63), (Rgb{0, 0, 0})) << name;
    }
    auto rgb24 = Read24("g/rgb24.bmp");
    EXPECT_EQ(PixelRgb(*rgb24, 0, 10), (Rgb{215, 0, 0}));
    EXPECT_EQ(PixelRgb(*rgb24, 32, 10), (Rgb{0, 215, 0}));
    EXPECT_EQ(PixelRgb(*rgb24, 64, 10), (Rgb{0, 0, 215}));

    // Two-colour pictures whose index 0 is not black.
    auto wb = ReadBitmapFile(SuitePath("g/pal1wb.bmp"));
    EXPECT_EQ(wb->Palette()[0], (TPaletteEntry{255, 255, 255, 0}));
    auto bg = Read24("g/pal1bg.bmp");
    EXPECT_EQ(PixelRgb(*bg, 0, 0), (Rgb{64, 255, 64}));
    EXPECT_EQ(PixelRgb(*bg, 0, 63), (Rgb{64, 64, 255}));
    EXPECT_EQ(PixelRgb(*Read24("g/pal8gs.bmp"), 0, 0), (Rgb{128, 128, 128}));

    // Indices past a 101-entry palette show black rather than reading past it.
    auto badIndex = ReadBitmapFile(SuitePath("b/pal8badindex.bmp"));
    EXPECT_EQ(badIndex->Palette().size(), 101u);
}

TEST(BmpSuite, FormatsKeepWhatTheFileSays) {
    struct Case {
        const char* name;
        TPixelFormat format;
        bool masks;
        std::size_t palette;
        bool topDown;
        bool core;
    };
    using enum TPixelFormat;
    for (const Case& c : {Case{"g/pal1.bmp", pf1bit, false, 2, false, false},
                          Case{"g/pal4.bmp", pf4bit, false, 12, false, false},
                          Case{"g/pal4rle.bmp", pf4bit, false, 12, false, false},
                          Case{"g/pal8.bmp", pf8bit, false, 252, false, false},
                          Case{"g/pal8-0.bmp", pf8bit, false, 256, false, false},
                          Case{"g/pal8rle.bmp", pf8bit, false, 252, false, false},
                          Case{"g/pal8topdown.bmp", pf8bit, false, 252, true, false},
                          Case{"g/pal8os2.bmp", pf8bit, false, 256, false, true},
                          Case{"g/rgb16.bmp", pf15bit, false, 0, false, false},
                          Case{"g/rgb16bfdef.bmp", pf16bit, true, 0, false, false},
                          Case{"g/rgb16-565.bmp", pf16bit, true, 0, false, false},
                          Case{"g/rgb16-565pal.bmp", pf16bit, true, 256, false, false},
                          Case{"g/rgb24.bmp", pf24bit, false, 0, false, false},
                          Case{"g/rgb24pal.bmp", pf24bit, false, 256, false, false},
                          Case{"g/rgb32.bmp", pf32bit, false, 0, false, false},
                          Case{"g/rgb32bf.bmp", pf32bit, true, 0, false, false}}) {
        auto p = ReadBitmapFile(SuitePath(c.name));
        EXPECT_EQ(p->PixelFormat(), c.format) << c.name;
        EXPECT_EQ(p->BitFields().has_value(), c.masks) << c.name;
        EXPECT_EQ(p->Palette().size(), c.palette) << c.name;
        EXPECT_EQ(p->TopDown(), c.topDown) << c.name;
        EXPECT_EQ(p->CoreHeader(), c.core) << c.name;
    }
}

}  // namespace
}  // namespace corvane
