// One prepared entry read, converted, encoded and written, as a run does it,
// without the runner around it.
#pragma once

#include <fstream>

#include "app/entry_conversion.h"

namespace corvane::testing {

inline void ConvertEntry(const TEntryJob& job, const TConversionSettings& settings) {
    const TEncodedEntry encoded = EncodeEntry(job, settings);
    std::ofstream(encoded.Target.Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(encoded.Bytes.data()),
               static_cast<std::streamsize>(encoded.Bytes.size()));
}

}  // namespace corvane::testing
