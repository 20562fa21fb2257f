#include <gtest/gtest.h>

#include "app/batch_entry.h"
#include "app/batch_list_ops.h"
#include "app/errors.h"

namespace corvane {
namespace {

using Fields = std::vector<std::string>;

TEST(MakeEntry, WindowsExamples) {
    EXPECT_EQ(MakeEntry("C:\\pics", "a.jpg", "D:\\out", PathStyle::Windows),
              "\"C:\\pics\\a.jpg\",\"D:\\out\\\"");
    EXPECT_EQ(MakeEntry("C:\\", "a.jpg", "D:\\out\\", PathStyle::Windows), "\"C:\\a.jpg\",\"D:\\out\\\"");
}

TEST(MakeEntry, NativeQuotesDoubledAndReadBack) {
    EXPECT_EQ(MakeEntry("/pics", "a.jpg", "/out"), "\"/pics/a.jpg\",\"/out/\"");
    const std::string entry = MakeEntry("/my \"best\" pics/", "say \"hi\", ok.jpg", "/o\"ut");
    EXPECT_EQ(SplitCommaText(entry), (Fields{"/my \"best\" pics/say \"hi\", ok.jpg", "/o\"ut/"}));
}

TEST(MakeEntry, RefusesLineBreaks) {
    EXPECT_THROW(MakeEntry("/pics", "a\nb.jpg", "/out"), EEntryError);
    EXPECT_THROW(MakeEntry("/pics", "a.jpg", "/o\rut"), EEntryError);
    // The whole selection is refused, not half of it.
    TBatchList list{"x"};
    TFileSelection sel{"/pics", "/out", {"a.jpg", "b\n.jpg"}};
    EXPECT_THROW(AddSelection(list, sel), EEntryError);
    EXPECT_EQ(list, TBatchList{"x"});
}

TEST(SplitCommaText, Rules) {
    EXPECT_EQ(SplitCommaText("\"C:\\pics\\a.jpg\",\"D:\\out\\\""), (Fields{"C:\\pics\\a.jpg", "D:\\out\\"}));
    EXPECT_EQ(SplitCommaText("  \"a b\" ,  c d,e"), (Fields{"a b", "c", "d", "e"}));
    EXPECT_EQ(SplitCommaText("\"a\"\"b\""), (Fields{"a\"b"}));
    EXPECT_EQ(SplitCommaText(",b"), (Fields{"", "b"}));
    EXPECT_EQ(SplitCommaText("\"a\",\"\""), (Fields{"a", ""}));
    EXPECT_EQ(SplitCommaText("\"open to the end"), (Fields{"open to the end"}));
    EXPECT_EQ(SplitCommaText("\t\x01 "), Fields{});
    EXPECT_EQ(SplitCommaText(""), Fields{});
    EXPECT_EQ(SplitCommaText(std::string("a,b\0c", 5)), (Fields{"a", "b"}));
}

TEST(BatchListOps, AddDeleteClearAndRules) {
    TBatchList list;
    AddSelection(list, {"/pics", "/out/", {"a.jpg", "b.jpg"}});
    AddSelection(list, {"/pics/", "/out", {"a.jpg"}});
    EXPECT_EQ(list, (TBatchList{"\"/pics/a.jpg\",\"/out/\"", "\"/pics/b.jpg\",\"/out/\"",
                                "\"/pics/a.jpg\",\"/out/\""}));
    DeleteSelected(list, {true, false, true});
    EXPECT_EQ(list, TBatchList{"\"/pics/b.jpg\",\"/out/\""});
    DeleteSelected(list, {});
    EXPECT_EQ(list.size(), 1u);
    ClearList(list);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(RunButtonEnabled(0, 0));
    EXPECT_TRUE(RunButtonEnabled(1, 0));
    EXPECT_TRUE(RunButtonEnabled(0, 1));
    EXPECT_EQ(CountLabelText(2, 3), "5");
}

}  // namespace
}  // namespace corvane
