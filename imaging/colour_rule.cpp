#include "imaging/colour_rule.h"

#include <cstring>

#include "imaging/curve_table.h"
#include "imaging/pixel_kernels.h"
#include "imaging/tone_table.h"

namespace corvane {

ColourRule::ColourRule(int Brightness, int Contrast, int LevelCode, int GammaCode, bool ToneFirst)
    : tone_(BuildToneTable(Brightness, Contrast, LevelCode)), gamma_(CurveRow(GammaCode)) {
    const bool tone = ToneActive(Brightness, Contrast, LevelCode);
    const bool gamma = GammaActive(GammaCode);
    if (tone && gamma)
        steps_ = ToneFirst ? Steps::ToneThenGamma : Steps::GammaThenTone;
    else if (tone)
        steps_ = Steps::Tone;
    else if (gamma)
        steps_ = Steps::Gamma;
    else
        steps_ = Steps::None;
}

TPixelTriple ColourRule::Apply(TPixelTriple p) const {
    const auto gamma = [this](TPixelTriple q) {
        return TPixelTriple{gamma_[q.Blue], gamma_[q.Green], gamma_[q.Red]};
    };
    switch (steps_) {
        case Steps::None:
            return p;
        case Steps::Gamma:
            return gamma(p);
        case Steps::Tone:
            return AdjustLuma(p, tone_.data());
        case Steps::GammaThenTone:
            return AdjustLuma(gamma(p), tone_.data());
        case Steps::ToneThenGamma:
            return gamma(AdjustLuma(p, tone_.data()));
    }
    return p;
}

TPaletteEntry ColourRule::Apply(TPaletteEntry e) const {
    const TPixelTriple p = Apply(TPixelTriple{e.peBlue, e.peGreen, e.peRed});
    return TPaletteEntry{p.Red, p.Green, p.Blue, 0};
}

void ColourRule::PrepareForPixels(std::int64_t pixelCount) {
    // Filling the pair table costs about as much as adjusting 20 000 pixels.
    constexpr std::int64_t kPairTableWorthIt = 1 << 18;
    const bool gamma =
        steps_ == Steps::Gamma || steps_ == Steps::GammaThenTone || steps_ == Steps::ToneThenGamma;
    if (!gamma || pixelCount < kPairTableWorthIt || !gammaPairs_.empty()) return;
    if (pixel_kernels::HasBytePermute()) return;
    gammaPairs_ = pixel_kernels::GammaPairTable(gamma_);
}

void ColourRule::Gamma(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes) const {
    if (pixel_kernels::HasBytePermute())
        pixel_kernels::GammaBytesPermute(src, dst, bytes, gamma_);
    else if (!gammaPairs_.empty())
        pixel_kernels::GammaPairBytes(src, dst, bytes, gammaPairs_.data(), gamma_);
    else
        pixel_kernels::GammaBytes(src, dst, bytes, gamma_);
}

void ColourRule::ApplyRun(const std::uint8_t* src, std::uint8_t* dst, int count) const {
    if (count <= 0) return;
    // With both steps the second works in place on the first one's output,
    // still in cache: a run is at most one row.
    const std::size_t bytes = 3 * static_cast<std::size_t>(count);
    switch (steps_) {
        case Steps::None:
            if (src != dst) std::memmove(dst, src, bytes);
            return;
        case Steps::Gamma:
            Gamma(src, dst, bytes);
            return;
        case Steps::Tone:
            pixel_kernels::ToneRun(src, dst, count, tone_.data());
            return;
        case Steps::GammaThenTone:
            Gamma(src, dst, bytes);
            pixel_kernels::ToneRun(dst, dst, count, tone_.data());
            return;
        case Steps::ToneThenGamma:
            pixel_kernels::ToneRun(src, dst, count, tone_.data());
            Gamma(dst, dst, bytes);
            return;
    }
}

}  // namespace corvane
