#include "app/entry_conversion.h"

#include <sys/stat.h>

#include "app/batch_entry.h"
#include "imagefiles/format_registry.h"
#include "imaging/BitmapUtils.h"
#include "imaging/errors.h"

namespace corvane {

TEntryJob PrepareEntry(const std::string& entry, int index, int count, const TConversionSettings& settings,
                       PathStyle style) {
    const std::vector<std::string> fields = SplitCommaText(entry);
    if (fields.size() < 2) throw EListError(static_cast<int>(fields.size()));

    TEntryJob job;
    job.SourcePath = fields[0];
    job.SourceFolder = IncludeTrailingDelimiter(ExtractFilePath(job.SourcePath, style), style);
    job.DestinationFolder = fields[1];

    const std::string name = ExtractFileName(job.SourcePath, style);
    job.ProgressLine = std::to_string(index + 1) + "/" + std::to_string(count) + "  From File: " + name;
    // The displayed name takes the save format's text as it is typed, without the case rule.
    const std::string shownName =
        settings.SaveFormat == "AUTO" ? name : ChangeFileExt(name, settings.SaveFormat, style);
    job.TargetLine = "        To File : " +
                     RelativeDisplayPath(job.SourceFolder, job.DestinationFolder + shownName, style);
    return job;
}

bool SourceFileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<TBitmap> ReadSourcePicture(const std::string& path, PathStyle style) {
    return ReaderForExtension(LowerExt(path, style)).Read(path, {}).Bitmap;
}

std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& s) {
    const int angle = EffectiveAngle(s, source.Width(), source.Height());
    const bool tone = ToneRequested(s);
    const bool rotation = RotationRequested(s, source.Width(), source.Height());
    if (tone && rotation)
        return RotateToneGammaBitmap(source, angle, s.Mirror, s.Circum, s.Brightness, s.Contrast,
                                     LevelCode(s), GammaCode(s), s.ToneFirst, kBackColor);
    if (tone)
        return ToneGammaBitmap(source, s.Brightness, s.Contrast, LevelCode(s), GammaCode(s), s.ToneFirst);
    if (rotation) return RotateBitmap(source, angle, s.Mirror, s.Circum, kBackColor);
    return nullptr;
}

TOutputTarget EntryOutputTarget(const TEntryJob& job, const TConversionSettings& settings, PathStyle style) {
    return OutputPathFor(job.DestinationFolder, ExtractFileName(job.SourcePath, style), settings.SaveFormat,
                         settings.NameCase, style);
}

void ConvertEntry(const TEntryJob& job, const TConversionSettings& settings, PathStyle style) {
    if (!SourceFileExists(job.SourcePath)) return;
    std::unique_ptr<TBitmap> source = ReadSourcePicture(job.SourcePath, style);
    std::unique_ptr<TBitmap> output = ConvertPicture(*source, settings);
    WriteOutput(output ? *output : *source, EntryOutputTarget(job, settings, style), settings.JPEGQuality,
                settings.Progressive);
    output.reset();
    source.reset();
}

TEncodedEntry EncodeEntry(const TEntryJob& job, const TConversionSettings& settings, PathStyle style) {
    TEncodedEntry result;
    if (!SourceFileExists(job.SourcePath)) {
        result.Skipped = true;
        return result;
    }
    result.Target = EntryOutputTarget(job, settings, style);
    std::unique_ptr<TBitmap> source = ReadSourcePicture(job.SourcePath, style);
    std::unique_ptr<TBitmap> output = ConvertPicture(*source, settings);
    result.Bytes = EncodeOutput(output ? *output : *source, result.Target.Writer, settings.JPEGQuality,
                                settings.Progressive);
    return result;
}

}  // namespace corvane
