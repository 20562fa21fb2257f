// Real files through the runner with the window-less host.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "app/batch_entry.h"
#include "app/batch_runner.h"
#include "app/entry_conversion.h"
#include "app/parallel_batch.h"
#include "app/plain_runner_host.h"
#include "imagefiles/bmp_reader.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "imaging/BitmapUtils.h"
#include "imaging/errors.h"
#include "test_files.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// A 24-bit picture with a different colour in every pixel.
std::unique_ptr<TBitmap> Pattern(int w, int h) {
    auto p = std::make_unique<TBitmap>();
    p->SetPixelFormat(TPixelFormat::pf24bit);
    p->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = p->ScanLine(y) + 3 * x;
            px[0] = static_cast<std::uint8_t>(x * 13 + y * 3);
            px[1] = static_cast<std::uint8_t>(y * 17 + x);
            px[2] = static_cast<std::uint8_t>(x * y + 40);
        }
    return p;
}

std::string Entry(const std::string& source, const std::string& dest) {
    return MakeEntry(ExtractFilePath(source, PathStyle::Native), ExtractFileName(source, PathStyle::Native),
                     dest);
}

TConversionSettings Neutral() {
    TConversionSettings s;
    s.Gamma = 10;
    return s;
}

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "out");
        WriteBitmapFile(*Pattern(20, 12), dir / "wide.bmp");
        WriteJPEGFile(*Pattern(12, 20), dir / "tall.jpg", 90, false);
    }
    std::string Out() const { return dir / "out/"; }

    TempFolder dir;
    PlainRunnerHost host;
};

TEST_F(BatchRun, EveryTransformRowWritesWhatItsOperationGives) {
    struct Row {
        const char* name;
        TConversionSettings settings;
    };
    TConversionSettings tone = Neutral(), turn = Neutral(), both, copy = Neutral();
    tone.Brightness = 40;
    turn.Angle = 300;
    turn.Mirror = true;
    both.AutoTurn = TAutoTurn::Upright;  // 20 x 12 is lying: +900
    both.Angle = 300;
    copy.AutoTurn = TAutoTurn::Upright;
    copy.Angle = -900;  // cancels the auto turn: an exact copy
    const std::unique_ptr<TBitmap> source = ReadBitmapFile(dir / "wide.bmp");

    const std::vector<std::pair<TConversionSettings, std::unique_ptr<TBitmap>>> rows = [&] {
        std::vector<std::pair<TConversionSettings, std::unique_ptr<TBitmap>>> r;
        r.emplace_back(tone, ToneGammaBitmap(*source, 40, 0, 10, 10, true));
        r.emplace_back(turn, RotateBitmap(*source, 300, true, true, clWhite));
        r.emplace_back(both, RotateToneGammaBitmap(*source, 1200, false, true, 0, 0, 10, 45, true, clWhite));
        r.emplace_back(copy, source->Clone());
        return r;
    }();
    for (const auto& [settings, expected] : rows) {
        host.List = {Entry(dir / "wide.bmp", Out())};
        ASSERT_TRUE(RunBatch(host, settings)) << host.ErrorText;
        EXPECT_EQ(ReadBytes(Out() + "wide.bmp"), [&] {
            const auto bytes = EncodeBitmap(*expected);
            return std::string(bytes.begin(), bytes.end());
        }());
    }
    // The exact copy of a bitmap file is the file itself.
    EXPECT_EQ(ReadBytes(Out() + "wide.bmp"), ReadBytes(dir / "wide.bmp"));
}

TEST_F(BatchRun, JpegAndBitmapInJpegAndBitmapOut) {
    TConversionSettings s;  // defaults: gamma 1.8 inverse
    s.SaveFormat = ".jpg";
    host.List = {Entry(dir / "wide.bmp", Out()), Entry(dir / "tall.jpg", Out())};
    ASSERT_TRUE(RunBatch(host, s)) << host.ErrorText;
    s.SaveFormat = ".bmp";
    host.List = {Entry(dir / "wide.bmp", Out()), Entry(dir / "tall.jpg", Out())};
    ASSERT_TRUE(RunBatch(host, s)) << host.ErrorText;

    const auto jpegFromBmp = ReadJPEGFile(Out() + "wide.jpg");
    const auto bmpFromJpeg = ReadBitmapFile(Out() + "tall.bmp");
    EXPECT_EQ(jpegFromBmp->Width(), 20);
    EXPECT_EQ(bmpFromJpeg->Height(), 20);
    // The bitmap holds exactly the gamma of the decoded JPEG.
    const auto expected = ToneGammaBitmap(*ReadJPEGFile(dir / "tall.jpg"), 0, 0, 10, 45, true);
    const auto bytes = EncodeBitmap(*expected);
    EXPECT_EQ(ReadBytes(Out() + "tall.bmp"), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(ReadBytes(Out() + "wide.jpg").substr(0, 2), "\xFF\xD8");
}

TEST_F(BatchRun, ProgressLinesWindowAndEnd) {
    host.List = {Entry(dir / "wide.bmp", Out())};
    host.Pending = {dir.Dir(), dir.Dir(), {"tall.jpg"}};  // appended after the list
    TConversionSettings s;
    s.SaveFormat = ".bmp";
    ASSERT_TRUE(RunBatch(host, s)) << host.ErrorText;
    EXPECT_EQ(host.Caption, "FILE画像変換状況");
    EXPECT_EQ(host.RangeMax, 2);
    EXPECT_EQ(host.Position, 2);
    EXPECT_EQ(host.ProgressLog, (std::vector<std::string>{
                                    "準備中\n", "1/2  From File: wide.bmp\n        To File : out/wide.bmp",
                                    "2/2  From File: tall.jpg\n        To File : tall.bmp"}));
    EXPECT_FALSE(host.ProgressShown);
    EXPECT_EQ(host.ProgressCreated, 1);
    EXPECT_FALSE(host.WaitCursor);
    EXPECT_TRUE(host.List.empty());
    EXPECT_EQ(host.Beeps, 1);
    EXPECT_EQ(host.FinishedText, "変換終了");
    EXPECT_TRUE(std::filesystem::exists(dir / "tall.bmp"));
}

TEST_F(BatchRun, EmptyListStillBeepsWithoutProgressWindow) {
    ASSERT_TRUE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ProgressCreated, 0);
    EXPECT_TRUE(host.RunButtonDisabled);
    EXPECT_EQ(host.Beeps, 1);
    EXPECT_EQ(host.FinishedText, "変換終了");
}

TEST_F(BatchRun, MissingFolderAndFifoSourcesAreSkipped) {
    std::filesystem::create_directory(dir / "folder.jpg");
    ASSERT_EQ(::mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    host.List = {Entry(dir / "gone.jpg", Out()), Entry(dir / "fifo.jpg", Out()),
                 Entry(dir / "folder.jpg", Out()), Entry(dir / "tall.jpg", Out())};
    ASSERT_TRUE(RunBatch(host, TConversionSettings{})) << host.ErrorText;
    EXPECT_EQ(host.ProgressLog.size(), 5u);
    EXPECT_EQ(host.Position, 4);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out()), {}), 1);
    EXPECT_TRUE(std::filesystem::exists(Out() + "tall.jpg"));
}

// The failing entry is named before the message, and the list keeps the
// failing entry and those after it: re-running converts each picture once.
TEST_F(BatchRun, FailureAtEntryThreeOfFiveKeepsTheEntriesNotDone) {
    WriteBytes(dir / "bad.bmp", "not a bitmap at all");
    WriteJPEGFile(*Pattern(8, 8), dir / "d.jpg", 90, false);
    host.List = {Entry(dir / "wide.bmp", Out()), Entry(dir / "tall.jpg", Out()),
                 Entry(dir / "bad.bmp", Out()), Entry(dir / "d.jpg", Out()),
                 Entry(dir / "wide.bmp", dir / "elsewhere/")};
    const auto before = host.List;
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ErrorText, "3/5 bad.bmp: ビットマップイメージが不正です.");
    EXPECT_TRUE(std::filesystem::exists(Out() + "wide.bmp"));
    EXPECT_TRUE(std::filesystem::exists(Out() + "tall.jpg"));
    EXPECT_FALSE(std::filesystem::exists(Out() + "bad.bmp"));
    EXPECT_FALSE(std::filesystem::exists(Out() + "d.jpg"));
    EXPECT_EQ(host.List, std::vector<std::string>(before.begin() + 2, before.end()));
    EXPECT_EQ(host.Beeps, 0);
    EXPECT_EQ(host.FinishedText, "");
    EXPECT_FALSE(host.ProgressShown);
    EXPECT_FALSE(host.WaitCursor);
    EXPECT_EQ(host.RefreshCount, 1);
    EXPECT_EQ(host.ProgressLog.size(), 4u);  // nothing after entry 3
    // Nothing but the outputs is left in the folder (no temporary files).
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out()), {}), 2);
}

TEST_F(BatchRun, ListErrorsAndCreateErrorsEndTheRun) {
    host.List = {"\"" + (dir / "wide.bmp") + "\""};
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ErrorText, "1/1: リストのインデックスが範囲を超えています (1)");
    host.List = {""};
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ErrorText, "1/1: リストのインデックスが範囲を超えています (0)");
    host.List = {Entry(dir / "wide.bmp", dir / "no-such-folder/")};
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ErrorText, "1/1 wide.bmp: ファイル " + (dir / "no-such-folder/wide.bmp") +
                                  " を作成できません: " + SystemErrorText(ENOENT) + ".");
    EXPECT_EQ(host.List.size(), 1u);
}

TEST_F(BatchRun, SettingsOutOfRangeTouchNothing) {
    host.List = {Entry(dir / "wide.bmp", Out())};
    host.Pending = {dir.Dir(), Out(), {"tall.jpg"}};
    TConversionSettings s;
    s.Gamma = 28;
    EXPECT_FALSE(RunBatch(host, s));
    EXPECT_EQ(host.ErrorText, "ガンマ補正の値 2.8 は範囲外です (0.1 .. 2.7)");
    EXPECT_EQ(host.List.size(), 1u);
    EXPECT_EQ(host.Pending.Files.size(), 1u);
    EXPECT_FALSE(host.RunButtonDisabled);
    EXPECT_EQ(host.ProgressCreated, 0);
    EXPECT_TRUE(std::filesystem::is_empty(Out()));

    // A selected name that cannot be an entry is refused the same way.
    host.Pending = {dir.Dir(), Out(), {"tall.jpg", "line\nbreak.jpg"}};
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.List.size(), 1u);
    EXPECT_FALSE(host.RunButtonDisabled);
    EXPECT_TRUE(std::filesystem::is_empty(Out()));
}

TEST_F(BatchRun, LaterEntryWinsOnTheSameOutputAndSelfConversionIsSafe) {
    WriteBitmapFile(*Pattern(5, 5), dir / "wide.jpg.bmp");
    WriteBitmapFile(*Pattern(7, 3), dir / "tall.bmp");
    TConversionSettings s = Neutral();
    s.SaveFormat = ".bmp";
    host.List = {Entry(dir / "tall.jpg", Out()), Entry(dir / "tall.bmp", Out())};
    ASSERT_TRUE(RunBatch(host, s));
    EXPECT_EQ(ReadBytes(Out() + "tall.bmp"), ReadBytes(dir / "tall.bmp"));

    // A source converted onto itself is replaced by its converted picture.
    s.Brightness = 30;
    s.SaveFormat = "AUTO";
    const auto expected =
        EncodeBitmap(*ToneGammaBitmap(*ReadBitmapFile(dir / "wide.bmp"), 30, 0, 10, 10, true));
    host.List = {Entry(dir / "wide.bmp", dir.Dir())};
    ASSERT_TRUE(RunBatch(host, s));
    EXPECT_EQ(ReadBytes(dir / "wide.bmp"), std::string(expected.begin(), expected.end()));
}

TEST_F(BatchRun, ReaderChosenByExtensionAlone) {
    std::filesystem::copy_file(dir / "tall.jpg", dir / "x.JPEG");
    std::filesystem::copy_file(dir / "tall.jpg", dir / "y.dib");
    std::filesystem::copy_file(dir / "tall.jpg", dir / "z.gif");
    host.List = {Entry(dir / "x.JPEG", Out())};
    ASSERT_TRUE(RunBatch(host, TConversionSettings{})) << host.ErrorText;
    EXPECT_TRUE(std::filesystem::exists(Out() + "x.JPEG"));
    // Read as a bitmap, which it is not; "AUTO" would write nothing anyway.
    host.List = {Entry(dir / "y.dib", Out())};
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ErrorText, "1/1 y.dib: ビットマップイメージが不正です.");
    // A format's own extension takes its reader, whatever the bytes are.
    host.List = {Entry(dir / "z.gif", Out())};
    EXPECT_FALSE(RunBatch(host, TConversionSettings{}));
    EXPECT_EQ(host.ErrorText,
              "1/1 z.gif: ファイル " + (dir / "z.gif") + " は GIF として読めません: Data is not in GIF format.");
}

TEST_F(BatchRun, StaleTemporariesGoFromTheFoldersWrittenTo) {
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    std::string stale = ".corvane-";  // a killed run's, an hour old
    stale += std::to_string(gone);
    stale += "-Ab12Cd";
    for (const int jobs : {1, 2}) {
        for (const std::string& folder : {Out(), dir.Dir()}) {
            WriteBytes(folder + stale, "partial");
            const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (folder + stale).c_str(), times, 0), 0);
        }
        host.List = {Entry(dir / "wide.bmp", Out())};
        ASSERT_TRUE(RunBatchParallel(host, Neutral(), jobs)) << host.ErrorText;
        EXPECT_FALSE(std::filesystem::exists(Out() + stale)) << jobs;
    }
    EXPECT_TRUE(std::filesystem::exists(dir / stale)) << "a folder the run does not write to is left alone";
}

TEST_F(BatchRun, AnEntryReadingThePreviousOutputFindsItWritten) {
    // The previous output's flush may still be running: it takes its name first.
    std::filesystem::create_directory(dir / "again");
    const auto TrashedFiles = [] {
        std::error_code ec;
        return std::distance(std::filesystem::directory_iterator(testing::TrashFolder() + "/files", ec), {});
    };
    const auto trashedBefore = TrashedFiles();
    host.List = {Entry(dir / "wide.bmp", Out()), Entry(Out() + "wide.bmp", dir / "again/"),
                 Entry(dir / "tall.jpg", Out()), Entry(dir / "tall.jpg", Out())};
    ASSERT_TRUE(RunBatch(host, Neutral())) << host.ErrorText;
    EXPECT_EQ(ReadBytes(dir / "again/wide.bmp"), ReadBytes(dir / "wide.bmp")) << "a copy of a copy";
    EXPECT_TRUE(host.Skipped.empty());
    EXPECT_EQ(TrashedFiles(), trashedBefore) << "an output of this run is replaced, not trashed";
}

// A 24-bit bitmap file's headers declaring width x height, and `rows` rows of pixels.
std::string BitmapHeaders(std::uint32_t width, std::uint32_t height, std::uint32_t rows) {
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::string b = "BM";
    const auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b += static_cast<char>(i < 4 ? v >> (8 * i) : 0);
    };
    put(54 + stride * rows, 4), put(0, 4), put(54, 4);
    put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);
    b.append(24, '\0');
    b.resize(54 + static_cast<std::size_t>(stride) * rows, '\x40');
    return b;
}

TEST_F(BatchRun, PicturesBeyondTheLimitsAreRefusedByNameBeforeDecoding) {
    WriteBytes(dir / "huge.bmp", BitmapHeaders(70000, 2, 0));
    WriteBytes(dir / "long.bmp", BitmapHeaders(65501, 1, 1));  // a bitmap can hold it, JPEG cannot
    TConversionSettings toJpeg = Neutral();
    toJpeg.SaveFormat = ".jpg";
    for (const int jobs : {1, 2}) {
        host.List = {Entry(dir / "wide.bmp", Out()), Entry(dir / "huge.bmp", Out())};
        EXPECT_FALSE(RunBatchParallel(host, Neutral(), jobs));
        EXPECT_EQ(host.ErrorText, "2/2 huge.bmp: ファイル " + (dir / "huge.bmp") +
                                      " の画像 (70000 x 2) は大きすぎます: 1 辺 65535 画素、全体で 268435456 "
                                      "画素までです.");
        EXPECT_TRUE(std::filesystem::exists(Out() + "wide.bmp")) << "the entry before is written";

        host.List = {Entry(dir / "long.bmp", Out())};
        EXPECT_FALSE(RunBatchParallel(host, toJpeg, jobs));
        EXPECT_EQ(host.ErrorText, "1/1 long.bmp: ファイル " + Out() +
                                      "long.jpg は JPEG で書けません: 画像 (65501 x 1) の 1 辺が JPEG の上限 "
                                      "65500 画素を超えます.");
        host.List = {Entry(dir / "long.bmp", Out())};
        EXPECT_TRUE(RunBatchParallel(host, Neutral(), jobs)) << host.ErrorText;
    }
}

}  // namespace
}  // namespace corvane
