// The manifest of a run (--manifest FILE): one JSON Lines record per entry as
// it ends, in list order, and its reading back for --resume.
//
//   {"index":0,"source":"/in/a.jpg","output":"/out/a.jpg","status":"written",
//    "reason":"","bytes":81234,"sha256":"9f86...","ms":84.512,
//    "source_size":3300123,"source_mtime_ns":1700000000123456789,"settings":"5e1f..."}
//
// index is 0-based in the whole list; sha256 and the source fields are null
// where there is nothing to say. Paths are bytes: valid UTF-8 is written as
// it is, any other byte as \udcXX (as Python's surrogateescape reads it), so
// every path reads back exactly.
//
// Each record is one write() to a file opened for appending, so a crash
// leaves whole lines (a torn last line, from a power cut, is ignored when the
// manifest is read), and processes appending to one manifest on a local file
// system do not mix their lines. A written entry's record is on the disk
// before the next entry is reported, as its output is.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "app/entry_outcome.h"

namespace corvane {

struct TManifestRecord {
    int Index = 0;
    std::string Source;
    std::string Output;
    std::string Status;  // "written", "skipped", "failed"
    std::string Reason;
    std::uint64_t Bytes = 0;
    std::string Sha256;  // empty when nothing was written
    double Milliseconds = 0;
    bool SourceKnown = false;  // the source's size and modification time, taken before it was read
    std::int64_t SourceSize = 0;
    std::int64_t SourceMtimeNs = 0;
    std::string Settings;  // SettingsDigest
};

const char* StatusName(TEntryStatus status);

// The record as one line of JSON, "\n" included.
std::string ManifestLine(const TManifestRecord& record);
// A line as ManifestLine writes it; nullopt for anything else (a torn line).
std::optional<TManifestRecord> ParseManifestLine(const std::string& line);

class TManifestWriter {
public:
    // Creates the file or empties it; with `append` what it holds stays (the
    // manifest a run resumes from), a torn last line closed by a line break.
    // Raises ECorvaneError when it cannot be opened.
    TManifestWriter(const std::string& path, bool append);
    TManifestWriter(const TManifestWriter&) = delete;
    TManifestWriter& operator=(const TManifestWriter&) = delete;
    ~TManifestWriter();

    // Raises ECorvaneError when the line cannot be written whole.
    void Append(const TManifestRecord& record);
    // Everything on the disk; raises ECorvaneError when it cannot be.
    void Close();

private:
    void Sync();

    std::string path_;
    int fd_ = -1;
    std::chrono::steady_clock::time_point lastSync_;
};

// A source file's size and modification time.
struct TSourceStamp {
    std::int64_t Size = 0;
    std::int64_t MtimeNs = 0;
};
std::optional<TSourceStamp> SourceStamp(const std::string& path);

// The records of a manifest that say an output was written (or was found
// written by a resumed run) with the given settings, by source and output;
// the last record of a pair counts.
class TResumeRecords {
public:
    struct TDone {
        std::array<std::uint8_t, 32> Sha256{};
        std::uint64_t Bytes = 0;
        TSourceStamp Source;
    };

    // Raises ECorvaneError naming the file when it cannot be read.
    static TResumeRecords Read(const std::string& path, const std::string& settingsDigest);

    // The record for this source and output when the output still holds the
    // bytes it names and the source has the recorded size and time.
    std::optional<TDone> StillDone(const std::string& source, const std::string& output) const;

    std::size_t Size() const { return done_.size(); }
    static std::string Hex(const std::array<std::uint8_t, 32>& digest);

private:
    // Keyed by a 64-bit hash of source and output: a million records take
    // about 100 MB. A collision cannot skip an entry wrongly: the output's
    // digest and the source's stamp must match too.
    std::unordered_map<std::uint64_t, TDone> done_;
};

}  // namespace corvane
