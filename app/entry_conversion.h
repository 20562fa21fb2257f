// One batch list entry from its text to the written output file. The
// sequential runner and the parallel driver of the command-line tool both go
// through these steps, so their results cannot drift apart.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_settings.h"
#include "app/output_writer.h"
#include "app/paths.h"
#include "app/resize_setting.h"
#include "imaging/TBitmap.h"

namespace corvane {

struct TEntryJob {
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
// and ".jpeg", each other format's extensions, the bitmap reader for anything else.
std::unique_ptr<TBitmap> ReadSourcePicture(const std::string& path, PathStyle style = PathStyle::Native);

// The source as the settings want it read: when the resize halves the
// picture or more, a JPEG is decoded already shrunk (by 2, 4 or 8). FullSize
// is the picture's size in the file all the same: the turn and the resize
// are reckoned from it, so they come out as without the shrinking.
struct TSourcePicture {
    std::unique_ptr<TBitmap> Bitmap;
    TPictureSize FullSize;
};
TSourcePicture ReadSourceFor(const std::string& path, const TConversionSettings& settings,
                             PathStyle style = PathStyle::Native);

// The size the output of a picture of `full` size comes out as: turned (and
// enlarged by Circum) as the settings say, then fitted by the resize.
TPictureSize OutputSizeFor(const TConversionSettings& settings, TPictureSize full);

// The output picture by the settings: the combined turn with tone, tone
// alone, the turn alone, then the resize to OutputSizeFor(full); with
// nothing requested, nullptr: the source itself is then written, which gives
// the bytes of an exact copy. `full` defaults to the source's own size.
std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& settings);
std::unique_ptr<TBitmap> ConvertPicture(TBitmap& source, const TConversionSettings& settings,
                                        TPictureSize full);

// Where the entry's output goes (the writer None when nothing is written).
TOutputTarget EntryOutputTarget(const TEntryJob& job, const TConversionSettings& settings,
                                PathStyle style = PathStyle::Native);

// Reads, converts, names and writes one prepared entry; a missing source is
// skipped silently. Both pictures are released before it returns.
void ConvertEntry(const TEntryJob& job, const TConversionSettings& settings,
                  PathStyle style = PathStyle::Native);

// The same up to the file's bytes in memory; Skipped when the source is missing.
struct TEncodedEntry {
    bool Skipped = false;
    TOutputTarget Target;
    std::vector<std::uint8_t> Bytes;
};
TEncodedEntry EncodeEntry(const TEntryJob& job, const TConversionSettings& settings,
                          PathStyle style = PathStyle::Native);

}  // namespace corvane
