// The per-colour rule: tone and gamma, in the chosen order, applied to one
// colour, to a palette entry or to a run of 24-bit pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/color.h"
#include "imaging/tone_table.h"

namespace corvane {

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

}  // namespace corvane
