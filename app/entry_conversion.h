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
#include "app/output_commit.h"
#include "app/output_writer.h"
#include "app/paths.h"
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

// JPEG for ".jpg" and ".jpeg" in any case, the bitmap reader for anything else.
std::unique_ptr<TBitmap> ReadSourcePicture(const std::string& path, PathStyle style = PathStyle::Native,
                                           TImageMetadata* metadata = nullptr);

// The output picture by the settings: the combined turn with tone, tone
// alone, the turn alone, or, with neither requested, nullptr: the source
// itself is then written, which gives the bytes of an exact copy.
std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& settings);

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
