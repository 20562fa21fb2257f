// The parallel driver starts an entry only when its estimated memory fits
// beside the entries in flight, and refuses one that cannot fit at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/batch_entry.h"
#include "app/entry_estimate.h"
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

}  // namespace
}  // namespace corvane
