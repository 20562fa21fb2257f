// OrientBitmap against the EXIF definition of each orientation, written
// independently of the turn: which stored pixel the viewer shows at (x, y).
#include "imaging/orient.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "imaging/errors.h"
#include "tests/imaging/transform_test_support.h"

namespace corvane {
namespace {

using namespace testing_support;

// Stored (column, row) shown at displayed (x, y) of a W x H stored picture.
std::pair<int, int> StoredPixel(int orientation, int x, int y, int W, int H) {
    switch (orientation) {
        case 2:
            return {W - 1 - x, y};
        case 3:
            return {W - 1 - x, H - 1 - y};
        case 4:
            return {x, H - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {y, H - 1 - x};
        case 7:
            return {W - 1 - y, H - 1 - x};
        case 8:
            return {W - 1 - y, x};
        default:
            return {x, y};
    }
}

TEST(OrientBitmap, EveryOrientationInEveryFormatShowsAsTheViewerDoes) {
    std::mt19937 rng(11);
    const int W = 13, H = 6;
    for (TPixelFormat f : kAllFormats) {
        SCOPED_TRACE(FormatName(f));
        TBitmap src = RandomPicture(f, W, H, rng);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(orientation);
            const auto out = OrientBitmap(src, orientation);
            const bool swapped = orientation >= 5;
            ASSERT_EQ(out->Width(), swapped ? H : W);
            ASSERT_EQ(out->Height(), swapped ? W : H);
            ASSERT_EQ(out->PixelFormat(), f);
            EXPECT_EQ(out->Palette(), src.Palette());
            for (int y = 0; y < out->Height(); ++y)
                for (int x = 0; x < out->Width(); ++x) {
                    const auto [sx, sy] = StoredPixel(orientation, x, y, W, H);
                    ASSERT_EQ(GetUnit(*out, x, y), GetUnit(src, sx, sy)) << x << "," << y;
                }
        }
    }
}

TEST(OrientBitmap, UnknownValuesCopyAndEmptyPicturesFail) {
    std::mt19937 rng(3);
    TBitmap src = RandomPicture(TPixelFormat::pf24bit, 5, 4, rng);
    for (int value : {0, 9, -1}) EXPECT_TRUE(SamePixels(*OrientBitmap(src, value), src));
    TBitmap empty;
    EXPECT_THROW(OrientBitmap(empty, 6), ERotateError);
}

}  // namespace
}  // namespace corvane
