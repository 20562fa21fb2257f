// The options every JPEG image object starts with, and the one process-wide
// setting behind them: whether the display shows 256 colours or fewer, which
// makes decoded pictures 8-bit. The flag is set once at start-up.
#pragma once

#include <cstdint>

namespace corvane {

enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };
enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

struct TJPEGOptions {
    std::uint8_t CompressionQuality = 90;  // 1 .. 100
    bool ProgressiveEncoding = false;
    bool Grayscale = false;
    TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
    // Decoding is always one pass over the complete stream; kept for callers
    // that set it, it changes nothing.
    bool ProgressiveDisplay = false;
    TJPEGScale Scale = TJPEGScale::jsFullSize;
    bool Smoothing = true;
};

// The defaults, with PixelFormat jf8Bit on a low-colour display.
TJPEGOptions JPEGDefaults();

// Default false: 24-bit decoding, also where there is no display at all.
void SetLowColorDisplay(bool lowColor);
bool LowColorDisplay();

}  // namespace corvane
