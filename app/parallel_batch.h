// The batch run with up to N entries converted at once, for the command-line
// tool. Its files are those of the sequential run: entries start in list
// order, outputs are written in list order by one thread (so of two entries
// writing one path the later stays), an entry whose source is the output of
// an earlier entry waits for that file, and at most N entries hold pictures
// at once. Outcomes reach the host in list order. After a failure that ends
// the run no later entry starts and in-flight later entries are dropped
// unwritten; the message is the one the sequential run shows. An entry left
// out before its source is read never reaches a worker; an entry starts only
// when its estimated memory fits beside that of the entries in flight. The
// host is called from the calling thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "app/conversion_settings.h"
#include "app/entry_outcome.h"
#include "app/paths.h"
#include "app/runner_host.h"

namespace corvane {

// jobs < 1 counts as 1 (still one worker, so writing overlaps the next
// entry); a plan is the sequential RunBatch. memoryBudget: what the entries
// in flight may hold together, by their estimates (entry_estimate.h); by
// default the memory available when the run starts.
TRunSummary RunBatchParallel(TRunnerHost& host, const TConversionSettings& settings, int jobs,
                             PathStyle style = PathStyle::Native,
                             std::optional<std::uint64_t> memoryBudget = std::nullopt);

}  // namespace corvane
