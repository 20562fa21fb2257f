// corvane-batch run as a process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/batch_entry.h"
#include "app/list_file.h"
#include "batch_cli_fixture.h"
#include "imagefiles/bmp_writer.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

TEST_F(BatchCli, ConvertsFilesAndReportsProgress) {
    std::filesystem::create_directory(dir / "out");
    const CliResult r =
        Run("--format .bmp --dest " + (dir / "out") + " " + (dir / "p0.jpg") + " " + (dir / "p1.bmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "変換終了: 書き込み 2, 飛ばした 0, 失敗 0\n");
    EXPECT_EQ(r.err,
              "1/2  From File: p0.jpg\n        To File : out/p0.bmp\n2/2  From File: p1.bmp\n        To File "
              ": out/p1.bmp\n");
    EXPECT_EQ(Files(dir / "out").size(), 2u);
    EXPECT_EQ(Run("--quiet --dest " + (dir / "out") + " " + (dir / "p0.jpg")).err, "");
}

TEST_F(BatchCli, RefusedOptionsTouchNothing) {
    std::filesystem::create_directory(dir / "out");
    const std::string files = " --dest " + (dir / "out") + " " + (dir / "p0.jpg");
    for (const char* bad :
         {"--level 2.8", "--angle 1e3", "--gamma nan", "--quality 0x50", "--case UPPER", "--nope"}) {
        const CliResult r = Run(std::string(bad) + files);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find(std::string(bad).substr(0, std::string(bad).find(' '))), std::string::npos)
            << r.err;
    }
    EXPECT_EQ(Run("--list " + (dir / "missing.csv")).status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
    const CliResult help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--gamma X.X"), std::string::npos);
    EXPECT_NE(help.out.find("(既定 1.8)"), std::string::npos);
}

TEST_F(BatchCli, FailureExitsWithTheErrorDisplayText) {
    std::filesystem::create_directory(dir / "out");
    WriteBytes(dir / "bad.jpg", "no JPEG here");
    WriteListFile(dir / "list.csv", {Entry("p0.jpg", dir / "out/"), Entry("p1.bmp", dir / "out/"),
                                     Entry("bad.jpg", dir / "out/"), Entry("p2.jpg", dir / "out/")});
    for (const char* jobs : {"1", "2"}) {
        std::filesystem::remove_all(dir / "out");
        std::filesystem::create_directory(dir / "out");
        const CliResult r = Run(std::string("--quiet --jobs ") + jobs + " --list " + (dir / "list.csv"));
        EXPECT_EQ(r.status, 1) << jobs;
        EXPECT_EQ(r.out, "変換中止: 書き込み 2, 飛ばした 0, 失敗 1, 未処理 1\n");
        // The failing entry is named, whichever entry the workers were at.
        EXPECT_EQ(r.err.rfind("corvane-batch: 3/4 bad.jpg: JPEG エラー #", 0), 0u) << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - 2), ".\n");
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "printed once: " << r.err;
        const auto files = Files(dir / "out");
        EXPECT_EQ(files.size(), 2u) << jobs;
        EXPECT_TRUE(files.count("p0.jpg") && files.count("p1.bmp")) << jobs;
    }
}

TEST_F(BatchCli, TwoJobsWriteWhatOneJobWrites) {
    std::filesystem::create_directory(dir / "a");
    std::filesystem::create_directory(dir / "b");
    // p0.jpg and p0.bmp write the same out name; the third entry reads the
    // output of the first; missing sources are skipped.
    WriteBitmapFile(TBitmap{}, dir / "empty.bmp");
    std::filesystem::copy_file(dir / "p1.bmp", dir / "p0.bmp");
    const auto list = [&](const std::string& out) {
        return std::vector<std::string>{
            Entry("p0.jpg", out),   Entry("p0.bmp", out), "\"" + out + "p0.bmp\",\"" + out + "again-\"",
            Entry("gone.jpg", out), Entry("p2.jpg", out), Entry("p3.bmp", out),
            Entry("p4.jpg", out),   Entry("p5.bmp", out), Entry("p2.jpg", out)};
    };
    WriteListFile(dir / "a.csv", list(dir / "a/"));
    WriteListFile(dir / "b.csv", list(dir / "b/"));
    const std::string opts = "--quiet --format .bmp --angle 12.5 --auto-turn landscape ";
    // The missing source makes it 3.
    ASSERT_EQ(Run(opts + "--list " + (dir / "a.csv")).status, 3) << ReadBytes(dir / "stderr");
    ASSERT_EQ(Run(opts + "--jobs 2 --list " + (dir / "b.csv")).status, 3) << ReadBytes(dir / "stderr");
    const auto a = Files(dir / "a"), b = Files(dir / "b");
    EXPECT_EQ(a.size(), 6u);
    EXPECT_TRUE(a == b);

    // JPEG out, more jobs than entries.
    std::filesystem::remove_all(dir / "a");
    std::filesystem::remove_all(dir / "b");
    std::filesystem::create_directory(dir / "a");
    std::filesystem::create_directory(dir / "b");
    ASSERT_EQ(
        Run("--quiet --format .jpg --dest " + (dir / "a") + " " + (dir / "p0.jpg") + " " + (dir / "p1.bmp"))
            .status,
        0);
    ASSERT_EQ(Run("--quiet --jobs 8 --format .jpg --dest " + (dir / "b") + " " + (dir / "p0.jpg") + " " +
                  (dir / "p1.bmp"))
                  .status,
              0);
    EXPECT_TRUE(Files(dir / "a") == Files(dir / "b"));
}

// Found by the WebP fuzz target: the canvas an animation declares was taken
// (2.4 GB here) before its size was checked. In 1 GB of address space the
// file must fail on its size, not on memory.
TEST_F(BatchCli, AHugeDeclaredWebPCanvasFailsOnItsSizeNotOnMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a limited address space and the address sanitizer's shadow do not mix";
#else
    std::filesystem::copy_file(
        std::string(CORVANE_TESTDATA_DIR) + "/webp/bad/animated-canvas-37x16777000.webp", dir / "x.webp");
    testing::TempFolder out;
    const CliResult r = Run("--dest " + out.Dir() + " " + (dir / "x.webp"));
    EXPECT_EQ(r.status, 1);
    const std::string cmd = "ulimit -v 1048576; " + std::string(CORVANE_BATCH_EXE) + " -q --dest " +
                            out.Dir() + " " + (dir / "x.webp") + " 2>" + (dir / "stderr") +
                            " </dev/null >/dev/null";
    std::system(cmd.c_str());
    // Refused on the header's size, as a picture of any format is, before the reader runs.
    EXPECT_NE(ReadBytes(dir / "stderr").find("x.webp の画像 (37 x 16775959) は大きすぎます"),
              std::string::npos)
        << ReadBytes(dir / "stderr");
#endif
}

// Memory running out while the list is read reads as it does in a run, not
// as the allocator's own name for it.
TEST_F(BatchCli, OutOfMemoryReadsAsTheSystemSaysIt) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a limited address space and the address sanitizer's shadow do not mix";
#else
    const std::string list = dir / "big.csv";
    {
        std::ofstream out(list, std::ios::binary);
        const std::string line(1 << 20, 'x');
        for (int i = 0; i < 320; ++i) out << line;  // one 320 MB entry
    }
    CliResult r;
    // 256 MB of address space: the program and its libraries (libvips brings
    // about a hundred) load in it, the entry does not fit.
    const std::string cmd = "ulimit -v 262144; " + std::string(CORVANE_BATCH_EXE) + " --list " + list + " >" +
                            (dir / "stdout") + " 2>" + (dir / "stderr") + " </dev/null";
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadBytes(dir / "stderr");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "corvane-batch: メモリが足りません.\n");
#endif
}

// An entry that cannot be run is found before anything is read or written,
// and the message names the list and the line.
TEST_F(BatchCli, ListCheckedWholeBeforeTheRun) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    WriteBytes(dir / "l.csv", MakeEntry(dir.Dir(), "p0.jpg", out + "/") + "\r\n" +
                                  MakeEntry(dir.Dir(), "p2.jpg", out + "/") + "\r\n\"" + (dir / "p4.jpg") +
                                  "\"\r\n");
    const CliResult r = Run("--list " + (dir / "l.csv"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "corvane-batch: " + (dir / "l.csv") +
                         " 3 行目: リストのインデックスが範囲を超えています (1)\n");
    EXPECT_TRUE(Files(out).empty());

    const CliResult v = Run("--version");
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("corvane-batch ", 0), 0u);
    EXPECT_EQ(Run("--format gif --list " + (dir / "l.csv")).status, 2);
}

// What happens to a file already at the output's name, as the command line
// sets it; the default keeps the old one in the trash.
TEST_F(BatchCli, ExistingFilesByTheCommandLine) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    WriteBytes(out + "/p0.jpg", "old picture");
    const std::string args = "--dest " + out + " " + (dir / "p0.jpg");
    const CliResult skip = Run("-q --existing skip " + args);
    EXPECT_EQ(skip.status, 3) << skip.err;
    EXPECT_EQ(ReadBytes(out + "/p0.jpg"), "old picture");
    const CliResult trash = Run("-q " + args);
    EXPECT_EQ(trash.status, 0) << trash.err;
    EXPECT_NE(ReadBytes(out + "/p0.jpg"), "old picture");
    EXPECT_EQ(ReadBytes(testing::TrashFolder() + "/files/p0.jpg"), "old picture");
    EXPECT_EQ(Run("--existing keep " + args).status, 2);
}

// Damaged metadata never fails the picture, and what was dropped is said.
TEST_F(BatchCli, DroppedMetadataIsReportedAndThePictureWritten) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    TBitmap p;
    p.SetPixelFormat(TPixelFormat::pf24bit);
    p.SetSize(16, 12);
    TImageMetadata meta;
    const std::string noTiffHeader("Exif\0\0MM\0\x2a", 10);
    meta.Segments = {{TSegmentKind::Exif, kMarkerAPP1, {noTiffHeader.begin(), noTiffHeader.end()}}};
    const std::vector<std::uint8_t> bytes = EncodeJPEG(p, 90, false, &meta);
    WriteBytes(dir / "damaged.jpg", std::string(bytes.begin(), bytes.end()));
    const CliResult r = Run("-q --dest " + out + " " + (dir / "damaged.jpg"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("corvane-batch: 警告: 1/1 damaged.jpg: EXIF を外しました"), std::string::npos)
        << r.err;
    EXPECT_TRUE(std::filesystem::exists(out + "/damaged.jpg"));
}

}  // namespace
}  // namespace corvane
