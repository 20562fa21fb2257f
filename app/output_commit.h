// The writing of a run's outputs: each destination folder is cleared of the
// temporary files of earlier runs that were killed, the first time the run
// writes there, and every output is committed durably (atomic_file_writer.h).
#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "app/output_writer.h"
#include "imagefiles/atomic_file_writer.h"
#include "imaging/TBitmap.h"

namespace corvane {

class TOutputCommitter {
public:
    // The picture through the target's writer (nothing for TWriterKind::None).
    void Write(const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive);
    // Bytes already encoded for the target.
    void WriteBytes(const TOutputTarget& target, std::span<const std::uint8_t> bytes);

private:
    void Commit(AtomicFileWriter& writer);
    void EnterFolder(const std::string& path);

    std::set<std::string> folders_;  // already cleared
};

}  // namespace corvane
