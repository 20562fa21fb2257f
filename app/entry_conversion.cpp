#include "app/entry_conversion.h"

#include <sys/stat.h>

#include "app/batch_entry.h"
#include "imagefiles/format_registry.h"
#include "imaging/BitmapUtils.h"
#include "imaging/errors.h"
#include "imaging/resize.h"
#include "imaging/rotation_geometry.h"

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

namespace {

// The size after the turn alone.
TPictureSize TurnedSize(const TConversionSettings& s, TPictureSize full) {
    if (!RotationRequested(s, full.Width, full.Height)) return full;
    const TurnGeometry g = MakeTurnGeometry(full.Width, full.Height,
                                            EffectiveAngle(s, full.Width, full.Height), s.Mirror, s.Circum);
    return {g.NewWidth, g.NewHeight};
}

}  // namespace

TSourcePicture ReadSourceFor(const std::string& path, const TConversionSettings& settings, PathStyle style) {
    TSourcePicture source;
    bool sized = false;
    TReadHints hints;
    const TResizeSpec spec = ResizeSpecOf(settings);
    if (spec.Mode != TResizeSpec::Kind::None)
        hints.ShrinkFor = [&](int width, int height) {
            source.FullSize = {width, height};
            sized = true;
            const TPictureSize turned = TurnedSize(settings, source.FullSize);
            return ShrinkOnLoadFactor(turned, ResizedSize(spec, turned));
        };
    source.Bitmap = ReaderForExtension(LowerExt(path, style)).Read(path, hints).Bitmap;
    if (!sized) source.FullSize = {source.Bitmap->Width(), source.Bitmap->Height()};
    return source;
}

TPictureSize OutputSizeFor(const TConversionSettings& settings, TPictureSize full) {
    return ResizedSize(ResizeSpecOf(settings), TurnedSize(settings, full));
}

std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& s) {
    return ConvertPicture(source, s, {source.Width(), source.Height()});
}

std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& s, TPictureSize full) {
    // The turn is decided on the picture's shape in the file: a shrunk
    // decode of 1001 x 1000 could come out square.
    const int angle = EffectiveAngle(s, full.Width, full.Height);
    const bool tone = ToneRequested(s);
    const bool rotation = RotationRequested(s, full.Width, full.Height);
    std::unique_ptr<TBitmap> output;
    if (tone && rotation)
        output = RotateToneGammaBitmap(source, angle, s.Mirror, s.Circum, s.Brightness, s.Contrast,
                                       LevelCode(s), GammaCode(s), s.ToneFirst, kBackColor);
    else if (tone)
        output = ToneGammaBitmap(source, s.Brightness, s.Contrast, LevelCode(s), GammaCode(s), s.ToneFirst);
    else if (rotation)
        output = RotateBitmap(source, angle, s.Mirror, s.Circum, kBackColor);

    const TBitmap& current = output ? *output : source;
    const TPictureSize target = OutputSizeFor(s, full);
    if (current.Empty() || target == TPictureSize{current.Width(), current.Height()}) return output;
    return ResizeBitmap(current, target.Width, target.Height);
}

TOutputTarget EntryOutputTarget(const TEntryJob& job, const TConversionSettings& settings, PathStyle style) {
    return OutputPathFor(job.DestinationFolder, ExtractFileName(job.SourcePath, style), settings.SaveFormat,
                         settings.NameCase, style);
}

void ConvertEntry(const TEntryJob& job, const TConversionSettings& settings, PathStyle style) {
    if (!SourceFileExists(job.SourcePath)) return;
    TSourcePicture read = ReadSourceFor(job.SourcePath, settings, style);
    std::unique_ptr<TBitmap> source = std::move(read.Bitmap);
    std::unique_ptr<TBitmap> output = ConvertPicture(*source, settings, read.FullSize);
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
    TSourcePicture read = ReadSourceFor(job.SourcePath, settings, style);
    std::unique_ptr<TBitmap> source = std::move(read.Bitmap);
    std::unique_ptr<TBitmap> output = ConvertPicture(*source, settings, read.FullSize);
    result.Bytes = EncodeOutput(output ? *output : *source, result.Target.Writer, settings.JPEGQuality,
                                settings.Progressive);
    return result;
}

}  // namespace corvane
