#include "imagefiles/format_registry.h"

#include <gtest/gtest.h>

#include "imagefiles/bmp_reader.h"

namespace corvane {
namespace {

TEST(FormatRegistry, ExtensionsChooseTheirReaderAndAnyOtherIsABitmap) {
    EXPECT_EQ(ReaderForExtension(".jpg").Id, TImageFormatId::JPEG);
    EXPECT_EQ(ReaderForExtension(".jpeg").Id, TImageFormatId::JPEG);
    EXPECT_EQ(ReaderForExtension(".bmp").Id, TImageFormatId::Bitmap);
    for (const char* other : {".dib", "", ".txt", ".JPG"})
        EXPECT_EQ(ReaderForExtension(other).Id, TImageFormatId::Bitmap) << other << ": lower case expected";
    EXPECT_EQ(ImageFormatForExtension(".dib"), nullptr);
    EXPECT_EQ(ImageFormatById(TImageFormatId::None), nullptr);
    // Every listed format is found by each of its extensions and its id.
    for (const TImageFormat& f : ImageFormats()) {
        EXPECT_EQ(ImageFormatById(f.Id), &f) << f.Name;
        for (std::string_view ext : f.Extensions) EXPECT_EQ(ImageFormatForExtension(ext), &f) << ext;
        EXPECT_EQ(f.Write != nullptr, f.Writable()) << f.Name;
    }
}

TEST(FormatRegistry, TransparencyIsLaidOntoTheBackgroundForFormatsWithoutAlpha) {
    TBitmap picture;
    picture.SetSize(2, 1);
    std::uint8_t* p = picture.ScanLine(0);
    p[0] = p[1] = p[2] = 0;           // black, transparent
    p[3] = 10, p[4] = 20, p[5] = 30;  // opaque
    picture.AddAlpha(255);
    picture.AlphaLine(0)[0] = 0;
    const auto bytes = EncodeImage(picture, TImageFormatId::Bitmap, {90, false, 0x0000FF});
    const auto back = ReadBitmapFromMemory(bytes);
    ASSERT_EQ(back->PixelFormat(), TPixelFormat::pf24bit);
    const std::uint8_t* q = back->ScanLine(0);
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(q[2], 255) << "the background's red";
    EXPECT_EQ(q[3], 10);
    EXPECT_EQ(q[5], 30);
    EXPECT_TRUE(picture.HasAlpha()) << "the caller's picture is left alone";
    EXPECT_TRUE(EncodeImage(picture, TImageFormatId::None, {}).empty());
}

}  // namespace
}  // namespace corvane
