#include "imagefiles/jpeg_defaults.h"

#include <atomic>

namespace corvane {

namespace {
// Atomic because batch workers may read it while nothing writes it any more.
std::atomic<bool> lowColorDisplay{false};
}  // namespace

TJPEGOptions JPEGDefaults() {
    TJPEGOptions options;
    if (LowColorDisplay()) options.PixelFormat = TJPEGPixelFormat::jf8Bit;
    return options;
}

void SetLowColorDisplay(bool lowColor) { lowColorDisplay.store(lowColor, std::memory_order_relaxed); }

bool LowColorDisplay() { return lowColorDisplay.load(std::memory_order_relaxed); }

}  // namespace corvane
