#include "app/memory_budget.h"

#include <malloc.h>

#include <fstream>
#include <sstream>

#include "app/errors.h"
#include "imaging/pixel_buffer.h"

namespace corvane {

namespace {

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

}  // namespace

std::optional<std::uint64_t> AvailableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        std::uint64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:") return kilobytes * 1024;
    }
    return std::nullopt;
}

void GiveBackFreedMemory() {
    PixelBuffer::ReleaseCache();
    ::malloc_trim(0);
}

void RequireMemory(const std::string& path, std::uint64_t needed, std::optional<std::uint64_t> budget) {
    std::optional<std::uint64_t> available = budget ? budget : AvailableMemory();
    if (!available || needed <= *available) return;
    if (!budget) {
        GiveBackFreedMemory();
        available = AvailableMemory();
        if (!available || needed <= *available) return;
    }
    throw EOutOfMemory("メモリが足りません: ファイル " + path + " の変換には約 " + Megabytes(needed) +
                       " 必要ですが、使えるのは " + Megabytes(*available) + " です");
}

}  // namespace corvane
