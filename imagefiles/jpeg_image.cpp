#include "imagefiles/jpeg_image.h"

#include <algorithm>
#include <utility>

#include "imagefiles/file_io.h"
#include "imagefiles/jpeg_codec.h"
#include "imagefiles/metadata/jpeg_metadata.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

std::uint8_t ClampQuality(int quality) { return static_cast<std::uint8_t>(std::clamp(quality, 1, 100)); }

jpegcodec::DecodeSettings DecodeSettingsFor(const TJPEGOptions& options) {
    jpegcodec::DecodeSettings s;
    s.ScaleDenom = 1 << static_cast<int>(options.Scale);
    s.Smoothing = options.Smoothing;
    s.Quantize = options.PixelFormat == TJPEGPixelFormat::jf8Bit;
    s.GrayscaleOutput = options.Grayscale;
    s.Fast = options.Performance == TJPEGPerformance::jpBestSpeed;
    return s;
}

// The pixel stage, on a job whose header has been read.
std::unique_ptr<TBitmap> DecodeFrom(jpegcodec::DecodeJob* job, const TJPEGOptions& options) {
    const jpegcodec::DecodeSettings settings = DecodeSettingsFor(options);
    jpegcodec::OutputInfo info;
    if (const int code = jpegcodec::StartDecompress(job, &settings, &info)) throw EJPEG(code);

    // Only now, with the header checked against the limits, is memory taken.
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(info.Indexed ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    picture->SetSize(info.Width, info.Height, TBitmap::Fill::Uninitialized);
    if (info.Indexed) {
        std::vector<TPaletteEntry> palette(static_cast<std::size_t>(info.Colors));
        for (int i = 0; i < info.Colors; ++i)
            palette[i] = {info.Colormap[0][i], info.Colormap[1][i], info.Colormap[2][i], 0};
        picture->SetPalette(std::move(palette));
    }
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(info.Height));
    for (int y = 0; y < info.Height; ++y) rows[y] = picture->ScanLine(y);
    if (const int code = jpegcodec::ReadRows(job, rows.data())) throw EJPEG(code);
    return picture;
}

}  // namespace

namespace {

std::unique_ptr<TBitmap> DecodeWithMetadata(std::span<const std::uint8_t> bytes, const TJPEGOptions& options,
                                            TImageMetadata* metadata) {
    const jpegcodec::DecodeJobPtr job = jpegcodec::NewDecodeJob();
    jpegcodec::StreamInfo info;
    if (const int code = jpegcodec::ReadHeader(job.get(), bytes.data(), bytes.size(), &info))
        throw EJPEG(code);
    if (metadata) *metadata = ReadJPEGMetadata(job.get());
    return DecodeFrom(job.get(), options);
}

}  // namespace

std::unique_ptr<TBitmap> DecodeJPEG(std::span<const std::uint8_t> bytes, const TJPEGOptions& options) {
    return DecodeWithMetadata(bytes, options, nullptr);
}

std::vector<std::uint8_t> EncodeJPEG(const TBitmap& picture, const TJPEGOptions& options,
                                     const TImageMetadata* metadata) {
    if (picture.Empty()) return {};
    const TBitmap* source = &picture;
    std::unique_ptr<TBitmap> converted;
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        converted = picture.Clone();
        converted->SetPixelFormat(TPixelFormat::pf24bit);
        source = converted.get();
    }
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(source->Height()));
    for (int y = 0; y < source->Height(); ++y) rows[y] = source->ScanLine(y);

    jpegcodec::EncodeSettings settings;
    settings.Quality = ClampQuality(options.CompressionQuality);
    settings.Progressive = options.ProgressiveEncoding;
    settings.Grayscale = options.Grayscale;
    std::vector<jpegcodec::MarkerView> markers;
    if (metadata) {
        for (const TMetadataSegment& segment : metadata->Segments)
            markers.push_back({segment.Marker, segment.Bytes.data(), segment.Bytes.size()});
        settings.Markers = markers.data();
        settings.MarkerCount = markers.size();
        settings.IccProfile = metadata->IccProfile.data();
        settings.IccSize = metadata->IccProfile.size();
    }
    std::vector<std::uint8_t> bytes;
    const jpegcodec::EncodeJobPtr job = jpegcodec::NewEncodeJob();
    if (const int code =
            jpegcodec::Encode(job.get(), rows.data(), source->Width(), source->Height(), &settings, &bytes))
        throw EJPEG(code);
    return bytes;
}

void TJPEGImage::SetCompressionQuality(int quality) { options_.CompressionQuality = ClampQuality(quality); }

void TJPEGImage::DropStream() {
    header_.reset();
    data_ = {};
}

void TJPEGImage::TakeData(std::vector<std::uint8_t> bytes) {
    ownPicture_.reset();
    picture_ = nullptr;
    metadata_ = {};
    DropStream();
    data_.Data = std::move(bytes);
    if (data_.Data.empty()) return;
    // The header is read where the stream will stay, so the job can go on
    // reading from it when the picture is decoded.
    jpegcodec::DecodeJobPtr job = jpegcodec::NewDecodeJob();
    jpegcodec::StreamInfo info;
    if (const int code = jpegcodec::ReadHeader(job.get(), data_.Data.data(), data_.Data.size(), &info)) {
        DropStream();
        throw EJPEG(code);
    }
    data_.Width = info.Width;
    data_.Height = info.Height;
    data_.Grayscale = info.Grayscale;
    options_.ProgressiveEncoding = info.MultipleScans;
    metadata_ = ReadJPEGMetadata(job.get());
    header_ = std::move(job);
}

void TJPEGImage::LoadFromFile(const std::string& path) { TakeData(ReadWholeFile(path)); }

void TJPEGImage::LoadFromMemory(std::span<const std::uint8_t> bytes) {
    TakeData(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void TJPEGImage::SaveToFile(const std::string& path) {
    if (data_.Data.empty() && picture_) Compress();
    WriteWholeFile(path, data_.Data);
}

void TJPEGImage::Assign(const TBitmap& picture) {
    metadata_ = {};
    ownPicture_.reset();
    picture_ = &picture;
    DropStream();
}

void TJPEGImage::Assign(std::unique_ptr<TBitmap> picture) {
    metadata_ = {};
    ownPicture_ = std::move(picture);
    picture_ = ownPicture_.get();
    DropStream();
}

void TJPEGImage::Compress() {
    DropStream();
    if (!picture_) return;
    data_.Data = EncodeJPEG(*picture_, options_, &metadata_);
    if (!data_.Data.empty()) {
        data_.Width = picture_->Width();
        data_.Height = picture_->Height();
        data_.Grayscale = options_.Grayscale;
    }
}

void TJPEGImage::Decode() {
    // The job kept from loading decodes once; any later decode starts afresh.
    const jpegcodec::DecodeJobPtr job = std::move(header_);
    ownPicture_ = job ? DecodeFrom(job.get(), options_) : DecodeJPEG(data_.Data, options_);
    picture_ = ownPicture_.get();
}

const TBitmap& TJPEGImage::Bitmap() {
    if (!picture_) Decode();
    return *picture_;
}

std::unique_ptr<TBitmap> TJPEGImage::ReleaseBitmap() {
    if (!picture_) Decode();
    std::unique_ptr<TBitmap> picture = ownPicture_ ? std::move(ownPicture_) : picture_->Clone();
    picture_ = nullptr;
    return picture;
}

std::unique_ptr<TBitmap> ReadJPEGFile(const std::string& path, TImageMetadata* metadata) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    if (metadata) *metadata = jpeg.TakeMetadata();
    return jpeg.ReleaseBitmap();
}

std::unique_ptr<TBitmap> ReadJPEGFromMemory(std::span<const std::uint8_t> bytes, TImageMetadata* metadata) {
    return DecodeWithMetadata(bytes, JPEGDefaults(), metadata);
}

std::vector<std::uint8_t> EncodeJPEG(const TBitmap& picture, int quality, bool progressive,
                                     const TImageMetadata* metadata) {
    TJPEGOptions options = JPEGDefaults();
    options.CompressionQuality = ClampQuality(quality);
    options.ProgressiveEncoding = progressive;
    return EncodeJPEG(picture, options, metadata);
}

void WriteJPEGFile(const TBitmap& picture, const std::string& path, int quality, bool progressive,
                   const TImageMetadata* metadata) {
    TJPEGImage jpeg;
    jpeg.SetCompressionQuality(quality);
    jpeg.SetProgressiveEncoding(progressive);
    jpeg.Assign(picture);
    if (metadata) jpeg.SetMetadata(*metadata);
    jpeg.Compress();
    jpeg.SaveToFile(path);
}

}  // namespace corvane
