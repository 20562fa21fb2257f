// What a run says of each entry and how it ends: outcomes in list order with
// their reasons, going on past failures, stopping, and the list afterwards.
// Every case runs with one job and with three, which must agree.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/batch_entry.h"
#include "app/batch_runner.h"
#include "app/parallel_batch.h"
#include "app/plain_runner_host.h"
#include "imagefiles/bmp_writer.h"
#include "test_files.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class RunOutcome : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "out");
        std::filesystem::create_directory(dir / "folder.bmp");
        TBitmap p;
        p.SetPixelFormat(TPixelFormat::pf24bit);
        p.SetSize(9, 7);
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "x.dib"}) WriteBitmapFile(p, dir / name);
        WriteBytes(dir / "bad.bmp", "this is not a bitmap at all");
    }
    std::string Entry(const std::string& name) { return MakeEntry(dir.Dir(), name, dir / "out/"); }
    TRunSummary Run(const TConversionSettings& settings) {
        return RunBatchParallel(host, settings, GetParam());
    }

    TempFolder dir;
    PlainRunnerHost host;
};

TEST_P(RunOutcome, EveryEntryReportedInOrderWithItsReason) {
    host.List = {Entry("a.bmp"), Entry("missing.bmp"), Entry("folder.bmp"), Entry("x.dib"), Entry("b.bmp")};
    std::vector<std::string> data;
    host.OnEntryDone = [&](const TEntryOutcome& o) { data.emplace_back(o.Data.begin(), o.Data.end()); };
    const TRunSummary summary = Run(TConversionSettings{});
    ASSERT_TRUE(summary) << host.ErrorText;
    EXPECT_EQ(summary.Written, 2);
    EXPECT_EQ(summary.Skipped, 3);
    ASSERT_EQ(host.Outcomes.size(), 5u);
    const std::pair<TEntryStatus, std::string> expected[] = {{TEntryStatus::Written, ""},
                                                             {TEntryStatus::Skipped, kMissingSourceReason},
                                                             {TEntryStatus::Skipped, kFolderSourceReason},
                                                             {TEntryStatus::Skipped, kNoWriterReason},
                                                             {TEntryStatus::Written, ""}};
    for (std::size_t i = 0; i < 5; ++i) {
        const TEntryOutcome& o = host.Outcomes[i];
        EXPECT_EQ(o.Index, static_cast<int>(i));
        EXPECT_EQ(o.Count, 5);
        EXPECT_EQ(o.Status, expected[i].first) << i;
        EXPECT_EQ(o.Reason, expected[i].second) << i;
    }
    // The data handed over is the file as written.
    EXPECT_EQ(data[0], ReadBytes(dir / "out/a.bmp"));
    EXPECT_EQ(host.Outcomes[0].Bytes, data[0].size());
    EXPECT_EQ(host.Outcomes[4].Output, dir / "out/b.bmp");
    EXPECT_TRUE(host.List.empty());
    EXPECT_EQ(host.FinishedText, "変換終了");
}

TEST_P(RunOutcome, KeepGoingReportsFailuresAndKeepsJustThem) {
    host.List = {Entry("a.bmp"), Entry("bad.bmp"), Entry("b.bmp"), "\"only one field\"", Entry("c.bmp")};
    TConversionSettings s;
    s.KeepGoing = true;
    const TRunSummary summary = Run(s);
    EXPECT_FALSE(summary);
    EXPECT_EQ(summary.End, TRunEnd::Finished);
    EXPECT_EQ(summary.Written, 3);
    EXPECT_EQ(summary.Failed, 2);
    for (const std::string name : {"a.bmp", "b.bmp", "c.bmp"})
        EXPECT_TRUE(std::filesystem::exists(dir / ("out/" + name))) << name;
    ASSERT_EQ(host.Failures.size(), 2u);
    EXPECT_EQ(EntryLabel(host.Failures[0]) + ": " + host.Failures[0].Reason,
              "2/5 bad.bmp: ビットマップイメージが不正です");
    EXPECT_EQ(host.Failures[1].Index, 3);
    EXPECT_EQ(host.List, (std::vector<std::string>{Entry("bad.bmp"), "\"only one field\""}));
    EXPECT_EQ(host.Beeps, 1);
    EXPECT_EQ(host.FinishedText, "");
    EXPECT_EQ(host.ErrorText, "");
}

TEST_P(RunOutcome, WithoutKeepGoingTheRunEndsAtTheFailure) {
    host.List = {Entry("a.bmp"), Entry("bad.bmp"), Entry("b.bmp"), Entry("c.bmp")};
    const TRunSummary summary = Run(TConversionSettings{});
    EXPECT_EQ(summary.End, TRunEnd::Failed);
    EXPECT_EQ(host.ErrorText, "2/4 bad.bmp: ビットマップイメージが不正です.");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/a.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/b.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/c.bmp"));
    // Only the entries before the failure and the failure itself are reported.
    ASSERT_EQ(host.Outcomes.size(), 2u);
    EXPECT_EQ(host.List, (std::vector<std::string>{Entry("bad.bmp"), Entry("b.bmp"), Entry("c.bmp")}));
}

TEST_P(RunOutcome, AStoppedRunFinishesWhatItStartedAndKeepsTheRest) {
    host.List = {Entry("a.bmp"), Entry("b.bmp"), Entry("c.bmp"), Entry("d.bmp")};
    int asked = 0;
    host.OnStopRequested = [&] { return ++asked > 2; };
    const TRunSummary summary = Run(TConversionSettings{});
    EXPECT_EQ(summary.End, TRunEnd::Stopped);
    EXPECT_EQ(summary.Written, 2);
    EXPECT_TRUE(std::filesystem::exists(dir / "out/b.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/c.bmp"));
    EXPECT_EQ(host.List, (std::vector<std::string>{Entry("c.bmp"), Entry("d.bmp")}));
    EXPECT_EQ(host.FinishedText, "");
    EXPECT_EQ(host.ErrorText, "");
    EXPECT_EQ(host.Beeps, 0);
    EXPECT_FALSE(host.ProgressShown);
    EXPECT_FALSE(host.WaitCursor);
}

INSTANTIATE_TEST_SUITE_P(Jobs, RunOutcome, ::testing::Values(1, 3),
                         [](const auto& row) { return "jobs" + std::to_string(row.param); });

}  // namespace
}  // namespace corvane
