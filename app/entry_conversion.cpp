#include "app/entry_conversion.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/batch_entry.h"
#include "app/entry_estimate.h"
#include "app/metadata_policy.h"
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
    job.Index = index;
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

std::unique_ptr<TBitmap> ReadSourcePicture(const std::string& path, PathStyle style,
                                           TImageMetadata* metadata) {
    TDecodedImage image = ReaderForExtension(LowerExt(path, style)).Read(path, {});
    if (metadata) *metadata = std::move(image.Metadata);
    return std::move(image.Bitmap);
}

TPictureSize TurnedSize(const TConversionSettings& s, TPictureSize full) {
    if (!RotationRequested(s, full.Width, full.Height)) return full;
    const TurnGeometry g = MakeTurnGeometry(full.Width, full.Height,
                                            EffectiveAngle(s, full.Width, full.Height), s.Mirror, s.Circum);
    return {g.NewWidth, g.NewHeight};
}

int ShrinkOnLoadFor(const TConversionSettings& settings, TPictureSize stored) {
    const TResizeSpec wanted = ResizeSpecOf(settings);
    if (wanted.Mode == TResizeSpec::Kind::None) return 1;
    const auto factorFor = [&](TPictureSize full) {
        const TPictureSize turned = TurnedSize(settings, full);
        return ShrinkOnLoadFactor(turned, ResizedSize(wanted, turned));
    };
    // The EXIF orientation, found with the pixels, may stand the picture on
    // its side before the turn and the resize: into a box, the other shape
    // can need more pixels, and a decode shrunk for this one would be
    // enlarged again.
    const int factor = factorFor(stored);
    if (settings.Orientation != TOrientationMode::Apply) return factor;
    return std::min(factor, factorFor({stored.Height, stored.Width}));
}

TSourcePicture ReadSourceFor(const std::string& path, const TConversionSettings& settings, PathStyle style) {
    TSourcePicture source;
    bool sized = false;
    TReadHints hints;
    if (ResizeSpecOf(settings).Mode != TResizeSpec::Kind::None)
        hints.ShrinkFor = [&](int width, int height) {
            source.FullSize = {width, height};
            sized = true;
            return ShrinkOnLoadFor(settings, source.FullSize);
        };
    TDecodedImage image = ReaderForExtension(LowerExt(path, style)).Read(path, hints);
    source.Bitmap = std::move(image.Bitmap);
    source.Metadata = std::move(image.Metadata);
    if (!sized) source.FullSize = {source.Bitmap->Width(), source.Bitmap->Height()};
    return source;
}

TPictureSize OutputSizeFor(const TConversionSettings& settings, TPictureSize full) {
    return ResizedSize(ResizeSpecOf(settings), TurnedSize(settings, full));
}

namespace {

// Read, then the orientation and colour steps that come before the transforms.
TSourcePicture ReadAndPrepare(const std::string& path, const TConversionSettings& settings, PathStyle style) {
    TSourcePicture source = ReadSourceFor(path, settings, style);
    const bool shrunk = source.FullSize != TPictureSize{source.Bitmap->Width(), source.Bitmap->Height()};
    PrepareSource(source, settings);
    // Turned upright: the size in the file is turned with it.
    if (source.Oriented) {
        if (!shrunk)
            source.FullSize = {source.Bitmap->Width(), source.Bitmap->Height()};
        else if (source.Metadata.Orientation >= 5)
            source.FullSize = {source.FullSize.Height, source.FullSize.Width};
    }
    return source;
}

}  // namespace

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
    else if (tone &&
             !ToneGammaInPlace(source, s.Brightness, s.Contrast, LevelCode(s), GammaCode(s), s.ToneFirst))
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

std::string SkipBeforeReading(const TEntryJob& job, const TOutputTarget& target, TOutputCommitter& committer,
                              const TConversionSettings& settings, PathStyle style,
                              TEntryEstimate* estimate) {
    struct stat st {};
    if (::stat(job.SourcePath.c_str(), &st) != 0) return kMissingSourceReason;
    if (S_ISDIR(st.st_mode)) return kFolderSourceReason;
    // FIFOs and devices are not read: reading one could wait forever.
    if (!S_ISREG(st.st_mode)) return kMissingSourceReason;
    if (!committer.ShouldWrite(target)) return kExistsReason;
    const TEntryEstimate header = EstimateEntry(job.SourcePath, target, settings, style);
    if (estimate) *estimate = header;
    return {};
}

TEncodedEntry EncodeEntry(const TEntryJob& job, const TConversionSettings& settings, PathStyle style) {
    TEncodedEntry result;
    result.Target = EntryOutputTarget(job, settings, style);
    TSourcePicture source = ReadAndPrepare(job.SourcePath, settings, style);
    std::unique_ptr<TBitmap> output = ConvertPicture(*source.Bitmap, settings, source.FullSize);
    const TBitmap& written = output ? *output : *source.Bitmap;
    // Tone and gamma may have changed the source's own pixels.
    const bool transformed = output != nullptr || ToneRequested(settings);
    const TImageMetadata metadata =
        OutputMetadata(source, settings, written, transformed, result.Target.Writer, source.Warnings);
    result.Bytes =
        EncodeOutput(written, result.Target.Writer, settings.JPEGQuality, settings.Progressive, metadata);
    result.Warnings = std::move(source.Warnings);
    return result;
}

void FinishEntry(const TEncodedEntry& encoded, TOutputCommitter& committer, TEntryOutcome& outcome) {
    outcome.Warnings = encoded.Warnings;
    if (encoded.Target.Writer == TWriterKind::None) {
        // The picture was read and converted, as when the format selects no writer.
        outcome.Status = TEntryStatus::Skipped;
        outcome.Reason = kNoWriterReason;
        return;
    }
    outcome.Existing = committer.ActionFor(encoded.Target);
    if (!committer.WriteBytes(encoded.Target, encoded.Bytes)) {
        outcome.Status = TEntryStatus::Skipped;
        outcome.Reason = kExistsReason;
        outcome.Existing = TExistingAction::Keep;
        return;
    }
    outcome.Status = TEntryStatus::Written;
    outcome.Bytes = encoded.Bytes.size();
    outcome.Data = encoded.Bytes;
}

void PlanEntry(const TEntryJob& job, const TOutputTarget& target, TOutputCommitter& committer,
               const TConversionSettings& settings, TEntryOutcome& outcome, PathStyle style) {
    if (!committer.Planned(job.SourcePath))
        outcome.Reason = SkipBeforeReading(job, target, committer, settings, style);
    else if (!committer.ShouldWrite(target))  // the source is an earlier entry's output
        outcome.Reason = kExistsReason;
    if (outcome.Reason == kExistsReason) outcome.Existing = TExistingAction::Keep;
    if (!outcome.Reason.empty()) return;
    if (target.Writer == TWriterKind::None) {
        outcome.Reason = kNoWriterReason;
        return;
    }
    outcome.Existing = committer.ActionFor(target);
    committer.PlanWrite(target);
    outcome.Status = TEntryStatus::Written;
}

TEntryOutcome NewOutcome(const TEntryJob& job, int count, const TOutputTarget& target) {
    TEntryOutcome outcome;
    outcome.Index = job.Index;
    outcome.Count = count;
    outcome.Source = job.SourcePath;
    outcome.Output = target.Path;
    outcome.Writer = target.Writer;
    return outcome;
}

}  // namespace corvane
