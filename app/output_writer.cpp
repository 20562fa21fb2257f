#include "app/output_writer.h"

#include "app/letter_case.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"

namespace corvane {

namespace {

std::string MapCase(const std::string& text, TNameCase nameCase, PathStyle style) {
    switch (nameCase) {
        case TNameCase::Lower:
            return LowerCaseText(text, style);
        case TNameCase::Upper:
            return UpperCaseText(text, style);
        case TNameCase::None:
            break;
    }
    return text;
}

}  // namespace

std::string ApplyCaseRule(const std::string& path, TNameCase nameCase, PathStyle style) {
    if (style == PathStyle::Windows) return MapCase(path, nameCase, style);
    const std::string folder = ExtractFilePath(path, style);
    return folder + MapCase(path.substr(folder.size()), nameCase, style);
}

TOutputTarget OutputPathFor(const std::string& destinationFolder, const std::string& sourceFileName,
                            const std::string& saveFormat, TNameCase nameCase, PathStyle style) {
    const std::string base = ApplyCaseRule(destinationFolder + sourceFileName, nameCase, style);
    if (saveFormat == ".bmp")
        return {ApplyCaseRule(ChangeFileExt(base, ".bmp", style), nameCase, style), TWriterKind::Bitmap};
    if (saveFormat == ".jpg")
        return {ApplyCaseRule(ChangeFileExt(base, ".jpg", style), nameCase, style), TWriterKind::JPEG};
    if (saveFormat == "AUTO") {
        const std::string ext = LowerExt(base, style);
        if (ext == ".bmp") return {base, TWriterKind::Bitmap};
        if (ext == ".jpg" || ext == ".jpeg") return {base, TWriterKind::JPEG};
    }
    return {base, TWriterKind::None};
}

void WriteOutput(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive) {
    WriteOutput(picture, target, quality, progressive, TImageMetadata{});
}

void WriteOutput(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive,
                 const TImageMetadata& metadata) {
    switch (target.Writer) {
        case TWriterKind::Bitmap:
            WriteBitmapFile(picture, target.Path, metadata.IccProfile);
            break;
        case TWriterKind::JPEG:
            WriteJPEGFile(picture, target.Path, quality, progressive, &metadata);
            break;
        case TWriterKind::None:
            break;
    }
}

std::vector<std::uint8_t> EncodeOutput(const TBitmap& picture, TWriterKind writer, int quality,
                                       bool progressive) {
    return EncodeOutput(picture, writer, quality, progressive, TImageMetadata{});
}

std::vector<std::uint8_t> EncodeOutput(const TBitmap& picture, TWriterKind writer, int quality,
                                       bool progressive, const TImageMetadata& metadata) {
    switch (writer) {
        case TWriterKind::Bitmap:
            return EncodeBitmap(picture, metadata.IccProfile);
        case TWriterKind::JPEG:
            return EncodeJPEG(picture, quality, progressive, &metadata);
        case TWriterKind::None:
            break;
    }
    return {};
}

void NameAndWrite(const TBitmap& picture, const std::string& destinationFolder,
                  const std::string& sourceFileName, const TConversionSettings& settings, PathStyle style) {
    WriteOutput(
        picture,
        OutputPathFor(destinationFolder, sourceFileName, settings.SaveFormat, settings.NameCase, style),
        settings.JPEGQuality, settings.Progressive);
}

}  // namespace corvane
