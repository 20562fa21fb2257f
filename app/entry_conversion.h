// One batch list entry from its text to the written output file. The
// sequential runner and the parallel driver of the command-line tool both go
// through these steps, so their results cannot drift apart.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_settings.h"
#include "app/entry_estimate.h"
#include "app/entry_outcome.h"
#include "app/metadata_policy.h"
#include "app/output_commit.h"
#include "app/output_writer.h"
#include "app/paths.h"
#include "app/resize_setting.h"
#include "imaging/TBitmap.h"

namespace corvane {

struct TEntryJob {
    int Index = 0;  // in the batch list, 0-based
    std::string SourcePath;
    std::string SourceFolder;       // its directory part, ending with a delimiter
    std::string DestinationFolder;  // the second field as it stands
    std::string ProgressLine;       // "3/12  From File: a.jpg"
    std::string TargetLine;         // "        To File : out/a.bmp"
};

// Splits the entry and builds the two progress lines for entry index (0-based)
// of count. An entry with fewer than two fields raises EListError with the
// number of fields it has (0 or 1).
TEntryJob PrepareEntry(const std::string& entry, int index, int count, const TConversionSettings& settings,
                       PathStyle style = PathStyle::Native);

// A regular file (or a link to one) exists there. Folders, FIFOs and devices
// do not count: reading a FIFO could wait forever.
bool SourceFileExists(const std::string& path);

// By the extension in any case, through the format registry: JPEG for ".jpg"
// and ".jpeg", each other format's extensions, the bitmap reader for anything
// else; what the file carries besides pixels into `metadata` when given.
std::unique_ptr<TBitmap> ReadSourcePicture(const std::string& path, PathStyle style = PathStyle::Native,
                                           TImageMetadata* metadata = nullptr);

// The source as the settings want it read: when the resize halves the
// picture or more, a JPEG is decoded already shrunk (by 2, 4 or 8); its
// FullSize is the picture's size in the file all the same, so the turn and
// the resize come out as without the shrinking. What the file carries
// besides pixels comes with it (app/metadata_policy.h); the orientation and
// colour steps are not applied yet.
TSourcePicture ReadSourceFor(const std::string& path, const TConversionSettings& settings,
                             PathStyle style = PathStyle::Native);

// The size after the turn alone (and the enlargement Circum makes).
TPictureSize TurnedSize(const TConversionSettings& settings, TPictureSize full);

// The factor (1, 2, 4 or 8) a JPEG of `stored` size is decoded shrunk by:
// the largest that leaves the resize at least its target's pixels, whether
// or not the EXIF orientation turns the picture on its side.
int ShrinkOnLoadFor(const TConversionSettings& settings, TPictureSize stored);

// The size the output of a picture of `full` size comes out as: turned (and
// enlarged by Circum) as the settings say, then fitted by the resize.
TPictureSize OutputSizeFor(const TConversionSettings& settings, TPictureSize full);

// The output picture by the settings: the combined turn with tone, tone
// alone, the turn alone, then the resize to OutputSizeFor(full). nullptr
// when the source itself is the output: with nothing requested (the bytes of
// an exact copy), or with tone alone done on the source's own pixels where
// its storage allows (ToneGammaInPlace). `full` defaults to the source's own size.
std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& settings);
std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& settings,
                                        TPictureSize full);

// Where the entry's output goes (the writer None when nothing is written).
TOutputTarget EntryOutputTarget(const TEntryJob& job, const TConversionSettings& settings,
                                PathStyle style = PathStyle::Native);

// Why the entry will write nothing, found before its source is read on the
// thread that writes: a missing source, a folder or other non-file as the
// source, or an existing output the settings leave alone. Empty when the
// entry goes on; then the header has also been checked against the limits
// (ELimitError) and `estimate`, when given, holds what the header says.
// EOutputExists when the run is to stop at this entry.
std::string SkipBeforeReading(const TEntryJob& job, const TOutputTarget& target, TOutputCommitter& committer,
                              const TConversionSettings& settings, PathStyle style = PathStyle::Native,
                              TEntryEstimate* estimate = nullptr);

// Reads, converts and encodes the entry into the file's bytes (nothing is
// written); both pictures are released before it returns.
struct TEncodedEntry {
    TOutputTarget Target;
    std::vector<std::uint8_t> Bytes;
    // Damaged metadata that was dropped, and policies that could not apply.
    std::vector<std::string> Warnings;
};
TEncodedEntry EncodeEntry(const TEntryJob& job, const TConversionSettings& settings,
                          PathStyle style = PathStyle::Native);

// Commits the encoded entry and completes its outcome (written, or skipped
// when there is no writer or the existing file is left alone).
void FinishEntry(const TEncodedEntry& encoded, TOutputCommitter& committer, TEntryOutcome& outcome);

// The entry in a plan (settings.Plan): the run's decisions up to the read,
// then written (what the run would write), or skipped or failed as the run
// would be before reading. The output counts as written from here on, so a
// later entry writing the same name replaces it and one reading it finds it.
// What decoding alone can find (a damaged picture) is not foreseen.
void PlanEntry(const TEntryJob& job, const TOutputTarget& target, TOutputCommitter& committer,
               const TConversionSettings& settings, TEntryOutcome& outcome,
               PathStyle style = PathStyle::Native);

// The outcome's fields known from the job alone.
TEntryOutcome NewOutcome(const TEntryJob& job, int count, const TOutputTarget& target);

}  // namespace corvane
