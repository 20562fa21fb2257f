// corvane-batch's account of a run: a warning for every entry that wrote
// nothing and every output written twice, failures by entry, the closing
// count, and an exit status that tells them apart.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/list_file.h"
#include "batch_cli_fixture.h"

namespace corvane {
namespace {

using testing::WriteBytes;

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(BatchCli, EveryEntryThatWroteNothingIsNamed) {
    const std::string out = dir / "out/";
    std::filesystem::create_directory(out);
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::copy_file(dir / "p1.bmp", dir / "x.dib");
    WriteBytes(out + "p1.bmp", "kept");
    WriteListFile(dir / "l.csv",
                  {Entry("p0.jpg", out), Entry("gone.jpg", out), Entry("sub", out), Entry("x.dib", out),
                   Entry("p1.bmp", out), Entry("p2.jpg", out), Entry("p2.jpg", out)});
    for (const char* jobs : {"1", "2"}) {
        const CliResult r = Run(std::string("-q --existing skip -j ") + jobs + " --list " + (dir / "l.csv"));
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_EQ(r.out, "変換終了: 書き込み 3, 飛ばした 4, 失敗 0\n");
        const std::string w = "corvane-batch: 警告: ";
        EXPECT_TRUE(Has(r.err, w + "2/7 gone.jpg: ファイルがありません (元: " + (dir / "gone.jpg")));
        EXPECT_TRUE(Has(r.err, w + "3/7 sub: フォルダです (元: " + (dir / "sub")));
        EXPECT_TRUE(Has(r.err, w + "4/7 x.dib: 書き出す形式がありません (元: " + (dir / "x.dib")));
        EXPECT_TRUE(Has(
            r.err, w + "5/7 p1.bmp: 既に存在します (元: " + (dir / "p1.bmp") + ", 出力: " + out + "p1.bmp)"));
        EXPECT_TRUE(Has(r.err, w + "7/7 p2.jpg: 出力 " + out + "p2.jpg は 6/7 の出力と同じです"));
        EXPECT_EQ(Lines(r.err), 5u) << r.err;
        std::filesystem::remove(out + "p0.jpg");
        std::filesystem::remove(out + "p2.jpg");
    }
}

TEST_F(BatchCli, UnmatchedGlobAndFolderOnTheCommandLineAreEntries) {
    std::filesystem::create_directory(dir / "out");
    // The shell leaves a pattern that matches nothing as it is.
    const CliResult r =
        Run("--dest " + (dir / "out") + " " + (dir / "*.png") + " " + dir.Dir() + " " + (dir / "p0.jpg"));
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(Has(r.err, "警告: 1/3 *.png: ファイルがありません (元: " + (dir / "*.png")));
    EXPECT_TRUE(Has(r.err, "警告: 2/3: フォルダです (元: " + dir.Dir()));
    EXPECT_EQ(r.out, "変換終了: 書き込み 1, 飛ばした 2, 失敗 0\n");

    // Everything written: 0, and quiet means silent.
    const CliResult all = Run("-q --existing replace --dest " + (dir / "out") + " " + (dir / "p0.jpg"));
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.err, "");
}

TEST_F(BatchCli, KeepGoingListsEveryFailureAndExitsOne) {
    std::filesystem::create_directory(dir / "out");
    WriteBytes(dir / "bad1.jpg", "not a JPEG");
    WriteBytes(dir / "bad2.bmp", "not a bitmap");
    const std::string files =
        (dir / "bad1.jpg") + " " + (dir / "p0.jpg") + " " + (dir / "bad2.bmp") + " " + (dir / "p1.bmp");
    for (const char* quiet : {"-q ", ""}) {
        std::filesystem::remove_all(dir / "out");
        std::filesystem::create_directory(dir / "out");
        const CliResult r =
            Run(std::string(quiet) + "-j 2 --keep-going --dest " + (dir / "out") + " " + files);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "変換終了: 書き込み 2, 飛ばした 0, 失敗 2\n");
        EXPECT_TRUE(Has(r.err, "corvane-batch: 1/4 bad1.jpg: JPEG エラー #")) << r.err;
        EXPECT_TRUE(Has(r.err, "corvane-batch: 3/4 bad2.bmp: ")) << r.err;
        EXPECT_EQ(Files(dir / "out").size(), 2u);
        // Among progress lines the failures are listed once more at the end.
        if (*quiet == '\0')
            EXPECT_TRUE(Has(r.err, "corvane-batch: 失敗した項目 2:\n"));
        else
            EXPECT_EQ(Lines(r.err), 2u) << r.err;
    }
}

TEST_F(BatchCli, HelpSaysWhatEachExitStatusMeans) {
    const CliResult help = Run("--help");
    for (const char* status : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  "})
        EXPECT_TRUE(Has(help.out, status)) << status;
    EXPECT_TRUE(Has(help.out, "--existing skip"));
}

}  // namespace
}  // namespace corvane
