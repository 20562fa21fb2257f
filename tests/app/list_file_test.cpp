#include "app/list_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "app/batch_list_ops.h"
#include "imaging/errors.h"
#include "test_files.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
using Lines = std::vector<std::string>;

TEST(ListText, LineEndsNulAndByteOrderMark) {
    EXPECT_EQ(SplitListText("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListText("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListText("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListText("a\r\n\r\nb\n\rc"), (Lines{"a", "", "b", "", "c"}));
    EXPECT_EQ(SplitListText(""), Lines{});
    EXPECT_EQ(SplitListText("\r\n"), Lines{""});
    EXPECT_EQ(SplitListText(std::string("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListText("\xEF\xBB\xBF\"a\",\"b\"\r\n"), Lines{"\"a\",\"b\""});
    EXPECT_EQ(JoinListText({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(ListFile, RoundTripKeepsBytes) {
    TempFolder dir;
    // Latin-1 and Shift-JIS bytes are not UTF-8; they must come back unchanged.
    const Lines entries{"\"/p/caf\xE9.jpg\",\"/o/\"", "", "\"/p/\x95\x5C.jpg\",\"/o/\""};
    WriteListFile(dir / "list.csv", entries);
    EXPECT_EQ(ReadBytes(dir / "list.csv"), JoinListText(entries));
    EXPECT_EQ(ReadListFile(dir / "list.csv"), entries);
}

TEST(ListFile, LoadFailureLeavesEmptyListAndSaveFailureKeepsOldFile) {
    TempFolder dir;
    TBatchList list{"x", "y"};
    try {
        LoadList(list, dir / "missing.csv");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ファイル " + (dir / "missing.csv") + " は開けません: " + SystemErrorText(ENOENT));
    }
    EXPECT_TRUE(list.empty());

    SaveList(list, dir / "empty.csv");  // an empty list saves nothing
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.csv"));

    WriteBytes(dir / "old.csv", "old\r\n");
    EXPECT_THROW(SaveList({"new"}, dir / "no-such-folder/old.csv"), EFCreateError);
    if (::geteuid() != 0) {  // root writes into read-only folders anyway
        ::chmod(dir.Dir().c_str(), 0500);
        EXPECT_THROW(SaveList({"new"}, dir / "old.csv"), EFCreateError);
        ::chmod(dir.Dir().c_str(), 0700);
        EXPECT_EQ(ReadBytes(dir / "old.csv"), "old\r\n");
    }
    SaveList({"new"}, dir / "old.csv");
    LoadList(list, dir / "old.csv");
    EXPECT_EQ(list, TBatchList{"new"});
}

TEST(ListFile, FolderOrFifoIsNotAListFile) {
    TempFolder dir;
    TBatchList list{"x"};
    EXPECT_THROW(LoadList(list, dir.Dir()), EFOpenError);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_THROW(LoadList(list, dir / "fifo"), EFOpenError);
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace corvane
