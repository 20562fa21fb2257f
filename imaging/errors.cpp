#include "imaging/errors.h"

#include <new>
#include <string.h>

namespace corvane {

ERangeError::ERangeError(const std::string& what, long long value, long long low, long long high)
    : ECorvaneError(what + " " + std::to_string(value) + " は範囲外です (" + std::to_string(low) + " .. " +
                    std::to_string(high) + ")") {}

EJPEG::EJPEG(int messageCode)
    : ECorvaneError("JPEG エラー #" + std::to_string(messageCode)), code_(messageCode) {}

namespace {

std::string WithReason(std::string message, int error) {
    return error == 0 ? message : message + ": " + SystemErrorText(error);
}

}  // namespace

std::string SystemErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r: returns its text, which may or may not be in buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}

EFOpenError::EFOpenError(const std::string& path, int error)
    : ECorvaneError(WithReason("ファイル " + path + " は開けません", error)) {}

EFCreateError::EFCreateError(const std::string& path, int error)
    : ECorvaneError(WithReason("ファイル " + path + " を作成できません", error)) {}

EInvalidGraphic::EInvalidGraphic() : ECorvaneError("ビットマップイメージが不正です") {}

EReadError::EReadError(int error) : ECorvaneError(WithReason("ストリームからの読み込みエラー", error)) {}

EListError::EListError(int index)
    : ECorvaneError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")") {}

std::string ErrorDisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

std::string FailureText(std::exception_ptr failure) {
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return ErrorDisplayText("メモリが足りません");
    } catch (const std::exception& e) {
        return ErrorDisplayText(e.what());
    } catch (...) {
    }
    return ErrorDisplayText("不明なエラー");
}

}  // namespace corvane
