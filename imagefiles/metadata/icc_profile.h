// ICC profiles as bytes: the checks that tell a complete profile from a
// damaged one, and the colour space it describes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

// Empty when the profile is whole: at least a header long, the header's
// signature present, and the size the header declares within the bytes and
// within kMaxIccProfileBytes. Otherwise what is wrong, for the warning.
std::string IccProfileProblem(std::span<const std::uint8_t> profile);

// The size the header declares (the profile's first four bytes, big-endian).
std::uint32_t IccDeclaredSize(std::span<const std::uint8_t> profile);

// The profile describes RGB data: the only kind the program's outputs hold.
bool IccProfileIsRgb(std::span<const std::uint8_t> profile);

}  // namespace corvane
