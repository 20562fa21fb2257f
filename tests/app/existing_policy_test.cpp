// What happens to a file already at an output's name, in the sequential run
// and the parallel driver alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/batch_entry.h"
#include "app/parallel_batch.h"
#include "app/plain_runner_host.h"
#include "imagefiles/bmp_writer.h"
#include "test_files.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::string Picture(int w, int h) {
    TBitmap p;
    p.SetPixelFormat(TPixelFormat::pf24bit);
    p.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (std::size_t x = 0; x < p.Stride(); ++x)
            p.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * w);
    const auto bytes = EncodeBitmap(p);
    return {bytes.begin(), bytes.end()};
}

TConversionSettings With(TExistingPolicy policy) {
    TConversionSettings s;  // gamma 1.8 inverse: every output differs from its source
    s.Existing = policy;
    return s;
}

class ExistingFiles : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        fs::remove_all(testing::TrashFolder());
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            originals_[name] = Picture(9 + static_cast<int>(originals_.size()), 5);
            WriteBytes(dir / name, originals_[name]);
        }
    }
    bool Run(TExistingPolicy policy, const std::vector<std::string>& names) {
        host = PlainRunnerHost{};
        for (const auto& name : names) host.List.push_back(MakeEntry(dir.Dir(), name, dir.Dir()));
        return RunBatchParallel(host, With(policy), GetParam());
    }
    std::vector<std::string> TrashFiles() const {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(testing::TrashFolder() + "/files", ec))
            files.push_back(ReadBytes(f.path().string()));
        return files;
    }

    TempFolder dir;
    PlainRunnerHost host;
    std::map<std::string, std::string> originals_;
};

TEST_P(ExistingFiles, TheDefaultPutsTheOriginalsInTheTrashWithTheirInfo) {
    ASSERT_EQ(TConversionSettings{}.Existing, TExistingPolicy::Trash);
    ASSERT_TRUE(Run(TExistingPolicy::Trash, {"a.bmp", "b.bmp"})) << host.ErrorText;
    const std::string trash = testing::TrashFolder();
    for (const char* name : {"a.bmp", "b.bmp"}) {
        EXPECT_EQ(ReadBytes(trash + "/files/" + name), originals_[name]) << name;
        const std::string info = ReadBytes(trash + "/info/" + name + ".trashinfo");
        EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
        EXPECT_NE(info.find(name), std::string::npos) << info;
        EXPECT_NE(ReadBytes(dir / name), originals_[name]) << "converted in place";
        EXPECT_GT(ReadBytes(dir / name).size(), 54u);
    }
    EXPECT_EQ(ReadBytes(dir / "c.bmp"), originals_["c.bmp"]);
}

TEST_P(ExistingFiles, ReplaceLosesTheOldContentAndTrashesNothing) {
    ASSERT_TRUE(Run(TExistingPolicy::Replace, {"a.bmp"})) << host.ErrorText;
    EXPECT_NE(ReadBytes(dir / "a.bmp"), originals_["a.bmp"]);
    EXPECT_TRUE(TrashFiles().empty());
}

TEST_P(ExistingFiles, SkipLeavesTheFileReportsTheEntryAndGoesOn) {
    fs::remove(dir / "b.bmp");
    fs::create_directory(dir / "sub");
    WriteBytes(dir / "sub/b.bmp", originals_["a.bmp"]);
    host.List = {MakeEntry(dir.Dir(), "a.bmp", dir.Dir()), MakeEntry(dir / "sub", "b.bmp", dir.Dir()),
                 MakeEntry(dir.Dir(), "c.bmp", dir.Dir())};
    ASSERT_TRUE(RunBatchParallel(host, With(TExistingPolicy::Skip), GetParam())) << host.ErrorText;
    EXPECT_EQ(ReadBytes(dir / "a.bmp"), originals_["a.bmp"]);
    EXPECT_EQ(ReadBytes(dir / "c.bmp"), originals_["c.bmp"]);
    EXPECT_TRUE(fs::exists(dir / "b.bmp")) << "a free name is written";
    EXPECT_EQ(host.Skipped, (std::vector<PlainRunnerHost::TSkippedEntry>{
                                {0, dir / "a.bmp", "既に存在します"}, {2, dir / "c.bmp", "既に存在します"}}));
    EXPECT_EQ(host.FinishedText, "変換終了");
    EXPECT_TRUE(TrashFiles().empty());
}

TEST_P(ExistingFiles, StopEndsTheRunAtThatEntryNamingTheFile) {
    fs::remove(dir / "a.bmp");
    WriteBytes(dir / "src.bmp", originals_["b.bmp"]);
    fs::create_directory(dir / "in");
    for (const char* name : {"in/a.bmp", "in/b.bmp", "in/c.bmp"}) fs::copy_file(dir / "src.bmp", dir / name);
    // a.bmp twice: the second replaces what this run wrote; b.bmp exists.
    host.List = {MakeEntry(dir / "in", "a.bmp", dir.Dir()), MakeEntry(dir / "in", "a.bmp", dir.Dir()),
                 MakeEntry(dir / "in", "b.bmp", dir.Dir()), MakeEntry(dir / "in", "c.bmp", dir / "out")};
    fs::create_directory(dir / "out");
    EXPECT_FALSE(RunBatchParallel(host, With(TExistingPolicy::Stop), GetParam()));
    EXPECT_EQ(host.ErrorText, "ファイル " + (dir / "b.bmp") + " は既に存在します.");
    EXPECT_TRUE(fs::exists(dir / "a.bmp"));
    EXPECT_EQ(ReadBytes(dir / "b.bmp"), originals_["b.bmp"]);
    EXPECT_FALSE(fs::exists(dir / "out/c.bmp")) << "no entry after the stop";
    EXPECT_EQ(host.List.size(), 4u);
}

TEST_P(ExistingFiles, WhereTheTrashCannotTakeItTheEntryFailsAndTheOldFileStays) {
    // A file where the trash folder should be: it cannot be made.
    fs::create_directories(fs::path(testing::TrashFolder()).parent_path());
    WriteBytes(testing::TrashFolder(), "not a folder");
    const bool ran = Run(TExistingPolicy::Trash, {"a.bmp", "b.bmp"});
    fs::remove(testing::TrashFolder());
    EXPECT_FALSE(ran);
    EXPECT_EQ(host.ErrorText.rfind("ファイル " + (dir / "a.bmp") + " をごみ箱へ移せません: ", 0), 0u)
        << host.ErrorText;
    EXPECT_EQ(ReadBytes(dir / "a.bmp"), originals_["a.bmp"]);
    EXPECT_EQ(ReadBytes(dir / "b.bmp"), originals_["b.bmp"]);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Dir()), {}), 3) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Jobs, ExistingFiles, ::testing::Values(1, 2),
                         [](const auto& row) { return "jobs" + std::to_string(row.param); });

}  // namespace
}  // namespace corvane
