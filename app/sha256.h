// SHA-256 digests as 64 lower-case hex digits, through OpenSSL's libcrypto
// (its SHA extensions and vector code hash several times faster than a plain
// C implementation, and a manifest hashes every output on the writing thread).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

std::string Sha256Hex(std::span<const std::uint8_t> data);
std::string Sha256Hex(const std::string& text);
// The digest of a regular file's contents; raises what InputFile raises.
std::string FileSha256Hex(const std::string& path);

}  // namespace corvane
