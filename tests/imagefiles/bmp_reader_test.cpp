#include "imagefiles/bmp_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "imaging/errors.h"
#include "tests/imagefiles/bmp_test_util.h"

namespace corvane {
namespace {

using testing::BmpLayout;
using testing::BuildBmp;
using testing::PixelRgb;
using testing::Rgb;

// 2 x 2, 24 bits, bottom-up: blue and white in the stored first (bottom)
// row, red and green on top; each row padded from 6 to 8 bytes.
constexpr std::array<std::uint8_t, 70> kRgb24TwoByTwo = {
    'B', 'M', 70, 0,   0,   0,   0, 0, 0, 0, 54,  0, 0,   0,                     // file header
    40,  0,   0,  0,   2,   0,   0, 0, 2, 0, 0,   0, 1,   0, 24, 0, 0, 0, 0, 0,  // size .. compression
    16,  0,   0,  0,   0,   0,   0, 0, 0, 0, 0,   0, 0,   0, 0,  0, 0, 0, 0, 0,  // image size .. important
    255, 0,   0,  255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0,  0,              // rows
};
static_assert(kRgb24TwoByTwo.size() == 14 + 40 + 2 * 8);

std::unique_ptr<TBitmap> Read(std::span<const std::uint8_t> bytes) { return ReadBitmapFromMemory(bytes); }

std::vector<std::uint8_t> Gray4Table(int entries) {
    std::vector<std::uint8_t> t(4 * static_cast<std::size_t>(entries));
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = (i % 4 == 3) ? 0 : static_cast<std::uint8_t>(i / 4);
    return t;
}

TEST(BmpReader, EmptyFileGivesEmptyPicture) {
    auto p = Read({});
    EXPECT_EQ(p->Width(), 0);
    EXPECT_EQ(p->Height(), 0);
}

TEST(BmpReader, FilesShorterThanTheFileHeaderAreReadErrors) {
    for (std::size_t n : {1, 2, 13}) EXPECT_THROW(Read(std::span(kRgb24TwoByTwo).first(n)), EReadError) << n;
}

TEST(BmpReader, ForeignSignatureIsNotABitmap) {
    const std::string text = "This is a text file, not a picture.";
    try {
        Read(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "ビットマップイメージが不正です");
    }
}

TEST(BmpReader, BottomUpRowsComeOutTopFirst) {
    auto p = Read(kRgb24TwoByTwo);
    EXPECT_EQ(p->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_FALSE(p->TopDown());
    EXPECT_FALSE(p->CoreHeader());
    EXPECT_TRUE(p->Palette().empty());
    EXPECT_EQ(PixelRgb(*p, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelRgb(*p, 1, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelRgb(*p, 0, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelRgb(*p, 1, 1), (Rgb{255, 255, 255}));
    // Straight into storage, padding included.
    EXPECT_EQ(std::memcmp(p->Bits(), kRgb24TwoByTwo.data() + 54, 16), 0);
}

TEST(BmpReader, TopDownFileStaysTopDown) {
    std::vector<std::uint8_t> bytes(kRgb24TwoByTwo.begin(), kRgb24TwoByTwo.end());
    bytes[22] = 0xFE, bytes[23] = bytes[24] = bytes[25] = 0xFF;  // height -2
    auto p = Read(bytes);
    EXPECT_TRUE(p->TopDown());
    EXPECT_EQ(p->Height(), 2);
    EXPECT_EQ(PixelRgb(*p, 0, 0), (Rgb{0, 0, 255}));  // the first stored row is now the top
    EXPECT_EQ(std::memcmp(p->Bits(), bytes.data() + 54, 16), 0);
}

TEST(BmpReader, HeaderChecksRefuseWithTheBitmapMessage) {
    struct Case {
        const char* what;
        BmpLayout layout;
    };
    auto with = [](auto change) {
        BmpLayout s;
        s.pixels.assign(16, 0);
        change(s);
        return s;
    };
    const Case cases[] = {
        {"planes 0", with([](BmpLayout& s) { s.planes = 0; })},
        {"0 bits", with([](BmpLayout& s) { s.bitCount = 0; })},
        {"bit fields at 8 bits", with([](BmpLayout& s) {
             s.bitCount = 8, s.compression = 3, s.masks = {1, 2, 4};
         })},
        {"RLE8 at 4 bits", with([](BmpLayout& s) { s.bitCount = 4, s.compression = 1; })},
        {"RLE4 at 8 bits", with([](BmpLayout& s) { s.bitCount = 8, s.compression = 2; })},
        {"top-down RLE8", with([](BmpLayout& s) {
             s.bitCount = 8, s.compression = 1, s.height = -2, s.colourTable = Gray4Table(2);
         })},
        {"width beyond 65535", with([](BmpLayout& s) { s.width = 65536, s.height = 1; })},
        {"height beyond 65535", with([](BmpLayout& s) { s.width = 1, s.height = 65536; })},
        {"more than 2^28 pixels", with([](BmpLayout& s) { s.width = 16385, s.height = 16385; })},
        {"most negative height", with([](BmpLayout& s) { s.height = INT32_MIN; })},
    };
    for (const Case& c : cases) EXPECT_THROW(Read(BuildBmp(c.layout)), EInvalidGraphic) << c.what;
}

TEST(BmpReader, CutShortMasksAndColourTablesAreReadErrors) {
    BmpLayout masks;
    masks.bitCount = 16, masks.compression = 3, masks.masks = {0xF800, 0x07E0};  // one mask short
    EXPECT_THROW(Read(BuildBmp(masks)), EReadError);

    BmpLayout table;
    table.bitCount = 8, table.coloursUsed = 4, table.colourTable = Gray4Table(3);
    EXPECT_THROW(Read(BuildBmp(table)), EReadError);

    // A colours-used field of 0x7FFFFFFF is checked against the file's
    // length, not allocated.
    table.coloursUsed = 0x7FFFFFFF;
    try {
        Read(BuildBmp(table));
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "ストリームからの読み込みエラー");
    }
}

TEST(BmpReader, ShortInformationHeaderIsNotAFailureByItself) {
    // The file ends 16 bytes into a 40-byte header: sizes and depth are
    // there, everything after reads as zero.
    const auto whole = BuildBmp(BmpLayout{});
    auto p = Read(std::span(whole).first(14 + 16));
    EXPECT_EQ(p->Width(), 2);
    EXPECT_EQ(p->Height(), 2);
    EXPECT_EQ(p->PixelFormat(), TPixelFormat::pf24bit);
    for (int y = 0; y < 2; ++y) EXPECT_EQ(PixelRgb(*p, 1, y), (Rgb{0, 0, 0}));
}

TEST(BmpReader, ShortPixelAreaIsZeroFilled) {
    std::vector<std::uint8_t> bytes(kRgb24TwoByTwo.begin(), kRgb24TwoByTwo.end() - 5);
    auto p = Read(bytes);
    EXPECT_EQ(PixelRgb(*p, 0, 1), (Rgb{0, 0, 255}));  // bottom row complete
    EXPECT_EQ(PixelRgb(*p, 0, 0), (Rgb{255, 0, 0}));  // top row: 3 bytes reached
    EXPECT_EQ(PixelRgb(*p, 1, 0), (Rgb{0, 0, 0}));    // the rest stays zero
}

TEST(BmpReader, ImageSizeFieldBoundsThePixelBytes) {
    BmpLayout s;
    s.pixels.assign(16, 0x77);
    s.imageSize = 8;  // only the bottom row
    auto p = Read(BuildBmp(s));
    EXPECT_EQ(PixelRgb(*p, 0, 1), (Rgb{0x77, 0x77, 0x77}));
    EXPECT_EQ(PixelRgb(*p, 0, 0), (Rgb{0, 0, 0}));

    s.imageSize = 0x7FFFFFF0;   // claims far more than there is
    s.pixels.resize(20, 0x77);  // trailing bytes beyond the rows are not pixels
    p = Read(BuildBmp(s));
    EXPECT_EQ(p->ImageSize(), 16u);
    EXPECT_EQ(PixelRgb(*p, 0, 0), (Rgb{0x77, 0x77, 0x77}));
}

TEST(BmpReader, PixelOffsetIsHonouredWhereTheLayoutLeavesRoom) {
    // A gap between colour table and pixels.
    BmpLayout s;
    s.width = 1, s.height = 1, s.bitCount = 8, s.coloursUsed = 2, s.colourTable = Gray4Table(2);
    s.gap = 6, s.pixels = {1, 0, 0, 0};
    EXPECT_EQ(Read(BuildBmp(s))->ScanLine(0)[0], 1);

    // An implied full table cut short by the writer: it ends at the pixels.
    BmpLayout core;
    core.headerSize = 12, core.width = 1, core.height = 1, core.bitCount = 8;
    core.colourTable.assign(3 * 5, 9);
    core.pixels = {4, 0, 0, 0};
    auto p = Read(BuildBmp(core));
    EXPECT_EQ(p->Palette().size(), 5u);
    EXPECT_EQ(p->ScanLine(0)[0], 4);

    // An offset pointing back into the headers is ignored.
    s.gap = 0, s.pixelOffset = 20;
    EXPECT_EQ(Read(BuildBmp(s))->ScanLine(0)[0], 1);
}

// Index of pixel (x, y) of an indexed picture, y = 0 at the top.
int Index(const TBitmap& p, int x, int y) {
    const std::uint8_t* row = p.ScanLine(y);
    if (p.PixelFormat() == TPixelFormat::pf8bit) return row[x];
    return (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
}

std::vector<std::vector<int>> Indices(const TBitmap& p) {
    std::vector<std::vector<int>> rows(p.Height());
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) rows[y].push_back(Index(p, x, y));
    return rows;
}

std::unique_ptr<TBitmap> ReadRle(int bits, int width, int height, std::vector<std::uint8_t> data) {
    BmpLayout s;
    s.width = width, s.height = height, s.bitCount = static_cast<std::uint16_t>(bits);
    s.compression = bits == 8 ? 1 : 2;
    s.colourTable = Gray4Table(16);
    s.coloursUsed = 16;
    s.pixels = std::move(data);
    return Read(BuildBmp(s));
}

using Rows = std::vector<std::vector<int>>;

TEST(BmpReader, Rle8ExpandsToAnIndexedPictureOfTheSameDepth) {
    auto p = ReadRle(8, 6, 3, {3, 1, 0, 3, 5, 6, 7, 0, 0, 0,  // run, absolute (padded), end of line
                               0, 2, 2, 0, 2, 9, 0, 0,        // delta right 2, run, end of line
                               1, 4, 0, 1});                  // run, end of bitmap
    EXPECT_EQ(p->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_FALSE(p->TopDown());
    EXPECT_EQ(p->Palette().size(), 16u);
    EXPECT_EQ(Indices(*p), (Rows{{4, 0, 0, 0, 0, 0}, {0, 0, 9, 9, 0, 0}, {1, 1, 1, 5, 6, 7}}));
}

TEST(BmpReader, Rle4ExpandsToAnIndexedPictureOfTheSameDepth) {
    auto p = ReadRle(4, 5, 2,
                     {5, 0x12, 0, 0,             // alternating run, end of line
                      0, 3, 0x34, 0x50, 0, 1});  // absolute 3 pixels, end of bitmap
    EXPECT_EQ(p->PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(Indices(*p), (Rows{{3, 4, 5, 0, 0}, {1, 2, 1, 2, 1}}));
}

TEST(BmpReader, RleRunsAndDeltasLeavingThePictureAreClipped) {
    // rle8-run-past-row-end: a 255-pixel run on a 3-pixel row.
    auto p = ReadRle(8, 3, 2, {255, 7, 0, 0, 1, 2});
    EXPECT_EQ(Indices(*p), (Rows{{2, 0, 0}, {7, 7, 7}}));
    EXPECT_EQ(p->ScanLine(1)[3], 0) << "row padding untouched";

    // rle8-delta-past-end: a delta far beyond the picture, then more runs.
    p = ReadRle(8, 3, 2, {1, 5, 0, 2, 255, 255, 3, 6, 0, 0, 3, 6});
    EXPECT_EQ(Indices(*p), (Rows{{0, 0, 0}, {5, 0, 0}}));

    // rle8-absolute-past-data: an absolute run longer than the data left.
    p = ReadRle(8, 4, 1, {0, 200, 1, 2, 3});
    EXPECT_EQ(Indices(*p), (Rows{{1, 2, 3, 0}}));

    // rle8-lines-past-top: more lines than the picture has.
    p = ReadRle(8, 2, 1, {2, 1, 0, 0, 2, 2, 0, 0, 2, 3});
    EXPECT_EQ(Indices(*p), (Rows{{1, 1}}));

    // rle4-run-past-row-end on an odd width: the nibble after the last pixel stays 0.
    p = ReadRle(4, 3, 1, {9, 0xAB, 0, 1});
    EXPECT_EQ(Indices(*p), (Rows{{10, 11, 10}}));
    EXPECT_EQ(p->ScanLine(0)[1], 0xA0);

    // rle4-absolute-past-data.
    p = ReadRle(4, 4, 1, {0, 255, 0x98});
    EXPECT_EQ(Indices(*p), (Rows{{9, 8, 0, 0}}));
}

TEST(BmpReader, FileAndMemoryReadsAgree) {
    const std::string path = ::testing::TempDir() + "bmp_reader_test_fixture.bmp";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(kRgb24TwoByTwo.data()), kRgb24TwoByTwo.size());
    }
    auto fromFile = ReadBitmapFile(path);
    ASSERT_EQ(fromFile->ImageSize(), 16u);
    EXPECT_EQ(std::memcmp(fromFile->Bits(), Read(kRgb24TwoByTwo)->Bits(), 16), 0);
    std::remove(path.c_str());

    try {
        ReadBitmapFile(path);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "ファイル " + path + " は開けません: " + SystemErrorText(ENOENT));
    }
}

}  // namespace
}  // namespace corvane
