// Output naming and writing: the output lands in the entry's destination
// folder under the source's name, with the extension the save format sets and
// the letter case the name case sets, through the writer of its format.
// Every writer replaces a file only once the new one is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/conversion_settings.h"
#include "app/paths.h"
#include "imagefiles/format_registry.h"
#include "imagefiles/metadata/image_metadata.h"
#include "imaging/TBitmap.h"

namespace corvane {

// The format whose writer takes the output (the format registry's).
using TWriterKind = TImageFormatId;

struct TOutputTarget {
    std::string Path;
    TWriterKind Writer = TWriterKind::None;  // None: nothing is written
    friend bool operator==(const TOutputTarget&, const TOutputTarget&) = default;
};

// The case rule on a path. The native file system tells cases apart, so only
// the file-name part is mapped there (the destination folder must be found as
// it is named); the Windows style maps the whole path.
std::string ApplyCaseRule(const std::string& path, TNameCase nameCase, PathStyle style);

// The file the output goes to and the writer that takes it. The save format
// is compared exactly: "AUTO" or a writable format's extension (".bmp",
// ".jpg", ".png", ...) selects a writer, any other text none; under "AUTO"
// the source's extension, as spelled, decides, and a format that is only
// read writes nothing.
TOutputTarget OutputPathFor(const std::string& destinationFolder, const std::string& sourceFileName,
                            const std::string& saveFormat, TNameCase nameCase,
                            PathStyle style = PathStyle::Native);

// Names and writes the output picture; the writers' failures pass unchanged.
void NameAndWrite(const TBitmap& picture, const std::string& destinationFolder,
                  const std::string& sourceFileName, const TConversionSettings& settings,
                  PathStyle style = PathStyle::Native);

// The writing step alone, and the file's bytes in memory (for a driver that
// encodes in parallel and writes in entry order).
void WriteOutput(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive);
std::vector<std::uint8_t> EncodeOutput(const TBitmap& picture, TWriterKind writer, int quality,
                                       bool progressive);
// With what the output carries besides pixels (see app/metadata_policy.h):
// each writer takes what its format holds (format_registry.h).
void WriteOutput(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive,
                 const TImageMetadata& metadata);
std::vector<std::uint8_t> EncodeOutput(const TBitmap& picture, TWriterKind writer, int quality,
                                       bool progressive, const TImageMetadata& metadata);

}  // namespace corvane
