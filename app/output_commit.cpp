#include "app/output_commit.h"

#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/temporary_files.h"

namespace corvane {

void TOutputCommitter::EnterFolder(const std::string& path) {
    const std::string folder = ExtractFilePath(path, PathStyle::Native);
    if (folders_.insert(folder).second) RemoveStaleTemporaries(folder);
}

void TOutputCommitter::Commit(AtomicFileWriter& writer) { writer.Commit(); }

void TOutputCommitter::Write(const TBitmap& picture, const TOutputTarget& target, int quality,
                             bool progressive) {
    switch (target.Writer) {
        case TWriterKind::Bitmap: {
            EnterFolder(target.Path);
            AtomicFileWriter writer(target.Path);
            WriteBitmap(picture, writer);
            Commit(writer);
            break;
        }
        case TWriterKind::JPEG:
            // Encoded before the file is created: a failing encoder creates nothing.
            WriteBytes(target, EncodeJPEG(picture, quality, progressive));
            break;
        case TWriterKind::None:
            break;
    }
}

void TOutputCommitter::WriteBytes(const TOutputTarget& target, std::span<const std::uint8_t> bytes) {
    if (target.Writer == TWriterKind::None) return;
    EnterFolder(target.Path);
    AtomicFileWriter writer(target.Path);
    writer.Write(bytes);
    Commit(writer);
}

}  // namespace corvane
