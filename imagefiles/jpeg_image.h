// JPEG files: the JPEG image object that holds one compressed stream and the
// picture made from it or for it, and the reader and writer the batch uses.
// Decoded pictures are 24-bit (blue, green, red), or 8-bit indexed for
// grayscale streams and on a low-colour display; four-component (CMYK, YCCK)
// streams become 24-bit. Library failures raise EJPEG with the message code.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imagefiles/jpeg_codec.h"
#include "imagefiles/jpeg_defaults.h"
#include "imagefiles/jpeg_limits.h"
#include "imagefiles/metadata/image_metadata.h"
#include "imaging/TBitmap.h"

namespace corvane {

// One compressed stream and what its header says.
struct TJPEGData {
    std::vector<std::uint8_t> Data;
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
};

class TJPEGImage {
public:
    TJPEGImage() : options_(JPEGDefaults()) {}
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    int CompressionQuality() const { return options_.CompressionQuality; }
    // Held in one byte; values outside 1 .. 100 are clamped.
    void SetCompressionQuality(int quality);
    bool ProgressiveEncoding() const { return options_.ProgressiveEncoding; }
    void SetProgressiveEncoding(bool on) { options_.ProgressiveEncoding = on; }
    bool Grayscale() const { return options_.Grayscale; }
    void SetGrayscale(bool on) { options_.Grayscale = on; }
    TJPEGPerformance Performance() const { return options_.Performance; }
    TJPEGPixelFormat PixelFormat() const { return options_.PixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat format) { options_.PixelFormat = format; }
    bool ProgressiveDisplay() const { return options_.ProgressiveDisplay; }
    TJPEGScale Scale() const { return options_.Scale; }
    void SetScale(TJPEGScale scale) { options_.Scale = scale; }
    bool Smoothing() const { return options_.Smoothing; }
    const TJPEGOptions& Options() const { return options_; }

    // The compressed stream; Width/Height/Grayscale come from its header.
    const TJPEGData& Data() const { return data_; }
    int Width() const { return data_.Width; }
    int Height() const { return data_.Height; }

    // Take a stream (whole file in memory) and read its header; an empty
    // stream is taken as it is and fails only when decoded. Drops any picture.
    // The first decode goes on from this header instead of reading it again.
    void LoadFromFile(const std::string& path);
    void LoadFromMemory(std::span<const std::uint8_t> bytes);
    // Writes the compressed stream atomically, compressing the picture first
    // when there is no stream yet. An empty stream gives an empty file.
    void SaveToFile(const std::string& path);

    // What the stream's header carried besides pixels (read on loading), or
    // what Compress writes with the picture (given by SetMetadata). Loading
    // and Assign replace it.
    const TImageMetadata& Metadata() const { return metadata_; }
    TImageMetadata TakeMetadata() { return std::move(metadata_); }
    void SetMetadata(TImageMetadata metadata) { metadata_ = std::move(metadata); }

    // Give the object a picture to compress. By reference: the picture is
    // read in place and must outlive the object (or the next Assign). By
    // unique_ptr: the object keeps it. Either drops the compressed stream.
    void Assign(const TBitmap& picture);
    void Assign(std::unique_ptr<TBitmap> picture);
    // Encodes the picture into the stream; an empty picture gives no data.
    void Compress();
    // Decodes the stream into the object's picture.
    void Decode();

    // The picture, decoded on first use.
    const TBitmap& Bitmap();
    // Hands the picture over (decoding it first if needed); a picture
    // assigned by reference is copied.
    std::unique_ptr<TBitmap> ReleaseBitmap();

private:
    void TakeData(std::vector<std::uint8_t> bytes);
    void DropStream();

    TJPEGOptions options_;
    TJPEGData data_;
    // The decoder that read data_'s header on loading, until the first decode
    // uses it; it reads from data_.Data, so it goes whenever the stream does.
    jpegcodec::DecodeJobPtr header_;
    std::unique_ptr<TBitmap> ownPicture_;
    const TBitmap* picture_ = nullptr;
    TImageMetadata metadata_;
};

// Decode or encode a stream with the given options, without a JPEG image
// object (so nothing is copied on the way).
std::unique_ptr<TBitmap> DecodeJPEG(std::span<const std::uint8_t> bytes, const TJPEGOptions& options);
// Any pixel format; pictures that are not 24-bit go through a temporary
// 24-bit copy. An empty picture gives no bytes. The metadata's segments
// follow the JFIF header in their order, then its profile; without any the
// stream is the same as with none given.
std::vector<std::uint8_t> EncodeJPEG(const TBitmap& picture, const TJPEGOptions& options,
                                     const TImageMetadata* metadata = nullptr);

// The batch's reader and writer, with the JPEG defaults. The readers give
// the stream's metadata too when asked for it.
std::unique_ptr<TBitmap> ReadJPEGFile(const std::string& path, TImageMetadata* metadata = nullptr);
std::unique_ptr<TBitmap> ReadJPEGFromMemory(std::span<const std::uint8_t> bytes,
                                            TImageMetadata* metadata = nullptr);
// The file is created only once the whole stream is in memory, and replaced
// atomically; a failure leaves an existing file untouched.
void WriteJPEGFile(const TBitmap& picture, const std::string& path, int quality, bool progressive,
                   const TImageMetadata* metadata = nullptr);
std::vector<std::uint8_t> EncodeJPEG(const TBitmap& picture, int quality, bool progressive,
                                     const TImageMetadata* metadata = nullptr);

}  // namespace corvane
