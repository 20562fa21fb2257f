// The batch runner: appends the file selection to the batch list, converts
// every entry in list order, reports progress, and ends with the beep and the
// "変換終了" box. A failure ends the run at the failing entry: the list keeps
// every entry, the pictures are released, the progress window is destroyed,
// the cursor restored and the file list's selection update re-applied; then
// the failure is shown through the host's error display.
#pragma once

#include "app/conversion_settings.h"
#include "app/paths.h"
#include "app/runner_host.h"

namespace corvane {

// Returns true when the run ended normally.
bool RunBatch(TRunnerHost& host, const TConversionSettings& settings,
              PathStyle style = PathStyle::Native);

}  // namespace corvane
