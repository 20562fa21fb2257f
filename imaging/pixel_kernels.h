// The run kernels behind the per-colour rule: the tone step over 24-bit
// pixels and the gamma look-up over bytes, in the variants the processor may
// offer. Every variant gives the same bytes as the plain loop; they are
// declared here so that tests can hold each one to it. `src` may equal `dst`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::pixel_kernels {

// `count` 24-bit pixels (blue, green, red) with luma replaced by tone[luma].
void ToneRun(const std::uint8_t* src, std::uint8_t* dst, int count, const std::int32_t* tone);

void GammaBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, const std::uint8_t* gamma);
// pairs[a | b << 8] = gamma[a] | gamma[b] << 8; empty on big-endian machines.
std::vector<std::uint16_t> GammaPairTable(const std::uint8_t* gamma);
void GammaPairBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, const std::uint16_t* pairs,
                    const std::uint8_t* gamma);
// Only where HasBytePermute() is true.
bool HasBytePermute();
void GammaBytesPermute(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes,
                       const std::uint8_t* gamma);

}  // namespace corvane::pixel_kernels
