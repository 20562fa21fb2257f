// The manifest's line parser on arbitrary bytes: a line it takes, written
// again, must read back as the same record and the same line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const auto record = corvane::ParseManifestLine(line);
    if (!record) return 0;
    const std::string written = corvane::ManifestLine(*record);
    const auto again = corvane::ParseManifestLine(written);
    if (!again || corvane::ManifestLine(*again) != written || again->Source != record->Source ||
        again->Output != record->Output || again->Reason != record->Reason || again->Sha256 != record->Sha256)
        std::abort();
    return 0;
}
