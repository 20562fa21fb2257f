// The warning texts of metadata that is found damaged and dropped. The
// picture itself is read as if the part were absent.
#pragma once

#include <string>

namespace corvane {

inline std::string ExifDroppedWarning(const std::string& why) { return "EXIF を外しました: " + why; }
inline std::string IccDroppedWarning(const std::string& why) {
    return "カラープロファイルを外しました: " + why;
}
inline std::string OrientationIgnoredWarning(const std::string& why) {
    return "EXIF の向きを使いません: " + why;
}
inline std::string SegmentDroppedWarning(const std::string& what, const std::string& why) {
    return what + " を外しました: " + why;
}

}  // namespace corvane
