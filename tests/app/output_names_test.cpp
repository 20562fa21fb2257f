#include <gtest/gtest.h>

#include "app/output_writer.h"

namespace corvane {
namespace {

constexpr auto W = PathStyle::Windows;
constexpr auto B = TWriterKind::Bitmap;
constexpr auto J = TWriterKind::JPEG;
constexpr auto None = TWriterKind::None;

struct NameCaseRow {
    const char* format;
    TNameCase nameCase;
    const char* path;
    TWriterKind writer;
};

TEST(OutputNames, WindowsTableForPhotoJPG) {
    const NameCaseRow rows[] = {
        {"AUTO", TNameCase::None, "D:\\Out\\Photo.JPG", J},
        {"AUTO", TNameCase::Lower, "d:\\out\\photo.jpg", J},
        {".bmp", TNameCase::None, "D:\\Out\\Photo.bmp", B},
        {".bmp", TNameCase::Upper, "D:\\OUT\\PHOTO.BMP", B},
        {".jpg", TNameCase::Lower, "d:\\out\\photo.jpg", J},
    };
    for (const auto& r : rows)
        EXPECT_EQ(OutputPathFor("D:\\Out\\", "Photo.JPG", r.format, r.nameCase, W),
                  (TOutputTarget{r.path, r.writer}))
            << r.format << " " << static_cast<int>(r.nameCase);
}

TEST(OutputNames, NativeTableMapsTheFileNameOnly) {
    const NameCaseRow rows[] = {
        {"AUTO", TNameCase::None, "/Out/Photo.JPG", J},  {"AUTO", TNameCase::Lower, "/Out/photo.jpg", J},
        {".bmp", TNameCase::None, "/Out/Photo.bmp", B},  {".bmp", TNameCase::Upper, "/Out/PHOTO.BMP", B},
        {".jpg", TNameCase::Lower, "/Out/photo.jpg", J}, {".jpg", TNameCase::None, "/Out/Photo.jpg", J},
    };
    for (const auto& r : rows)
        EXPECT_EQ(OutputPathFor("/Out/", "Photo.JPG", r.format, r.nameCase),
                  (TOutputTarget{r.path, r.writer}))
            << r.format << " " << static_cast<int>(r.nameCase);
}

TEST(OutputNames, AutoKeepsTheSpelledExtensionOrWritesNothing) {
    EXPECT_EQ(OutputPathFor("/o/", "x.jpeg", "AUTO", TNameCase::None), (TOutputTarget{"/o/x.jpeg", J}));
    EXPECT_EQ(OutputPathFor("/o/", "x.Bmp", "AUTO", TNameCase::None), (TOutputTarget{"/o/x.Bmp", B}));
    EXPECT_EQ(OutputPathFor("/o/", "x.dib", "AUTO", TNameCase::None).Writer, None);
    EXPECT_EQ(OutputPathFor("/o/", "photojpg", "AUTO", TNameCase::None).Writer, None);
    // The format is compared exactly: anything else writes nothing.
    for (const char* f : {".gif", "auto", ".BMP", ".JPG", ".PNG", ".jpeg", ""})
        EXPECT_EQ(OutputPathFor("/o/", "a.jpg", f, TNameCase::None).Writer, None) << f;
}

// Every save format changes the extension; under AUTO a source keeps its
// spelled extension when its format can be written, and writes nothing else.
TEST(OutputNames, EveryWritableFormatByItsExtension) {
    const struct {
        const char* format;
        const char* source;
        const char* path;
        TWriterKind writer;
    } rows[] = {
        {".png", "Photo.JPG", "/o/Photo.png", TWriterKind::PNG},
        {".png", "a.png", "/o/a.png", TWriterKind::PNG},
        {"AUTO", "x.PNG", "/o/x.PNG", TWriterKind::PNG},
        {".bmp", "x.png", "/o/x.bmp", B},
        {".jpg", "x.png", "/o/x.jpg", J},
        {".tif", "x.png", "/o/x.tif", TWriterKind::TIFF},
        {"AUTO", "Scan.TIFF", "/o/Scan.TIFF", TWriterKind::TIFF},
        {".webp", "x.tif", "/o/x.webp", TWriterKind::WebP},
        {"AUTO", "x.webp", "/o/x.webp", TWriterKind::WebP},
        {"AUTO", "x.gif", "/o/x.gif", None},  // read only
        {".png", "x.gif", "/o/x.png", TWriterKind::PNG},
        {".avif", "x.heic", "/o/x.avif", TWriterKind::AVIF},
        {"AUTO", "x.AVIF", "/o/x.AVIF", TWriterKind::AVIF},
        {"AUTO", "x.heic", "/o/x.heic", None},  // HEVC is read, not written
    };
    for (const auto& r : rows)
        EXPECT_EQ(OutputPathFor("/o/", r.source, r.format, TNameCase::None),
                  (TOutputTarget{r.path, r.writer}))
            << r.format << " " << r.source;
}

TEST(OutputNames, DestinationWithoutDelimiterJoinsDirectly) {
    EXPECT_EQ(OutputPathFor("/out", "a.jpg", ".bmp", TNameCase::Upper), (TOutputTarget{"/OUTA.BMP", B}));
    EXPECT_EQ(OutputPathFor("D:\\out", "a.jpg", ".bmp", TNameCase::None, W),
              (TOutputTarget{"D:\\outa.bmp", B}));
}

TEST(OutputNames, MultibyteNamesStayIntact) {
    EXPECT_EQ(OutputPathFor("/写真/", "Ärger ω.JPG", ".jpg", TNameCase::Upper),
              (TOutputTarget{"/写真/ÄRGER Ω.JPG", J}));
    EXPECT_EQ(OutputPathFor("/写真/", "Ärger ω.JPG", "AUTO", TNameCase::Lower),
              (TOutputTarget{"/写真/ärger ω.jpg", J}));
    // A Shift-JIS name in the Windows style: only single-byte letters change.
    EXPECT_EQ(OutputPathFor("C:\\\x95\x5C\\", "\x83\x41.Jpg", "AUTO", TNameCase::Lower, W),
              (TOutputTarget{"c:\\\x95\x5C\\\x83\x41.jpg", J}));
}

// The Shift-JIS name アイ.JPG (83 41 83 43) keeps its bytes under either case
// rule; only a new extension is spelled as the save format gives it.
TEST(OutputNames, NameThatIsNotUtf8KeepsItsBytes) {
    const std::string name = "\x83\x41\x83\x43.JPG";
    EXPECT_EQ(OutputPathFor("/o/", name, "AUTO", TNameCase::Lower).Path, "/o/" + name);
    EXPECT_EQ(OutputPathFor("/o/", name, "AUTO", TNameCase::Upper).Path, "/o/" + name);
    EXPECT_EQ(OutputPathFor("/o/", name, ".bmp", TNameCase::Upper).Path, "/o/\x83\x41\x83\x43.bmp");
}

}  // namespace
}  // namespace corvane
