#include "imagefiles/bmp_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "imagefiles/bmp_format.h"
#include "imagefiles/bmp_reader.h"
#include "imagefiles/file_io.h"
#include "imaging/errors.h"
#include "tests/imagefiles/bmp_test_util.h"

namespace corvane {
namespace {

using testing::SuitePath;

// The writer's own form of a 3 x 2, 8-bit picture with a 3-entry palette:
// colours-used 3, image size 8, resolution 0.
constexpr std::array<std::uint8_t, 74> kPal8ThreeByTwo = {
    'B', 'M', 74, 0, 0, 0, 0,   0, 0,   0,   66,  0, 0, 0,                    // file header
    40,  0,   0,  0, 3, 0, 0,   0, 2,   0,   0,   0, 1, 0, 8, 0, 0, 0, 0, 0,  // size .. compression
    8,   0,   0,  0, 0, 0, 0,   0, 0,   0,   0,   0, 3, 0, 0, 0, 0, 0, 0, 0,  // image size .. important
    0,   0,   0,  0, 0, 0, 255, 0, 255, 255, 255, 0,                          // black, red, white
    2,   1,   0,  0, 0, 1, 2,   0,                                            // rows, bottom first
};
static_assert(kPal8ThreeByTwo.size() == 14 + 40 + 3 * 4 + 2 * 4);

class TempDir {
public:
    TempDir() {
        std::string templ = ::testing::TempDir() + "bmp_writer_XXXXXX";
        path_ = ::mkdtemp(templ.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::string path_;
};

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> s) { return {s.begin(), s.end()}; }

// Header kind, depth, palette, masks, row order and stored rows agree.
void ExpectSamePicture(const TBitmap& a, const TBitmap& b, const std::string& what) {
    EXPECT_EQ(a.Width(), b.Width()) << what;
    EXPECT_EQ(a.Height(), b.Height()) << what;
    EXPECT_EQ(a.PixelFormat(), b.PixelFormat()) << what;
    EXPECT_EQ(a.Palette(), b.Palette()) << what;
    EXPECT_EQ(a.BitFields(), b.BitFields()) << what;
    EXPECT_EQ(a.TopDown(), b.TopDown()) << what;
    EXPECT_EQ(a.CoreHeader(), b.CoreHeader()) << what;
    ASSERT_EQ(a.ImageSize(), b.ImageSize()) << what;
    EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.ImageSize()), 0) << what;
}

TEST(BmpWriter, CanonicalFileRoundTripsByteForByte) {
    auto p = ReadBitmapFromMemory(kPal8ThreeByTwo);
    EXPECT_EQ(EncodeBitmap(*p), Bytes(kPal8ThreeByTwo));

    TempDir dir;
    WriteBitmapFile(*p, dir.File("out.bmp"));
    EXPECT_EQ(ReadWholeFile(dir.File("out.bmp")), Bytes(kPal8ThreeByTwo));
    EXPECT_EQ(dir.Entries(), 1u) << "no temporary file left behind";
}

TEST(BmpWriter, BuildsHeadersFromThePicture) {
    TBitmap p;
    p.SetPixelFormat(TPixelFormat::pf8bit);
    p.SetPalette({{0, 0, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}});
    p.SetSize(3, 2);
    p.ScanLine(0)[0] = 0, p.ScanLine(0)[1] = 1, p.ScanLine(0)[2] = 2;
    p.ScanLine(1)[0] = 2, p.ScanLine(1)[1] = 1;
    EXPECT_EQ(EncodeBitmap(p), Bytes(kPal8ThreeByTwo));
}

TEST(BmpWriter, EmptyPictureGivesEmptyFile) {
    TempDir dir;
    const std::string path = dir.File("empty.bmp");
    WriteWholeFile(path, std::vector<std::uint8_t>{1, 2, 3});
    TBitmap empty;
    WriteBitmapFile(empty, path);
    EXPECT_TRUE(ReadWholeFile(path).empty());
    EXPECT_EQ(ReadBitmapFile(path)->Width(), 0);

    TBitmap noRows;
    noRows.SetSize(5, 0);
    EXPECT_TRUE(EncodeBitmap(noRows).empty());
}

TEST(BmpWriter, UncreatableFileFailsWithThePathAndLeavesNothing) {
    TempDir dir;
    const std::string path = dir.File("missing/out.bmp");
    auto p = ReadBitmapFromMemory(kPal8ThreeByTwo);
    try {
        WriteBitmapFile(*p, path);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ファイル " + path + " を作成できません: " + SystemErrorText(ENOENT));
    }
    EXPECT_EQ(dir.Entries(), 0u);
}

TEST(BmpWriter, MasksColourTablesAndRowOrder) {
    // A 16-bit picture always carries its masks; 15-bit ones never need them.
    TBitmap p16;
    p16.SetPixelFormat(TPixelFormat::pf16bit);
    p16.SetSize(1, 1);
    auto out = EncodeBitmap(p16);
    ASSERT_EQ(out.size(), 14u + 40 + 12 + 4);
    EXPECT_EQ(out[30], 3);                             // bit fields
    EXPECT_EQ(bmp::GetU32(out.data() + 54), 0xF800u);  // red mask
    TBitmap p15;
    p15.SetPixelFormat(TPixelFormat::pf15bit);
    p15.SetSize(1, 1);
    out = EncodeBitmap(p15);
    EXPECT_EQ(out.size(), 14u + 40 + 4);
    EXPECT_EQ(out[30], 0);

    // A deeper picture's palette is written, and counted.
    TBitmap p24;
    p24.SetPalette({{1, 2, 3, 0}, {4, 5, 6, 0}});
    p24.SetSize(1, 1);
    out = EncodeBitmap(p24);
    ASSERT_EQ(out.size(), 14u + 40 + 8 + 4);
    EXPECT_EQ(out[46], 2);  // colours used
    EXPECT_EQ(out[54], 3);
    EXPECT_EQ(out[56], 1);   // blue, red of entry 0
    EXPECT_EQ(out[10], 62);  // pixel offset

    // Top-down pictures keep their order with a negative height.
    p24.SetTopDown(true);
    out = EncodeBitmap(p24);
    EXPECT_EQ(out[22], 0xFF);
    EXPECT_EQ(out[25], 0xFF);

    // An indexed picture without a palette gets a black one, so that no
    // reader takes colours-used 0 for "all" and its pixels for colours.
    TBitmap p4;
    p4.SetPixelFormat(TPixelFormat::pf4bit);
    p4.SetSize(1, 1);
    out = EncodeBitmap(p4);
    EXPECT_EQ(out[46], 16);
    EXPECT_EQ(ReadBitmapFromMemory(out)->Palette().size(), 16u);
}

TEST(BmpWriter, CoreHeaderPicturesAreWrittenBackWithOne) {
    testing::BmpLayout s;
    s.headerSize = 12, s.width = 3, s.height = 1, s.bitCount = 1;
    s.colourTable = {10, 20, 30, 40, 50, 60};
    s.pixels = {0x40, 0, 0, 0};
    const auto file = testing::BuildBmp(s);
    auto p = ReadBitmapFromMemory(file);
    EXPECT_EQ(EncodeBitmap(*p), file);

    // A shortened implied table comes back full, so that any reader finds
    // the pixels right after it.
    s.bitCount = 8, s.pixels = {1, 0, 0, 0};
    p = ReadBitmapFromMemory(testing::BuildBmp(s));
    const auto out = EncodeBitmap(*p);
    EXPECT_EQ(out.size(), 14u + 12 + 256 * 3 + 4);
    ExpectSamePicture(
        *ReadBitmapFromMemory(out),
        *[&] {
            auto q = p->Clone();
            auto palette = q->Palette();
            palette.resize(256, {0, 0, 0, 0});
            q->SetPalette(palette);
            return q;
        }(),
        "padded core table");

    // Top-down rows cannot be said in a core header.
    p->SetTopDown(true);
    EXPECT_EQ(EncodeBitmap(*p)[14], 40);
}

// Suite files whose layout is the writer's own: identical apart from the
// resolution fields, which the working bitmap does not hold.
TEST(BmpWriter, SuiteFilesRoundTrip) {
    const std::vector<std::string> canonical = {
        "g/pal1.bmp",        "g/pal1bg.bmp",     "g/pal1wb.bmp",    "g/pal4.bmp",
        "g/pal4gs.bmp",      "g/pal8.bmp",       "g/pal8gs.bmp",    "g/pal8nonsquare.bmp",
        "g/pal8topdown.bmp", "g/pal8w124.bmp",   "g/pal8w125.bmp",  "g/pal8w126.bmp",
        "g/rgb16.bmp",       "g/rgb16bfdef.bmp", "g/rgb16-565.bmp", "g/rgb16-565pal.bmp",
        "g/rgb24.bmp",       "g/rgb24pal.bmp",   "g/rgb32.bmp",     "g/rgb32bf.bmp",
        "g/rgb32bfdef.bmp",  "g/pal8os2.bmp",    "q/pal1p1.bmp",    "q/rgb16-231.bmp",
        "q/rgb32-111110.bmp"};
    for (const std::string& name : canonical) {
        auto in = ReadWholeFile(SuitePath(name));
        auto out = EncodeBitmap(*ReadBitmapFromMemory(in));
        if (in[14] == 40) std::fill(in.begin() + 38, in.begin() + 46, 0);
        EXPECT_EQ(out, in) << name;
    }

    // Everything that decodes keeps depth, palette, masks and header kind.
    for (const char* folder : {"g", "q", "b"}) {
        for (const auto& entry : std::filesystem::directory_iterator(SuitePath(folder))) {
            std::unique_ptr<TBitmap> p;
            try {
                p = ReadBitmapFile(entry.path().string());
            } catch (const ECorvaneError&) {
                continue;
            }
            if (p->CoreHeader() && IsIndexed(p->PixelFormat())) {  // core tables are written full
                auto palette = p->Palette();
                palette.resize(std::size_t{1} << BitsPerPixel(p->PixelFormat()), {0, 0, 0, 0});
                p->SetPalette(palette);
            }
            ExpectSamePicture(*p, *ReadBitmapFromMemory(EncodeBitmap(*p)), entry.path().string());
        }
    }
}

TEST(BmpWriter, RunLengthSourcesAreWrittenUncompressed) {
    auto rle = ReadBitmapFile(SuitePath("g/pal8rle.bmp"));
    const auto out = EncodeBitmap(*rle);
    EXPECT_EQ(out[30], 0);
    ExpectSamePicture(*ReadBitmapFromMemory(out), *ReadBitmapFile(SuitePath("g/pal8.bmp")), "pal8rle");
}

TEST(BmpWriter, DeviceDependentPictureIsWrittenAs32Bits) {
    auto p = ReadBitmapFile(SuitePath("g/rgb24.bmp"));
    p->SetHandleType(THandleType::bmDDB);
    auto back = ReadBitmapFromMemory(EncodeBitmap(*p));
    EXPECT_EQ(back->PixelFormat(), TPixelFormat::pf32bit);
    back->SetPixelFormat(TPixelFormat::pf24bit);
    auto reference = ReadBitmapFile(SuitePath("g/rgb24.bmp"));
    EXPECT_EQ(std::memcmp(back->Bits(), reference->Bits(), reference->ImageSize()), 0);
}

}  // namespace
}  // namespace corvane
