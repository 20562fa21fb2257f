#include "imagefiles/metadata/icc_profile.h"

#include <cstring>

#include "imagefiles/metadata/metadata_limits.h"

namespace corvane {

namespace {

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

std::uint32_t IccDeclaredSize(std::span<const std::uint8_t> profile) {
    return profile.size() < 4 ? 0 : BigEndian32(profile.data());
}

std::string IccProfileProblem(std::span<const std::uint8_t> profile) {
    if (profile.size() < kIccHeaderBytes) return "ヘッダーが欠けています";
    // The profile file signature, "acsp", at byte 36 of the header.
    if (std::memcmp(profile.data() + 36, "acsp", 4) != 0) return "プロファイルではありません";
    const std::uint32_t declared = IccDeclaredSize(profile);
    if (declared > kMaxIccProfileBytes) return "大きすぎます";
    if (declared < kIccHeaderBytes || declared > profile.size()) return "途中で切れています";
    return {};
}

bool IccProfileIsRgb(std::span<const std::uint8_t> profile) {
    return profile.size() >= kIccHeaderBytes && std::memcmp(profile.data() + 16, "RGB ", 4) == 0;
}

}  // namespace corvane
