#include "app/paths.h"

#include <gtest/gtest.h>

#include "app/letter_case.h"
#include "app/picture_files_mask.h"

namespace corvane {
namespace {

constexpr auto W = PathStyle::Windows;
constexpr auto N = PathStyle::Native;

// "表" is 0x95 0x5C in Shift-JIS: its trail byte is a backslash.
const std::string kHyou = "\x95\x5C";

TEST(PathsWindows, DelimiterRuleSkipsTrailBytes) {
    EXPECT_TRUE(EndsWithDelimiter("C:\\pics\\", W));
    EXPECT_FALSE(EndsWithDelimiter("C:\\pics", W));
    EXPECT_FALSE(EndsWithDelimiter("C:\\" + kHyou, W));
    EXPECT_EQ(IncludeTrailingDelimiter("C:\\" + kHyou, W), "C:\\" + kHyou + "\\");
    EXPECT_EQ(IncludeTrailingDelimiter("C:\\", W), "C:\\");
    EXPECT_EQ(IncludeTrailingDelimiter("C:", W), "C:\\");
    // A trail byte is never mistaken for the last delimiter or hides an extension.
    EXPECT_EQ(ExtractFileName("C:\\pics\\" + kHyou + ".jpg", W), kHyou + ".jpg");
    EXPECT_EQ(ExtractFilePath("C:\\" + kHyou + "\\a.jpg", W), "C:\\" + kHyou + "\\");
    EXPECT_EQ(ExtractFileExt("C:\\x." + kHyou, W), "." + kHyou);
    EXPECT_EQ(ChangeFileExt("C:\\x." + kHyou, ".bmp", W), "C:\\x.bmp");
}

TEST(PathsWindows, NameParts) {
    EXPECT_EQ(ExtractFilePath("C:\\pics\\a.jpg", W), "C:\\pics\\");
    EXPECT_EQ(ExtractFileName("C:a.jpg", W), "a.jpg");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\photo", W), "");
    EXPECT_EQ(ExtractFileExt("C:\\Photo.JPG", W), ".JPG");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\photo", ".bmp", W), "C:\\a.b\\photo.bmp");
    EXPECT_EQ(LowerExt("x.JPEG", W), ".jpeg");
    EXPECT_EQ(ExtractFileDrive("\\\\srv\\share\\a\\b.jpg", W), "\\\\srv\\share");
    EXPECT_EQ(ExtractFileDrive("C:\\a", W), "C:");
}

TEST(PathsWindows, RelativeDisplayPathExamples) {
    EXPECT_EQ(RelativeDisplayPath("C:\\pics\\", "C:\\pics\\out\\a.bmp", W), "out\\a.bmp");
    EXPECT_EQ(RelativeDisplayPath("C:\\pics\\", "C:\\other\\a.bmp", W), "..\\other\\a.bmp");
    EXPECT_EQ(RelativeDisplayPath("C:\\pics\\", "D:\\out\\a.bmp", W), "D:\\out\\a.bmp");
    EXPECT_EQ(RelativeDisplayPath("C:\\pics\\", "c:\\PICS\\a.bmp", W), "a.bmp");
    EXPECT_EQ(RelativeDisplayPath("C:\\a\\b\\c\\", "C:\\a\\x\\y\\n.jpg", W), "..\\..\\x\\y\\n.jpg");
    // A trail byte 0x5C inside a folder name does not split it.
    EXPECT_EQ(RelativeDisplayPath("C:\\" + kHyou + "\\", "C:\\" + kHyou + "\\out\\a.bmp", W), "out\\a.bmp");
}

TEST(PathsWindows, CaseMapsSingleByteLettersOnly) {
    // "ア" 0x83 0x41: the trail byte looks like "A" and must stay.
    EXPECT_EQ(LowerCaseText("D:\\Out\\\x83\x41"
                            "B.JPG",
                            W),
              "d:\\out\\\x83\x41"
              "b.jpg");
    EXPECT_EQ(UpperCaseText("d:\\out\\\x83\x61"
                            "b.jpg",
                            W),
              "D:\\OUT\\\x83\x61"
              "B.JPG");
    EXPECT_TRUE(SameFileName("Pics", "PICS", W));
}

TEST(PathsNative, ColonAndBackslashAreNameCharacters) {
    EXPECT_EQ(ExtractFileName("/photos/10:30.jpg", N), "10:30.jpg");
    EXPECT_EQ(ExtractFilePath("/photos/a\\b.jpg", N), "/photos/");
    EXPECT_EQ(ExtractFileExt("/photos/a.b/photo", N), "");
    EXPECT_EQ(ExtractFileExt("/photos/x:y.Jpeg", N), ".Jpeg");
    EXPECT_EQ(ChangeFileExt("/a.b/photo", ".bmp", N), "/a.b/photo.bmp");
    EXPECT_TRUE(EndsWithDelimiter("/out/", N));
    EXPECT_FALSE(EndsWithDelimiter("C:\\out\\", N));
    EXPECT_EQ(IncludeTrailingDelimiter("/out", N), "/out/");
    EXPECT_EQ(IncludeTrailingDelimiter("/", N), "/");
    EXPECT_EQ(ExtractFileDrive("C:/x", N), "");
}

TEST(PathsNative, RelativeDisplayPathComparesExactly) {
    EXPECT_EQ(RelativeDisplayPath("/home/u/pics/", "/home/u/pics/out/a.bmp", N), "out/a.bmp");
    EXPECT_EQ(RelativeDisplayPath("/home/u/pics/", "/home/u/other/a.bmp", N), "../other/a.bmp");
    EXPECT_EQ(RelativeDisplayPath("/home/u/pics/", "/home/u/pics/a.bmp", N), "a.bmp");
    EXPECT_EQ(RelativeDisplayPath("/home/u/pics/", "/home/u/Pics/a.bmp", N), "../Pics/a.bmp");
    EXPECT_EQ(RelativeDisplayPath("/a/b/", "/x/a.bmp", N), "../../x/a.bmp");
    // A destination without its delimiter joins the name directly.
    EXPECT_EQ(RelativeDisplayPath("/pics/", "/outa.jpg", N), "../outa.jpg");
}

TEST(PathsNative, CaseIsUnicodeAwareAndKeepsInvalidBytes) {
    EXPECT_EQ(UpperCaseText("photo é ω ж.jpg", N), "PHOTO É Ω Ж.JPG");
    EXPECT_EQ(LowerCaseText("PHOTO É Ω Ж.JPG", N), "photo é ω ж.jpg");
    EXPECT_EQ(UpperCaseText("写真ａ.jpg", N), "写真Ａ.JPG");
    EXPECT_FALSE(SameFileName("Pics", "PICS", N));
}

// A name that is not UTF-8 as a whole keeps every byte: its ASCII-looking
// bytes may be trail bytes of another encoding. Shift-JIS アイ is 83 41 83 43,
// whose 41 and 43 read as "A" and "C".
TEST(PathsNative, CaseLeavesNamesThatAreNotUtf8AsTheyAre) {
    for (const std::string name : {"\x83\x41\x83\x43.JPG", "caf\xE9\xC3.jpg",
                                   "\xC3\xA9\xFF"
                                   "Ab.Jpg",
                                   "\xC0\xAF"
                                   "A\xED\xA0\x80"}) {
        EXPECT_EQ(UpperCaseText(name, N), name);
        EXPECT_EQ(LowerCaseText(name, N), name);
    }
    // The same bytes as UTF-8 é are mapped.
    EXPECT_EQ(UpperCaseText("\xC3\xA9.jpg", N), "\xC3\x89.JPG");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The window's mask keeps its own patterns, "*jpg" included, and gains each
// further extension a reader takes once.
TEST(PictureFilesMask, AddsTheExtensionsOfTheFurtherFormatsOnce) {
    EXPECT_EQ(PictureFilesMask("*.bmp;*jpg;*.jpeg"),
              "*.bmp;*jpg;*.jpeg;*.png;*.tif;*.tiff;*.webp;*.gif;*.heic;*.heif;*.avif");
    EXPECT_EQ(PictureFilesMask("*.BMP;*.JPG;*.JPEG;*.PNG"),
              "*.BMP;*.JPG;*.JPEG;*.PNG;*.tif;*.tiff;*.webp;*.gif;*.heic;*.heif;*.avif");
}

}  // namespace
}  // namespace corvane
