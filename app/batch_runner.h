// The batch runner: appends the file selection to the batch list, converts
// every entry in list order, reports progress, and ends with the beep and the
// "変換終了" box. A failure ends the run at the failing entry: the list keeps
// every entry, the pictures are released, the progress window is destroyed,
// the cursor restored and the file list's selection update re-applied; then
// the failure is shown through the host's error display.
#pragma once

#include <functional>

#include "app/conversion_settings.h"
#include "app/paths.h"
#include "app/runner_host.h"

namespace corvane {

// The progress window's first line before the first entry.
inline constexpr const char* kPreparingText = "準備中";
// The end-of-run box's text.
inline constexpr const char* kFinishedText = "変換終了";

// Returns true when the run ended normally.
bool RunBatch(TRunnerHost& host, const TConversionSettings& settings, PathStyle style = PathStyle::Native);

// The run around a given loop over entries 0 .. count-1 (called only when the
// list has entries; it reports progress through the host and throws the
// failure that ends the run). RunBatch passes the one-at-a-time loop.
using TEntryLoop = std::function<void(TRunnerHost& host, int count)>;
bool RunBatchWith(TRunnerHost& host, const TConversionSettings& settings, PathStyle style,
                  const TEntryLoop& loop);

}  // namespace corvane
