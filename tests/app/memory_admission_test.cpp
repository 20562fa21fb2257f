// The parallel driver starts an entry only when its estimated memory fits
// beside the entries in flight, and refuses one that cannot fit at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <vector>

#include "app/batch_entry.h"
#include "app/entry_estimate.h"
#include "app/errors.h"
#include "app/parallel_batch.h"
#include "app/plain_runner_host.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "test_files.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TBitmap Picture(int w, int h) {
    TBitmap p;
    p.SetPixelFormat(TPixelFormat::pf24bit);
    p.SetSize(w, h);
    return p;
}

class MemoryAdmission : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir / "out");
        for (int i = 0; i < 5; ++i) {
            std::string name = "p";  // not "p" + to_string(i): g++ 12 warns about it wrongly
            name += std::to_string(i);
            name += ".bmp";
            WriteBitmapFile(Picture(300, 200), dir / name);
            host.List.push_back(MakeEntry(dir.Dir(), name, dir / "out"));
        }
        settings.Existing = TExistingPolicy::Replace;
    }
    std::uint64_t EntryMemory() {
        const TOutputTarget target = OutputPathFor(dir / "out/", "p0.bmp", "AUTO", TNameCase::None);
        return EstimateEntry(dir / "p0.bmp", target, settings).MemoryBytes;
    }

    TempFolder dir;
    PlainRunnerHost host;
    TConversionSettings settings;  // gamma: source and result pictures
};

TEST_F(MemoryAdmission, EntriesWaitForMemoryInsteadOfAllStartingAtOnce) {
    // Room for one entry: the third entry is prepared (its progress shown)
    // only once the first has been written and its memory given back.
    const auto runWithBudget = [&](std::optional<std::uint64_t> budget) {
        int overlapping = 0;
        host.OnProgress = [&](const std::string& line1, const std::string&) {
            const int entry = std::atoi(line1.c_str());  // "3/5  From File: ..."
            if (entry >= 3 && !fs::exists(dir / ("out/p" + std::to_string(entry - 3) + ".bmp")))
                ++overlapping;
        };
        const auto list = host.List;
        EXPECT_TRUE(RunBatchParallel(host, settings, 4, PathStyle::Native, budget)) << host.ErrorText;
        host.List = list;
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        return overlapping;
    };
    EXPECT_EQ(runWithBudget(EntryMemory() * 3 / 2), 0);
    EXPECT_GT(runWithBudget(EntryMemory() * 100), 0) << "with room for all, they overlap";
}

TEST_F(MemoryAdmission, AnEntryThatCannotFitAloneFailsSayingHowMuchItNeeded) {
    const std::uint64_t needed = EntryMemory();
    EXPECT_FALSE(RunBatchParallel(host, settings, 2, PathStyle::Native, needed - 1));
    const std::string mb = std::to_string((needed + (1u << 20) - 1) >> 20);
    EXPECT_EQ(host.ErrorText, "1/5 p0.bmp: メモリが足りません: ファイル " + (dir / "p0.bmp") +
                                  " の変換には約 " + mb + " MB 必要ですが、使えるのは " +
                                  std::to_string((needed - 1 + (1u << 20) - 1) >> 20) + " MB です.");
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}

TEST(EntryEstimate, CountsThePicturesAndGrowsWithWhatTheSettingsAdd) {
    TempFolder dir;
    WriteJPEGFile(Picture(400, 300), dir / "base.jpg", 90, false);
    WriteJPEGFile(Picture(400, 300), dir / "prog.jpg", 90, true);
    const TOutputTarget jpeg{dir / "out.jpg", TWriterKind::JPEG};
    TConversionSettings neutral;
    neutral.Gamma = 10;
    const TConversionSettings gamma;
    TConversionSettings turned = gamma;
    turned.Angle = 450;
    const auto memory = [&](const std::string& name, const TConversionSettings& s) {
        const TEntryEstimate e = EstimateEntry(dir / name, jpeg, s);
        EXPECT_TRUE(e.Known) << name;
        return e.MemoryBytes;
    };
    const std::uint64_t picture = 400 * 300 * 3;
    EXPECT_GE(memory("base.jpg", neutral), picture);
    EXPECT_GE(memory("base.jpg", gamma), memory("base.jpg", neutral) + picture) << "the result";
    EXPECT_GT(memory("base.jpg", turned), memory("base.jpg", gamma)) << "a turned result is larger";
    EXPECT_GE(memory("prog.jpg", gamma), memory("base.jpg", gamma) + picture) << "all coefficients";
    EXPECT_FALSE(EstimateEntry(dir / "missing.jpg", jpeg, gamma).Known);
}

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::uint64_t v, int bytes, bool big) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * (big ? bytes - 1 - i : i))));
}

void Write(const std::string& path, const Bytes& bytes) {
    testing::WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

// Headers alone, made here: nothing the readers could decode.
Bytes PNGHeader(std::uint32_t width, std::uint32_t height) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    Put(b, width, 4, true);
    Put(b, height, 4, true);
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});  // RGBA8, a CRC left zero
    return b;
}

Bytes TIFFHeader(std::uint32_t width, std::uint32_t height) {
    Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const std::uint32_t entries[][3] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},      {262, 3, 1},
                                        {273, 4, 200},   {277, 3, 1},      {278, 4, height}, {279, 4, 1}};
    Put(b, std::size(entries), 2, false);
    for (const auto& e : entries) {
        Put(b, e[0], 2, false);
        Put(b, e[1], 2, false);
        Put(b, 1, 4, false);
        Put(b, e[2], 4, false);
    }
    Put(b, 0, 4, false);
    b.resize(201);
    return b;
}

// An animation's canvas: what libwebp reads of it first.
Bytes WebPCanvas(std::uint32_t width, std::uint32_t height) {
    Bytes b = {'R', 'I', 'F', 'F', 22, 0, 0, 0, 'W',  'E', 'B', 'P',
               'V', 'P', '8', 'X', 10, 0, 0, 0, 0x02, 0,   0,   0};
    Put(b, width - 1, 3, false);
    Put(b, height - 1, 3, false);
    return b;
}

Bytes GIFHeader(std::uint16_t width, std::uint16_t height) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    Put(b, width, 2, false);
    Put(b, height, 2, false);
    b.insert(b.end(), {0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});
    return b;
}

Bytes JPEGHeader(std::uint16_t width, std::uint16_t height) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8};
    Put(b, height, 2, true);
    Put(b, width, 2, true);
    b.insert(b.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1, 0xFF, 0xD9});
    return b;
}

Bytes BitmapHeader(std::int32_t width, std::int32_t height) {
    Bytes b = {'B', 'M'};
    Put(b, 54, 4, false);
    Put(b, 0, 4, false);
    Put(b, 54, 4, false);
    Put(b, 40, 4, false);
    Put(b, static_cast<std::uint32_t>(width), 4, false);
    Put(b, static_cast<std::uint32_t>(height), 4, false);
    Put(b, 1, 2, false);
    Put(b, 24, 2, false);
    b.resize(54);
    return b;
}

// rgb.avif with its one size property raised.
Bytes AVIFDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes b = testing::ReadBytesVector(std::string(CORVANE_TESTDATA_DIR) + "/heif/rgb.avif");
    const auto ispe = std::search(b.begin(), b.end(), std::begin("ispe"), std::end("ispe") - 1);
    EXPECT_NE(ispe, b.end());
    Bytes size;
    Put(size, width, 4, true);
    Put(size, height, 4, true);
    std::copy(size.begin(), size.end(), ispe + 8);  // past the version and flags
    return b;
}

std::string RefusalOf(const std::string& path, const TOutputTarget& target, const TConversionSettings& s) {
    try {
        EstimateEntry(path, target, s);
    } catch (const ELimitError& e) {
        return e.what();
    }
    return "";
}

TEST(EntryEstimate, HeadersBeyondTheLimitsAreRefusedNamingTheFileInEveryFormat) {
    TempFolder dir;
    const struct {
        std::string Name;
        Bytes Header;
        std::string Size;
    } files[] = {{"a.png", PNGHeader(70000, 70000), "70000 x 70000"},
                 {"a.tif", TIFFHeader(70000, 70000), "70000 x 70000"},
                 {"a.avif", AVIFDeclaring(70000, 70000), "70000 x 70000"},
                 // libwebp takes no canvas of 2^32 pixels or more, giflib no side past 65535.
                 {"a.webp", WebPCanvas(70000, 61000), "70000 x 61000"},
                 {"a.gif", GIFHeader(65535, 65535), "65535 x 65535"},
                 {"a.jpg", JPEGHeader(65535, 65535), "65535 x 65535"}};
    const TConversionSettings s;
    for (const auto& f : files) {
        Write(dir / f.Name, f.Header);
        const std::string refusal = RefusalOf(dir / f.Name, {dir / "out.png", TWriterKind::PNG}, s);
        EXPECT_EQ(
            refusal.rfind("ファイル " + (dir / f.Name) + " の画像 (" + f.Size + ") は大きすぎます: 1 辺 ", 0),
            0u)
            << f.Name << ": " << refusal;
    }
    Write(dir / "fits.png", PNGHeader(300, 200));
    const TEntryEstimate fits = EstimateEntry(dir / "fits.png", {dir / "out.png", TWriterKind::PNG}, s);
    EXPECT_TRUE(fits.Known);
    EXPECT_GE(fits.MemoryBytes, 300u * 200 * (4 + 3 + 1)) << "decoded RGBA, then 24-bit pixels and alpha";
}

// A 12-megapixel JPEG fitted into 1920 is decoded at a half and written at
// 1920 x 1440; the JPEG library's side limit is checked on what is written.
TEST(EntryEstimate, TheOutputIsCountedAtItsRealSize) {
    TempFolder dir;
    Write(dir / "photo.jpg", JPEGHeader(4000, 3000));
    const TOutputTarget jpeg{dir / "out.jpg", TWriterKind::JPEG};
    TConversionSettings s;
    const TEntryEstimate full = EstimateEntry(dir / "photo.jpg", jpeg, s);
    s.Resize = "1920";
    const TEntryEstimate resized = EstimateEntry(dir / "photo.jpg", jpeg, s);
    EXPECT_EQ(resized.OutputWidth, 1920);
    EXPECT_EQ(resized.OutputHeight, 1440);
    EXPECT_EQ(full.OutputWidth, 4000);
    EXPECT_LT(resized.MemoryBytes, full.MemoryBytes * 55 / 100);
    s.Gamma = 10;  // no tone: the source, the resize and the stream
    EXPECT_LT(EstimateEntry(dir / "photo.jpg", jpeg, s).MemoryBytes, 4000u * 3000 * 3)
        << "the source counted as decoded, at a half";

    Write(dir / "long.bmp", BitmapHeader(65501, 1));
    s.Resize = "none";
    EXPECT_NE(
        RefusalOf(dir / "long.bmp", jpeg, s).find("(65501 x 1) の 1 辺が JPEG の上限 65500 画素を超えます"),
        std::string::npos);
    s.Resize = "1920";
    EXPECT_EQ(RefusalOf(dir / "long.bmp", jpeg, s), "") << "written 1920 x 1";
}

// Alpha planes, 16-bit strips and a picture stood up by its EXIF
// orientation all take memory of their own.
TEST(EntryEstimate, AlphaDeepSamplesAndOrientationCount) {
    const auto memory = [](const std::string& name, const TConversionSettings& s = {}) {
        const TEntryEstimate e = EstimateEntry(std::string(CORVANE_TESTDATA_DIR) + "/" + name,
                                               {"/nowhere/out.png", TWriterKind::PNG}, s);
        EXPECT_TRUE(e.Known) << name;
        return e.MemoryBytes;
    };
    const std::uint64_t plane = 37 * 23;
    EXPECT_GE(memory("png/rgba8.png"), memory("png/rgb8.png") + 2 * plane) << "the source's and the result's";
    EXPECT_GE(memory("tiff/rgb16.tif"), memory("tiff/rgb8-raw.tif") + 3 * plane)
        << "a strip of 16-bit samples";
    EXPECT_GE(memory("heif/rgb10.heic"), memory("heif/rgb.heic") + 3 * plane) << "10-bit planes";

    TConversionSettings ignore;
    ignore.Orientation = TOrientationMode::Ignore;
    EXPECT_GE(memory("jpeg/testorig_camera.jpg"), memory("jpeg/testorig_camera.jpg", ignore) + 227 * 149 * 3);
    const TEntryEstimate upright =
        EstimateEntry(std::string(CORVANE_TESTDATA_DIR) + "/jpeg/testorig_camera.jpg",
                      {"/nowhere/out.png", TWriterKind::PNG}, {});
    EXPECT_EQ(upright.OutputWidth, 149);
    EXPECT_EQ(upright.OutputHeight, 227);
}

}  // namespace
}  // namespace corvane
