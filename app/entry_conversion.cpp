#include "app/entry_conversion.h"

#include <sys/stat.h>

#include "app/batch_entry.h"
#include "app/entry_estimate.h"
#include "app/metadata_policy.h"
#include "imagefiles/bmp_reader.h"
#include "imagefiles/jpeg_image.h"
#include "imaging/BitmapUtils.h"
#include "imaging/errors.h"

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
    const std::string ext = LowerExt(path, style);
    if (ext == ".jpg" || ext == ".jpeg") return ReadJPEGFile(path, metadata);
    return ReadBitmapFile(path, metadata);
}

namespace {

// Read, then the orientation and colour steps that come before the transforms.
TSourcePicture ReadAndPrepare(const std::string& path, const TConversionSettings& settings, PathStyle style) {
    TSourcePicture source;
    source.Bitmap = ReadSourcePicture(path, style, &source.Metadata);
    PrepareSource(source, settings);
    return source;
}

}  // namespace

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
    std::unique_ptr<TBitmap> output = ConvertPicture(*source.Bitmap, settings);
    const TBitmap& written = output ? *output : *source.Bitmap;
    const TImageMetadata metadata =
        OutputMetadata(source, settings, written, output != nullptr, result.Target.Writer, source.Warnings);
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
