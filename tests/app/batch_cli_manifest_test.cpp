// --manifest and --resume: a record per entry as it ends, read back to skip
// exactly the entries whose output, source and settings are as recorded.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/list_file.h"
#include "app/manifest.h"
#include "batch_cli_fixture.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

std::vector<TManifestRecord> Records(const std::string& path, std::size_t* unreadable = nullptr) {
    std::vector<TManifestRecord> records;
    std::istringstream in(ReadBytes(path));
    for (std::string line; std::getline(in, line);) {
        if (const auto r = ParseManifestLine(line))
            records.push_back(*r);
        else if (unreadable)
            ++*unreadable;
    }
    return records;
}

class BatchManifest : public BatchCli {
protected:
    // sha256sum's digest, independent of the program's own.
    std::string Sha256Sum(const std::string& path) {
        return Shell("{ sha256sum <'" + path + "'; }").out.substr(0, 64);
    }

    void Touch(const std::string& path, long seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
};

TEST_F(BatchManifest, ARecordPerEntryWithTheOutputsDigest) {
    const std::string out = dir / "out/";
    std::filesystem::create_directory(out);
    WriteBytes(dir / "bad.jpg", "not a JPEG");
    // Quotes, a backslash and a byte that is not UTF-8 in a name.
    const std::string odd = "q\"uo\\te\xff.bmp";
    std::filesystem::copy_file(dir / "p1.bmp", dir / odd);
    WriteListFile(dir / "l.csv", {Entry("p0.jpg", out), Entry("gone.jpg", out), Entry("bad.jpg", out),
                                  Entry(odd, out), Entry("p2.jpg", out)});
    for (const char* jobs : {"1", "2"}) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directory(out);
        const CliResult r = Run(std::string("-q --keep-going -j ") + jobs + " --manifest " +
                                (dir / "m.jsonl") + " --list " + (dir / "l.csv"));
        EXPECT_EQ(r.status, 1) << r.err;
        std::size_t unreadable = 0;
        const std::vector<TManifestRecord> records = Records(dir / "m.jsonl", &unreadable);
        EXPECT_EQ(unreadable, 0u);
        ASSERT_EQ(records.size(), 5u) << ReadBytes(dir / "m.jsonl");
        const char* status[] = {"written", "skipped", "failed", "written", "written"};
        for (std::size_t i = 0; i < 5; ++i) {
            const TManifestRecord& rec = records[i];
            EXPECT_EQ(rec.Index, static_cast<int>(i));
            EXPECT_EQ(rec.Status, status[i]) << i;
            EXPECT_EQ(rec.Settings, records[0].Settings);
            EXPECT_EQ(rec.Settings.size(), 64u);
            EXPECT_GE(rec.Milliseconds, 0);
            if (rec.Status == "written") {
                EXPECT_EQ(rec.Sha256, Sha256Sum(rec.Output)) << i;
                EXPECT_EQ(rec.Bytes, std::filesystem::file_size(rec.Output));
                EXPECT_TRUE(rec.SourceKnown);
                EXPECT_EQ(rec.SourceSize, static_cast<std::int64_t>(std::filesystem::file_size(rec.Source)));
            } else {
                EXPECT_EQ(rec.Sha256, "");
                EXPECT_EQ(rec.Bytes, 0u);
            }
        }
        EXPECT_EQ(records[1].Reason, "ファイルがありません");
        EXPECT_FALSE(records[1].SourceKnown);
        EXPECT_EQ(records[2].Reason.rfind("JPEG エラー #", 0), 0u) << records[2].Reason;
        EXPECT_EQ(records[3].Source, dir / odd) << "the name's bytes read back as they are";
        EXPECT_EQ(records[3].Output, out + odd);
        // The name's odd byte is escaped, so the line is valid UTF-8.
        EXPECT_NE(ReadBytes(dir / "m.jsonl").find("q\\\"uo\\\\te\\udcff.bmp"), std::string::npos);
    }
}

TEST_F(BatchManifest, ResumeSkipsWhatIsStillAsRecorded) {
    const std::string out = dir / "out/";
    std::filesystem::create_directory(out);
    const std::string names[] = {"p0.jpg", "p1.bmp", "p2.jpg", "p3.bmp", "p4.jpg", "p5.bmp"};
    std::vector<std::string> list;
    for (const std::string& name : names) list.push_back(Entry(name, out));
    WriteListFile(dir / "l.csv", list);
    const std::string m = dir / "m.jsonl";
    const std::string run = " --list " + (dir / "l.csv") + " --manifest " + m + " --resume " + m;
    // The first of a series: the manifest it resumes from does not exist yet.
    ASSERT_EQ(Run("-q" + run).status, 0) << ReadBytes(dir / "stderr");
    EXPECT_EQ(Records(m).size(), 6u);

    Touch(dir / "p1.bmp", 1'000'000'000);     // the source changed
    WriteBytes(out + "p2.jpg", "damaged");    // the output changed
    std::filesystem::remove(out + "p3.bmp");  // the output is gone
    const std::string p4 = ReadBytes(out + "p4.jpg");
    const CliResult again = Run("-q -j 2 --existing replace --keep-going" + run);  // run policies only
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "変換終了: 書き込み 3, 前回書き込み済み 3, 飛ばした 0, 失敗 0\n");
    EXPECT_EQ(ReadBytes(out + "p4.jpg"), p4);
    std::vector<TManifestRecord> records = Records(m);
    ASSERT_EQ(records.size(), 12u) << "the resumed manifest is appended to";
    const char* status[] = {"skipped", "written", "written", "written", "skipped", "skipped"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(records[6 + i].Status, status[i]) << i;
        EXPECT_EQ(records[6 + i].Sha256, Sha256Sum(out + names[i])) << i;
    }
    EXPECT_EQ(records[6].Reason, "前回の実行で書き込み済み");

    // Resumed records resume again; other settings convert everything.
    EXPECT_EQ(Run("-q" + run).out, "変換終了: 書き込み 0, 前回書き込み済み 6, 飛ばした 0, 失敗 0\n");
    EXPECT_EQ(Run("-q --quality 80 --existing replace" + run).out,
              "変換終了: 書き込み 6, 飛ばした 0, 失敗 0\n");
}

TEST_F(BatchManifest, ATornLastLineIsIgnoredAndClosed) {
    const std::string out = dir / "out/";
    std::filesystem::create_directory(out);
    WriteListFile(dir / "l.csv", {Entry("p0.jpg", out), Entry("p1.bmp", out)});
    const std::string m = dir / "m.jsonl";
    ASSERT_EQ(Run("-q --list " + (dir / "l.csv") + " --manifest " + m).status, 0);
    // A crash while the second record was written: half of it on the disk.
    const std::string text = ReadBytes(m);
    const std::size_t second = text.find('\n') + 1;
    WriteBytes(m, text.substr(0, second + 40));
    const CliResult r =
        Run("-q --existing replace --list " + (dir / "l.csv") + " --manifest " + m + " --resume " + m);
    EXPECT_EQ(r.out, "変換終了: 書き込み 1, 前回書き込み済み 1, 飛ばした 0, 失敗 0\n");
    std::size_t unreadable = 0;
    EXPECT_EQ(Records(m, &unreadable).size(), 3u);
    EXPECT_EQ(unreadable, 1u) << "only the torn line";
}

// Without its records a run cannot be resumed: it ends at the first record
// that cannot be written. Records can also stream to a pipe.
TEST_F(BatchManifest, ARecordThatCannotBeWrittenEndsTheRun) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    const std::string files =
        " --dest " + out + " " + (dir / "p0.jpg") + " " + (dir / "p1.bmp") + " " + (dir / "p2.jpg");
    const CliResult full = Run("-q -j 1 --manifest /dev/full" + files);
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "corvane-batch: ファイル /dev/full に書き込めません: No space left on device.\n");
    // The run stops as the user's stop does: the entry already being
    // converted (one job still works one entry ahead) is finished and written.
    EXPECT_EQ(full.out, "変換中止: 書き込み 2, 飛ばした 0, 失敗 0, 未処理 1\n");
    EXPECT_EQ(Files(out).size(), 2u);

    const CliResult piped =
        Shell("{ " + std::string(CORVANE_BATCH_EXE) + " -q --existing replace --manifest /dev/stdout" +
              files + " | grep -c '\"status\":\"written\"'; }");
    EXPECT_EQ(piped.out, "3\n") << piped.err;
}

TEST_F(BatchManifest, RefusedBeforeAnythingIsWritten) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    const std::string files = " --dest " + out + " " + (dir / "p0.jpg");
    for (const std::string& bad :
         {"--manifest " + (dir / "no/such/folder/m.jsonl"), "--resume " + (dir / "missing.jsonl"),
          "--plan --manifest " + (dir / "m.jsonl"), std::string("--manifest="), std::string("--shard 4/4"),
          std::string("--shard 1/0"), std::string("--shard -1/4"), std::string("--shard 1"),
          std::string("--shard 1/x")}) {
        const CliResult r = Run(bad + files);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
    }
    EXPECT_TRUE(std::filesystem::is_empty(out));
    EXPECT_FALSE(std::filesystem::exists(dir / "m.jsonl"));
}

}  // namespace
}  // namespace corvane
