// The C-level side of the JPEG layer: every libjpeg call lives in
// jpeg_codec.cpp. Each entry point runs the library under its own setjmp and
// returns 0 or the library's message code. Their frames hold nothing with a
// destructor and the library state lives in a job the caller owns, so the
// library's error jump never skips a C++ object. Callers allocate what the
// library writes into between the stages and turn codes into EJPEG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvane::jpegcodec {

struct DecodeJob;
struct EncodeJob;
struct JobDeleter {
    void operator()(DecodeJob* job) const noexcept;
    void operator()(EncodeJob* job) const noexcept;
};
using DecodeJobPtr = std::unique_ptr<DecodeJob, JobDeleter>;
using EncodeJobPtr = std::unique_ptr<EncodeJob, JobDeleter>;
DecodeJobPtr NewDecodeJob();
EncodeJobPtr NewEncodeJob();

struct StreamInfo {
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
    bool MultipleScans = false;
};

// The first stage of decoding: creates the library state, reads the header
// (keeping the APP1, APP2, APP13 and comment segments before the first scan)
// and checks it against the limits. An empty stream fails with the
// empty-input code. On success the job reads from `data`, which must stay
// unchanged until the job is dropped, and is ready for StartDecompress.
int ReadHeader(DecodeJob* job, const std::uint8_t* data, std::size_t size, StreamInfo* info);

// A segment kept while the header was read: marker code and payload, valid
// while the job lives.
struct MarkerView {
    int Code = 0;
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
};
// The kept segments in file order, on a job whose header was read.
std::vector<MarkerView> SavedMarkers(const DecodeJob* job);

// The ICC profile joined from the APP2 segments, on a job whose header was
// read. Found false: the stream carries none. Complete false: its segments
// are inconsistent (one missing, numbered twice, counts that disagree).
struct IccView {
    bool Found = false;
    bool Complete = false;
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
};
IccView SavedIccProfile(const DecodeJob* job);

struct DecodeSettings {
    int ScaleDenom = 1;  // 1, 2, 4 or 8
    bool Smoothing = true;
    bool Quantize = false;         // 236 colours into an 8-bit picture
    bool GrayscaleOutput = false;  // grey output, quantised like a grey stream
    bool Fast = false;             // fast DCT, plain upsampling, one-pass dithering
};

struct OutputInfo {
    int Width = 0;
    int Height = 0;
    // Indexed: one byte per pixel, Colors entries in Colormap (red, green,
    // blue). Otherwise three bytes per pixel, blue, green, red.
    bool Indexed = false;
    int Colors = 0;
    std::uint8_t Colormap[3][256] = {};
};

// The second stage, on a job whose header was read: settings and the start
// of decompression. On success the job is ready for ReadRows with pictures of
// out->Width x out->Height. A job that has no header fails with the
// bad-state code.
int StartDecompress(DecodeJob* job, const DecodeSettings* settings, OutputInfo* out);
// Decodes every row into rows[0 .. Height-1] (top row first) and finishes.
// Calls out of this order fail with the bad-state code.
int ReadRows(DecodeJob* job, std::uint8_t* const* rows);

struct EncodeSettings {
    int Quality = 90;
    bool Progressive = false;
    bool Grayscale = false;
    // Written after the JFIF header in this order (payloads of at most 65533
    // bytes), then the profile as APP2 segments; none by default.
    const MarkerView* Markers = nullptr;
    std::size_t MarkerCount = 0;
    const std::uint8_t* IccProfile = nullptr;
    std::size_t IccSize = 0;
};

// Encodes width x height blue-green-red rows (top row first) into *out.
int Encode(EncodeJob* job, const std::uint8_t* const* rows, int width, int height,
           const EncodeSettings* settings, std::vector<std::uint8_t>* out);

}  // namespace corvane::jpegcodec
