// The one text a user sees for each kind of failure.
#include "imaging/errors.h"

#include <gtest/gtest.h>

#include <new>

namespace corvane {
namespace {

template <class F>
std::string TextOf(F&& thrower) {
    try {
        thrower();
    } catch (...) {
        return FailureText();
    }
    return "nothing thrown";
}

TEST(FailureText, EveryKindOfFailure) {
    EXPECT_EQ(TextOf([] { throw std::bad_alloc(); }), "メモリが足りません.");
    EXPECT_EQ(TextOf([] { throw EInvalidGraphic(); }), "ビットマップイメージが不正です.");
    EXPECT_EQ(TextOf([] { throw ERotateError::SizeError(); }), "Bitmap Size Error.");
    EXPECT_EQ(TextOf([] { throw EJPEG(53); }), "JPEG エラー #53.");
    EXPECT_EQ(TextOf([] { throw 42; }), "不明なエラー.");
    EXPECT_EQ(FailureText(nullptr), "不明なエラー.");
    // The display's rule: only a last character after "." gets one.
    EXPECT_EQ(ErrorDisplayText("a."), "a.");
    EXPECT_EQ(ErrorDisplayText("a-"), "a-");
    EXPECT_EQ(ErrorDisplayText(""), "");
}

}  // namespace
}  // namespace corvane
