// Shards of one list run in separate processes, in no order among them. They
// do together what the whole list does only when no file is written by
// entries of two shards, and no entry reads a file that an entry of another
// shard writes; within a shard the list order holds as it does in one run.
#pragma once

#include <string>
#include <vector>

#include "app/conversion_settings.h"

namespace corvane {

// Raises ECorvaneError naming the first two entries (numbered from 1) of
// different shards that share a file, and the file.
void CheckShardsIndependent(const std::vector<std::string>& list, const TConversionSettings& settings,
                            int shardCount);

}  // namespace corvane
