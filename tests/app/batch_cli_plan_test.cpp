// --plan: the run's own decisions for every entry, nothing written; the plan
// and the run that follows it agree entry by entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/list_file.h"
#include "batch_cli_fixture.h"

namespace corvane {
namespace {

using testing::WriteBytes;

// A 24-bit bitmap file's headers declaring a picture too wide to hold.
std::string HugeBitmapHeaders() {
    std::string b = "BM";
    const auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i));
    };
    put(54, 4), put(0, 4), put(54, 4), put(40, 4), put(70000, 4), put(2, 4), put(1, 2), put(24, 2);
    b.append(24, '\0');
    return b;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class BatchPlan : public BatchCli {
protected:
    // Every file under the folder and in the trash, but the caught output.
    std::map<std::string, std::string> Tree() {
        std::map<std::string, std::string> tree;
        for (const std::string& root : {dir.Dir(), testing::TrashFolder()}) {
            if (!std::filesystem::exists(root)) continue;
            for (const auto& f : std::filesystem::recursive_directory_iterator(root)) {
                const std::string name = f.path().filename().string();
                if (name != "stdout" && name != "stderr")
                    tree[f.path().string()] = f.is_regular_file() ? testing::ReadBytes(f.path()) : "folder";
            }
        }
        return tree;
    }
};

TEST_F(BatchPlan, PlanAndRunAgreeOnAMixedList) {
    const std::string out = dir / "out/";
    std::filesystem::create_directory(out);
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::copy_file(dir / "p1.bmp", dir / "x.dib");
    WriteBytes(dir / "huge.bmp", HugeBitmapHeaders());
    // A name of its own: the trash is shared by the tests of one process.
    std::filesystem::copy_file(dir / "p0.jpg", dir / "plan0.jpg");
    WriteBytes(out + "plan0.jpg", "an older picture");
    WriteListFile(dir / "l.csv",
                  {Entry("plan0.jpg", out), Entry("p1.bmp", out), Entry("gone.jpg", out), Entry("sub", out),
                   Entry("x.dib", out), Entry("huge.bmp", out), Entry("plan0.jpg", out),
                   // reads the output of entry 2
                   "\"" + out + "p1.bmp\",\"" + out + "again-\"", Entry("p2.jpg", out)});
    const std::string list = " --keep-going --list " + (dir / "l.csv");

    const auto before = Tree();
    const CliResult plan = Run("--plan" + list);
    EXPECT_TRUE(Tree() == before) << "a plan writes nothing";
    EXPECT_EQ(plan.status, 1);
    const std::vector<std::string> lines = SplitLines(plan.out);
    ASSERT_EQ(lines.size(), 10u) << plan.out;
    const std::string expected[] = {
        "1/9 plan0.jpg: 書き込む; JPEG; 既存のファイルはごみ箱へ; 元 " + (dir / "plan0.jpg") + "; 出力 " +
            out + "plan0.jpg",
        "2/9 p1.bmp: 書き込む; BMP; 新しいファイル; 元 " + (dir / "p1.bmp") + "; 出力 " + out + "p1.bmp",
        "3/9 gone.jpg: 飛ばす (ファイルがありません); JPEG; -; 元 " + (dir / "gone.jpg") + "; 出力 " + out +
            "gone.jpg",
        "4/9 sub: 飛ばす (フォルダです); 書き出し形式なし; -; 元 " + (dir / "sub") + "; 出力 " + out + "sub",
        "5/9 x.dib: 飛ばす (書き出す形式がありません); 書き出し形式なし; -; 元 " + (dir / "x.dib") +
            "; 出力 " + out + "x.dib",
        "",  // the limit's message, checked below
        "7/9 plan0.jpg: 書き込む; JPEG; 先の項目の出力を置き換える; 元 " + (dir / "plan0.jpg") + "; 出力 " +
            out + "plan0.jpg",
        "8/9 p1.bmp: 書き込む; BMP; 新しいファイル; 元 " + out + "p1.bmp; 出力 " + out + "again-p1.bmp",
        "9/9 p2.jpg: 書き込む; JPEG; 新しいファイル; 元 " + (dir / "p2.jpg") + "; 出力 " + out + "p2.jpg",
        "計画: 書き込む 5, 飛ばす 3, 失敗 1"};
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!expected[i].empty()) {
            EXPECT_EQ(lines[i], expected[i]);
        }
    EXPECT_EQ(
        lines[5].rfind(
            "6/9 huge.bmp: 失敗 (ファイル " + (dir / "huge.bmp") + " の画像 (70000 x 2) は大きすぎます", 0),
        0u)
        << lines[5];

    // The run: the same warnings and failures, the same counts, and the
    // files the plan named.
    const CliResult run = Run("-q -j 2" + list);
    EXPECT_EQ(run.status, plan.status);
    EXPECT_EQ(run.err, plan.err);
    EXPECT_EQ(run.out, "変換終了: 書き込み 5, 飛ばした 3, 失敗 1\n");
    std::set<std::string> planned;
    for (const std::string& line : lines)
        if (line.find(": 書き込む;") != std::string::npos)
            planned.insert(std::filesystem::path(line.substr(line.find("; 出力 ") + 9)).filename());
    std::set<std::string> written;
    for (const auto& [name, bytes] : Files(out)) written.insert(name);
    EXPECT_EQ(written, planned);
    EXPECT_EQ(testing::ReadBytes(testing::TrashFolder() + "/files/plan0.jpg"), "an older picture");
}

TEST_F(BatchPlan, PlanShowsAnExistingFileKeptOrTheRunStopping) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    WriteBytes(out + "/p0.bmp", "keep me");
    const std::string files = " --format bmp --dest " + out + " " + (dir / "p0.jpg") + " " + (dir / "p1.bmp");
    const CliResult skip = Run("--plan --existing skip" + files);
    EXPECT_EQ(skip.status, 3);
    EXPECT_EQ(SplitLines(skip.out).at(0),
              "1/2 p0.jpg: 飛ばす (既に存在します); BMP; 既存のファイルを残す; 元 " + (dir / "p0.jpg") +
                  "; 出力 " + out + "/p0.bmp");
    const CliResult stop = Run("--plan --existing stop" + files);
    EXPECT_EQ(stop.status, 1);
    EXPECT_EQ(stop.out, "1/2 p0.jpg: 失敗 (ファイル " + out + "/p0.bmp は既に存在します); BMP; -; 元 " +
                            (dir / "p0.jpg") + "; 出力 " + out +
                            "/p0.bmp\n計画: 書き込む 0, 飛ばす 0, 失敗 1, 未処理 1\n");
    EXPECT_EQ(testing::ReadBytes(out + "/p0.bmp"), "keep me");
    EXPECT_EQ(Files(out).size(), 1u);
}

}  // namespace
}  // namespace corvane
