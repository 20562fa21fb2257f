#include "imaging/TBitmap.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "imaging/errors.h"
#include "imaging/transform_setup.h"

namespace corvane {
namespace {

TBitmap Make(TPixelFormat format, int w, int h) {
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(w, h);
    return b;
}

void Put16(TBitmap& b, int x, int y, std::uint16_t v) {
    b.ScanLine(y)[2 * x] = static_cast<std::uint8_t>(v);
    b.ScanLine(y)[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::array<int, 3> Rgb(const TBitmap& b, int x, int y) {
    const std::uint8_t* p = b.ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

TEST(TBitmap, RowsAreTopFirstInEitherStorageOrder) {
    for (bool topDown : {false, true}) {
        TBitmap b;
        b.SetTopDown(topDown);
        b.SetSize(3, 4);
        EXPECT_EQ(b.Stride(), 12u);  // 9 bytes padded to 12
        for (int y = 0; y < 4; ++y) b.ScanLine(y)[0] = static_cast<std::uint8_t>(y + 1);
        const std::uint8_t* stored = b.Bits();
        EXPECT_EQ(stored[0], topDown ? 1 : 4) << "first stored row";
        b.SetTopDown(!topDown);  // moves rows; picture unchanged
        for (int y = 0; y < 4; ++y) EXPECT_EQ(b.ScanLine(y)[0], y + 1);
    }
}

TEST(TBitmap, SizeLimitsRefuseBeforeAllocating) {
    TBitmap b;
    EXPECT_THROW(b.SetSize(-1, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(65536, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(20000, 20000), EInvalidGraphic);  // > 2^28 pixels
    EXPECT_NO_THROW(b.SetSize(0, 0));
    EXPECT_TRUE(b.Empty());
}

TEST(TBitmap, UninitializedFillStillZeroesRowPadding) {
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    for (int round = 0; round < 2; ++round) {  // the second round may reuse a cached block
        b.SetSize(1001, 700, TBitmap::Fill::Uninitialized);
        for (int y = 0; y < b.Height(); ++y)
            for (std::size_t i = 3003; i < b.Stride(); ++i) ASSERT_EQ(b.ScanLine(y)[i], 0);
        std::memset(b.Bits(), 0xAB, b.ImageSize());
    }
}

TEST(TBitmap, CloneIsDeep) {
    TBitmap b = Make(TPixelFormat::pf8bit, 5, 2);
    b.SetPalette({{1, 2, 3, 0}, {4, 5, 6, 0}});
    b.SetCoreHeader(true);
    b.ScanLine(1)[4] = 1;
    auto c = b.Clone();
    b.ScanLine(1)[4] = 0;
    b.SetPalette({});
    EXPECT_EQ(c->ScanLine(1)[4], 1);
    EXPECT_EQ(c->Palette().size(), 2u);
    EXPECT_TRUE(c->CoreHeader());
    EXPECT_EQ(c->PixelFormat(), TPixelFormat::pf8bit);
}

TEST(TBitmap, IndexedTo24GoesThroughThePalette) {
    TBitmap b1 = Make(TPixelFormat::pf1bit, 9, 1);
    b1.SetPalette({{0, 0, 0, 0}, {255, 128, 1, 0}});
    b1.ScanLine(0)[0] = 0x80;  // pixel 0
    b1.ScanLine(0)[1] = 0x80;  // pixel 8
    b1.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(b1, 0, 0), (std::array<int, 3>{255, 128, 1}));
    EXPECT_EQ(Rgb(b1, 1, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Rgb(b1, 8, 0), (std::array<int, 3>{255, 128, 1}));
    EXPECT_TRUE(b1.Palette().empty());

    TBitmap b4 = Make(TPixelFormat::pf4bit, 3, 1);
    b4.SetPalette({{10, 0, 0, 0}, {20, 0, 0, 0}, {30, 0, 0, 0}});
    b4.ScanLine(0)[0] = 0x12;  // pixels 0 -> 1, 1 -> 2
    b4.ScanLine(0)[1] = 0xF0;  // pixel 2 -> 15, past the palette: black
    b4.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(b4, 0, 0)[0], 20);
    EXPECT_EQ(Rgb(b4, 1, 0)[0], 30);
    EXPECT_EQ(Rgb(b4, 2, 0)[0], 0);

    // Every index of an 8-bit row, over a palette of 200 entries.
    TBitmap b8 = Make(TPixelFormat::pf8bit, 256, 2);
    std::vector<TPaletteEntry> palette(200);
    for (int i = 0; i < 200; ++i)
        palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 0};
    b8.SetPalette(palette);
    for (int x = 0; x < 256; ++x) b8.ScanLine(1)[x] = static_cast<std::uint8_t>(x);
    b8.SetPixelFormat(TPixelFormat::pf24bit);
    for (int x = 0; x < 256; ++x) {
        const std::array<int, 3> want = x < 200 ? std::array<int, 3>{x, 255 - x, 7} : std::array<int, 3>{};
        ASSERT_EQ(Rgb(b8, x, 1), want) << "index " << x;
        ASSERT_EQ(Rgb(b8, x, 0), (std::array<int, 3>{0, 255, 7})) << "index 0 at " << x;
    }
}

TEST(TBitmap, DeepFormatsTo24HonourMasks) {
    TBitmap p15 = Make(TPixelFormat::pf15bit, 2, 1);
    Put16(p15, 0, 0, 0x7FFF);
    Put16(p15, 1, 0, 0x7C00 | (1 << 5));
    p15.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(p15, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Rgb(p15, 1, 0), (std::array<int, 3>{255, 8, 0}));

    TBitmap p16 = Make(TPixelFormat::pf16bit, 1, 1);
    Put16(p16, 0, 0, 0x07E0);  // 5-6-5 green
    p16.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(p16, 0, 0), (std::array<int, 3>{0, 255, 0}));

    // A 4-4-4 layout: each 4-bit channel scaled to 0..255.
    TBitmap p12 = Make(TPixelFormat::pf16bit, 1, 1);
    p12.SetBitFields(TBitFields{0x0F00, 0x00F0, 0x000F});
    Put16(p12, 0, 0, 0x0F80);
    p12.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(p12, 0, 0), (std::array<int, 3>{255, 136, 0}));

    TBitmap p32 = Make(TPixelFormat::pf32bit, 1, 1);
    p32.SetBitFields(TBitFields{0x000000FF, 0x0000FF00, 0x00FF0000});  // RGBX byte order
    std::uint8_t* px = p32.ScanLine(0);
    px[0] = 10, px[1] = 20, px[2] = 30, px[3] = 99;
    p32.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(p32, 0, 0), (std::array<int, 3>{10, 20, 30}));

    // Without masks a 32-bit pixel is blue, green, red, unused.
    TBitmap bgrx = Make(TPixelFormat::pf32bit, 2, 1);
    std::uint8_t* q = bgrx.ScanLine(0);
    q[0] = 1, q[1] = 2, q[2] = 3, q[3] = 4, q[4] = 250, q[5] = 251, q[6] = 252, q[7] = 253;
    bgrx.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(bgrx, 0, 0), (std::array<int, 3>{3, 2, 1}));
    EXPECT_EQ(Rgb(bgrx, 1, 0), (std::array<int, 3>{252, 251, 250}));
}

TEST(TBitmap, DeviceDependentPicturesHaveNoFormatUntilSwitched) {
    TBitmap b = Make(TPixelFormat::pf24bit, 2, 2);
    b.ScanLine(1)[3] = 7;
    b.SetHandleType(THandleType::bmDDB);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pfDevice);
    EXPECT_FALSE(IsTransformable(b.PixelFormat()));
    b.SetHandleType(THandleType::bmDIB);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(b.ScanLine(1)[4], 7);  // blue of pixel (1, 1)
}

TEST(TransformSetup, WorkingSourceNeverTouchesTheCaller) {
    TBitmap b = Make(TPixelFormat::pf32bit, 2, 1);
    b.ScanLine(0)[2] = 200;
    WorkingSource w(b);
    EXPECT_EQ(w->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(w->ScanLine(0)[2], 200);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);

    TBitmap empty;
    EXPECT_THROW(CheckSourceSize(empty), ERotateError);
    EXPECT_THROW(CheckTransformable(TPixelFormat::pfCustom), ERotateError);
}

TEST(Errors, DisplayTextAppendsAPeriodAfterHigherCharacters) {
    EXPECT_EQ(ErrorDisplayText("Bitmap Size Error"), "Bitmap Size Error.");
    EXPECT_EQ(ErrorDisplayText("done."), "done.");
    EXPECT_EQ(ErrorDisplayText("a -"), "a -");
    EXPECT_EQ(ErrorDisplayText(EInvalidGraphic().what()), "ビットマップイメージが不正です.");
    EXPECT_EQ(std::string(EJPEG(42).what()), "JPEG エラー #42");
    EXPECT_EQ(std::string(EListError(1).what()), "リストのインデックスが範囲を超えています (1)");
}

}  // namespace
}  // namespace corvane
