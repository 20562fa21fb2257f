// One exception hierarchy for the whole program. Every failure carries the
// system's own message text (UTF-8); a handler at the edge shows it.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace corvane {

class ECorvaneError : public std::runtime_error {
public:
    explicit ECorvaneError(const std::string& message) : std::runtime_error(message) {}
};

// Failures of the image transforms: "Bitmap Size Error", "Illegal Bitmap".
class ERotateError : public ECorvaneError {
public:
    using ECorvaneError::ECorvaneError;
    static ERotateError SizeError() { return ERotateError("Bitmap Size Error"); }
    static ERotateError IllegalBitmap() { return ERotateError("Illegal Bitmap"); }
};

// A parameter outside the values an operation accepts:
// "<what> <value> は範囲外です (<low> .. <high>)"
class ERangeError : public ECorvaneError {
public:
    ERangeError(const std::string& what, long long value, long long low, long long high);
};

// Fatal errors of the JPEG library: "JPEG エラー #<message code>".
class EJPEG : public ECorvaneError {
public:
    explicit EJPEG(int messageCode);
    int Code() const { return code_; }

private:
    int code_;
};

// The system's text for an errno value ("No space left on device").
std::string SystemErrorText(int error);

// "ファイル %s は開けません", and ": <reason>" when the system gave one.
class EFOpenError : public ECorvaneError {
public:
    explicit EFOpenError(const std::string& path, int error = 0);
};

// "ファイル %s を作成できません", and ": <reason>" when the system gave one.
class EFCreateError : public ECorvaneError {
public:
    explicit EFCreateError(const std::string& path, int error = 0);
};

// "ビットマップイメージが不正です"
class EInvalidGraphic : public ECorvaneError {
public:
    EInvalidGraphic();
};

// "ストリームからの読み込みエラー", and ": <reason>" after an I/O error.
class EReadError : public ECorvaneError {
public:
    explicit EReadError(int error = 0);
};

// "リストのインデックスが範囲を超えています (%d)"
class EListError : public ECorvaneError {
public:
    explicit EListError(int index);
};

// The error display's text: a "." is appended when the message's last
// character sorts after "." (any multibyte last character does).
std::string ErrorDisplayText(const std::string& message);

// The one way a failure becomes the text a user sees, in every window
// handler, the runner, corvane-batch and the programs' main: the message of
// the exception with the display's "." rule; "メモリが足りません" when memory
// ran out, "不明なエラー" for anything that carries no message.
std::string FailureText(std::exception_ptr failure = std::current_exception());

}  // namespace corvane
