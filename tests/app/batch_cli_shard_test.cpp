// --shard I/N: N processes together do exactly what one run of the whole
// list does, each numbering its entries in the whole list.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "app/list_file.h"
#include "app/manifest.h"
#include "batch_cli_fixture.h"

namespace corvane {
namespace {

using testing::ReadBytes;

std::vector<TManifestRecord> Records(const std::string& path) {
    std::vector<TManifestRecord> records;
    std::istringstream in(ReadBytes(path));
    for (std::string line; std::getline(in, line);)
        if (const auto r = ParseManifestLine(line)) records.push_back(*r);
    return records;
}

class BatchShard : public BatchCli {
protected:
    // p0.jpg three times (entries 0, 4 and 8: one shard of four), a missing source.
    std::string List(const std::string& name, const std::string& out) {
        std::filesystem::create_directory(out);
        std::vector<std::string> list;
        for (const char* source :
             {"p0.jpg", "p1.bmp", "p2.jpg", "p3.bmp", "p0.jpg", "p4.jpg", "gone.jpg", "p5.bmp", "p0.jpg"})
            list.push_back(Entry(source, out + "/"));
        WriteListFile(dir / name, list);
        return dir / name;
    }
    const std::string options = " -q --format .bmp --angle 12.5 --auto-turn landscape --list ";
};

TEST_F(BatchShard, FourShardsThroughGnuParallelDoTheWholeRun) {
    if (Shell("parallel --version").out.find("GNU parallel") == std::string::npos)
        GTEST_SKIP() << "GNU parallel is not installed (Debian package parallel)";
    const std::string whole = List("whole.csv", dir / "whole"),
                      sharded = List("sharded.csv", dir / "sharded");
    ASSERT_EQ(Run(options + whole + " --manifest " + (dir / "whole.jsonl")).status, 3);

    const CliResult p = Shell("parallel --will-cite " + std::string(CORVANE_BATCH_EXE) + options + sharded +
                              " --shard {}/4 --manifest " + (dir / "m{}.jsonl") + " ::: 0 1 2 3");
    // GNU parallel exits with the number of jobs that failed: the shard with
    // the missing source exits 3.
    EXPECT_EQ(p.status, 1) << p.err;
    EXPECT_FALSE(Files(dir / "whole").empty());
    EXPECT_TRUE(Files(dir / "whole") == Files(dir / "sharded"));

    const std::vector<TManifestRecord> expected = Records(dir / "whole.jsonl");
    ASSERT_EQ(expected.size(), 9u);
    std::set<int> seen;
    for (int shard = 0; shard < 4; ++shard) {
        std::string name = "m";  // not "m" + to_string(shard): g++ 12 warns about it wrongly
        name += std::to_string(shard);
        for (const TManifestRecord& r : Records(dir / (name + ".jsonl"))) {
            EXPECT_EQ(r.Index % 4, shard) << r.Index;
            EXPECT_TRUE(seen.insert(r.Index).second) << "one record per entry: " << r.Index;
            const TManifestRecord& w = expected.at(static_cast<std::size_t>(r.Index));
            EXPECT_EQ(r.Status, w.Status) << r.Index;
            EXPECT_EQ(r.Sha256, w.Sha256) << r.Index;
            EXPECT_EQ(r.Settings, w.Settings);
        }
    }
    EXPECT_EQ(seen.size(), 9u);
}

TEST_F(BatchShard, AShardNumbersItsEntriesInTheWholeList) {
    const std::string list = List("l.csv", dir / "out");
    const CliResult r = Run("--shard 2/4 --list " + list);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(
        r.err,
        "3/9  From File: p2.jpg\n        To File : out/p2.jpg\n7/9  From File: gone.jpg\n        To File : "
        "out/gone.jpg\ncorvane-batch: 警告: 7/9 gone.jpg: ファイルがありません (元: " +
            (dir / "gone.jpg") + ", 出力: " + (dir / "out/gone.jpg") + ")\n");
    EXPECT_EQ(r.out, "変換終了: 書き込み 1, 飛ばした 1, 失敗 0\n");
    EXPECT_EQ(Files(dir / "out").size(), 1u);
}

// Shards run in no order among themselves: a file two of them write, or one
// reads and another writes, would come out differently from run to run.
TEST_F(BatchShard, SharedFilesAcrossShardsAreRefused) {
    const std::string out = dir / "out/";
    std::filesystem::create_directory(out);
    std::filesystem::copy_file(dir / "p1.bmp", dir / "p0.bmp");
    // Entries 1 and 2 both write out/p0.bmp.
    WriteListFile(dir / "l.csv", {Entry("p0.jpg", out), Entry("p0.bmp", out)});
    const std::string args = " --format bmp --list " + (dir / "l.csv");
    const CliResult two = Run("--shard 0/2" + args);
    EXPECT_EQ(two.status, 2);
    EXPECT_EQ(two.err,
              "corvane-batch: --shard: 項目 1 と 2 は同じファイル " + out +
                  "p0.bmp に書き込みます; 別の分担の項目なので, 分けると一度に変換した結果と変わります.\n");
    EXPECT_EQ(Run("-q --shard 0/1" + args).status, 0) << "one shard is the whole run";
    std::filesystem::remove(out + "p0.bmp");

    // Entry 2 reads out/p1.bmp, which entry 3 writes.
    WriteListFile(dir / "r.csv", {Entry("p2.jpg", out), "\"" + out + "p1.bmp\",\"" + dir.Dir() + "\"",
                                  Entry("p1.bmp", out)});
    const CliResult read = Run("--shard 1/2 --format bmp --list " + (dir / "r.csv"));
    EXPECT_EQ(read.status, 2);
    EXPECT_NE(read.err.find("項目 2 と 3: 項目 2 は項目 3 が書くファイル " + out + "p1.bmp を読みます"),
              std::string::npos)
        << read.err;
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

}  // namespace
}  // namespace corvane
