// How much memory a run may take: what the system reports as available
// (MemAvailable of /proc/meminfo: free memory plus the caches it can drop
// without swapping), against what an entry is estimated to need
// (entry_estimate.h). An entry that cannot fit even alone is refused with
// "メモリが足りません" rather than left to the kernel's out-of-memory killer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// MemAvailable in bytes; nullopt where the system does not say.
std::optional<std::uint64_t> AvailableMemory();

// Hands the freed blocks this process keeps for reuse (memory_policy.h,
// pixel_buffer.h) back to the system, so that AvailableMemory counts them.
void GiveBackFreedMemory();

// For an entry that is to run alone: throws EOutOfMemory naming the file and
// the amounts when `needed` is more than is available, even after the kept
// blocks are given back. `budget`: the amount the caller allows, or nullopt
// for what the machine has.
void RequireMemory(const std::string& path, std::uint64_t needed, std::optional<std::uint64_t> budget);

}  // namespace corvane
