#include "imagefiles/image_file_errors.h"

namespace corvane {

EImageFileError::EImageFileError(const std::string& path, std::string_view format, const std::string& detail)
    : ECorvaneError("ファイル " + path + " は " + std::string(format) + " として読めません: " + detail) {}

EImageEncodeError::EImageEncodeError(std::string_view format, const std::string& detail)
    : ECorvaneError(std::string(format) + " の書き込みエラー: " + detail) {}

}  // namespace corvane
