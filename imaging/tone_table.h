// The tone table (brightness, contrast and level folded into 256 luma
// entries) and the per-colour rule that applies tone and gamma, in the chosen
// order, to one colour or to a run of 24-bit pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {

using ToneTable = std::array<std::int32_t, 256>;

// Entry i = level curve at i + Brightness + contrast term of (i - 128),
// limited to 0 .. 255. Throws std::out_of_range for a level code outside
// 1 .. 54 or a contrast above 127 (128 would divide by zero).
ToneTable BuildToneTable(int Brightness, int Contrast, int LevelCode);

bool ToneActive(int Brightness, int Contrast, int LevelCode);
bool GammaActive(int GammaCode);

class ColourRule {
public:
    enum class Steps { None, Gamma, Tone, GammaThenTone, ToneThenGamma };

    // Builds the tone table on every call, whether tone is active or not, so
    // bad codes are refused before any picture memory is allocated.
    ColourRule(int Brightness, int Contrast, int LevelCode, int GammaCode, bool ToneFirst);

    Steps Which() const { return steps_; }
    const ToneTable& Table() const { return tone_; }

    // One colour, step by step; the reference every fast path must match.
    TPixelTriple Apply(TPixelTriple pixel) const;
    // A palette entry taken as a colour; the flags byte comes back 0.
    TPaletteEntry Apply(TPaletteEntry entry) const;

    // `count` 24-bit pixels (blue, green, red). `src` may equal `dst`, so a
    // turned row can be adjusted where it was written.
    void ApplyRun(const std::uint8_t* src, std::uint8_t* dst, int count) const;

    // Worth calling before a large picture: gamma then goes two bytes per
    // look-up where the processor has no wider one. Results are identical
    // either way.
    void PrepareForPixels(std::int64_t pixelCount);

private:
    void Gamma(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes) const;

    Steps steps_;
    ToneTable tone_;
    const std::uint8_t* gamma_;
    // gammaPairs_[a | b << 8] = gamma[a] | gamma[b] << 8, or empty.
    std::vector<std::uint16_t> gammaPairs_;
};

// The gamma kernels, here so that tests can hold each one to the plain
// look-up whatever processor they run on. `src` may equal `dst`.
namespace tone_kernels {
void GammaBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, const std::uint8_t* gamma);
// pairs[a | b << 8] = gamma[a] | gamma[b] << 8; empty on big-endian machines.
std::vector<std::uint16_t> GammaPairTable(const std::uint8_t* gamma);
void GammaPairBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, const std::uint16_t* pairs,
                    const std::uint8_t* gamma);
// Only where HasBytePermute() is true.
bool HasBytePermute();
void GammaBytesPermute(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes,
                       const std::uint8_t* gamma);
}  // namespace tone_kernels

}  // namespace corvane
