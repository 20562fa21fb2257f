#include "app/output_writer.h"

#include "app/letter_case.h"

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
    for (const TImageFormat& format : ImageFormats())
        if (format.Writable() && saveFormat == format.Extensions.front())
            return {ApplyCaseRule(ChangeFileExt(base, saveFormat, style), nameCase, style), format.Id};
    if (saveFormat == "AUTO") {
        const TImageFormat* format = ImageFormatForExtension(LowerExt(base, style));
        if (format && format->Writable()) return {base, format->Id};
    }
    return {base, TWriterKind::None};
}

void WriteOutput(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive) {
    WriteOutput(picture, target, quality, progressive, TImageMetadata{});
}

void WriteOutput(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive,
                 const TImageMetadata& metadata) {
    WriteImageFile(picture, target.Writer, target.Path, {quality, progressive, kBackColor, &metadata});
}

std::vector<std::uint8_t> EncodeOutput(const TBitmap& picture, TWriterKind writer, int quality,
                                       bool progressive) {
    return EncodeOutput(picture, writer, quality, progressive, TImageMetadata{});
}

std::vector<std::uint8_t> EncodeOutput(const TBitmap& picture, TWriterKind writer, int quality,
                                       bool progressive, const TImageMetadata& metadata) {
    return EncodeImage(picture, writer, {quality, progressive, kBackColor, &metadata});
}

void NameAndWrite(const TBitmap& picture, const std::string& destinationFolder,
                  const std::string& sourceFileName, const TConversionSettings& settings, PathStyle style) {
    WriteOutput(
        picture,
        OutputPathFor(destinationFolder, sourceFileName, settings.SaveFormat, settings.NameCase, style),
        settings.JPEGQuality, settings.Progressive);
}

}  // namespace corvane
