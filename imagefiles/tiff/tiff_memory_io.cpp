// The callbacks run inside libtiff's C frames: none of them may throw, so a
// failed allocation while writing is reported as a short write.
#include "imagefiles/tiff/tiff_memory_io.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace corvane::tiffio {

namespace {

MemoryStream& Stream(thandle_t h) { return *static_cast<MemoryStream*>(h); }

std::uint64_t Size(const MemoryStream& s) { return s.Output ? s.Output->size() : s.Input.size(); }

tmsize_t ReadProc(thandle_t h, void* buffer, tmsize_t size) {
    MemoryStream& s = Stream(h);
    const std::uint8_t* data = s.Output ? s.Output->data() : s.Input.data();
    const std::uint64_t total = Size(s);
    if (size <= 0 || s.Position >= total) return 0;
    const auto n = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size), total - s.Position));
    std::memcpy(buffer, data + s.Position, n);
    s.Position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t h, void* buffer, tmsize_t size) {
    MemoryStream& s = Stream(h);
    if (!s.Output || size < 0) return -1;
    try {
        const std::uint64_t end = s.Position + static_cast<std::uint64_t>(size);
        if (end > s.Output->size()) s.Output->resize(static_cast<std::size_t>(end));
        std::memcpy(s.Output->data() + s.Position, buffer, static_cast<std::size_t>(size));
        s.Position = end;
        return size;
    } catch (...) {
        return -1;
    }
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
    MemoryStream& s = Stream(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = s.Position;
    if (whence == SEEK_END) base = Size(s);
    const std::uint64_t target = base + offset;
    // Writing may seek past the end (libtiff fills the gap by writing).
    if (!s.Output && target > Size(s)) return static_cast<toff_t>(-1);
    s.Position = target;
    return target;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return Size(Stream(h)); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorProc(TIFF*, void* user, const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    MemoryStream& s = *static_cast<MemoryStream*>(user);
    try {
        s.Error = module && *module ? std::string(module) + ": " + text : std::string(text);
    } catch (...) {
    }
    return 1;  // handled: nothing goes to the process-wide handler
}

int WarningProc(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* o) const noexcept { TIFFOpenOptionsFree(o); }
};

}  // namespace

TIFFPtr OpenMemory(MemoryStream& stream, const char* mode) {
    const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) throw std::bad_alloc();
    // A strip of the largest picture the program holds fits in 1 GiB; a
    // header can declare far more.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t{1} << 30);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ErrorProc, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), WarningProc, &stream);
    // "m": no memory mapping, the callbacks are the only way to the bytes.
    const std::string fullMode = std::string(mode) + "m";
    return TIFFPtr(TIFFClientOpenExt("memory", fullMode.c_str(), &stream, ReadProc, WriteProc, SeekProc,
                                     CloseProc, SizeProc, MapProc, UnmapProc, options.get()));
}

}  // namespace corvane::tiffio
