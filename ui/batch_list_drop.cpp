#include "ui/batch_list_drop.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <fstream>

#include "app/batch_list_ops.h"
#include "ui/file_list_box.h"
#include "ui/text_bytes.h"

namespace corvane {

namespace {

// A picture that cannot be opened for reading would only end the run.
bool Readable(const std::string& path) { return std::ifstream(path, std::ios::binary).is_open(); }

}  // namespace

bool CarriesLocalFiles(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) return true;
    return false;
}

std::vector<std::string> DroppedEntries(const QList<QUrl>& urls, const QString& destinationFolder,
                                        const QString& mask) {
    std::vector<std::string> entries;
    auto add = [&](const QString& folder, std::vector<std::string> names) {
        const std::vector<std::string> made =
            SelectionEntries({ToBytes(folder), ToBytes(destinationFolder), std::move(names)});
        entries.insert(entries.end(), made.begin(), made.end());
    };
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QFileInfo dropped(QDir::cleanPath(url.toLocalFile()));
        if (dropped.isDir()) {
            const QString folder = dropped.absoluteFilePath();
            std::vector<std::string> names;
            for (const TListedFile& file : TFileListBox::ListFiles(folder, mask))
                if (Readable(ToBytes(folder) + '/' + file.Bytes.toStdString()))
                    names.push_back(file.Bytes.toStdString());
            add(folder, std::move(names));
        } else if (dropped.isFile() && TFileListBox::MatchesMask(dropped.fileName(), mask)) {
            add(dropped.absolutePath(), {ToBytes(dropped.fileName())});
        }
    }
    return entries;
}

}  // namespace corvane
