// libtiff over bytes in memory: a reading view of a span, or a growing byte
// vector to write into, with the library's messages collected per handle
// (never through the process-wide handlers, which parallel entries share).
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace corvane::tiffio {

struct TIFFCloser {
    void operator()(TIFF* tif) const noexcept { TIFFClose(tif); }
};
using TIFFPtr = std::unique_ptr<TIFF, TIFFCloser>;

// What one handle reads or writes and the library's last error text. Must
// outlive the handle.
struct MemoryStream {
    std::span<const std::uint8_t> Input;          // reading
    std::vector<std::uint8_t>* Output = nullptr;  // writing
    std::uint64_t Position = 0;
    std::string Error;
};

// mode "r" reads stream.Input, "w" writes into *stream.Output. nullptr when
// the library refuses at once; the reason is in stream.Error.
TIFFPtr OpenMemory(MemoryStream& stream, const char* mode);

}  // namespace corvane::tiffio
