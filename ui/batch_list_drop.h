// What a drop from a file manager onto the batch list adds: one entry per
// picture, made as ADD makes them, for the current destination folder.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <string>
#include <vector>

class QMimeData;

namespace corvane {

// True when the drag carries at least one local file or folder.
bool CarriesLocalFiles(const QMimeData* mime);

// The entries for the dropped URLs, in their order: a file whose name
// matches `mask` gives its own entry; a folder gives the readable files
// directly inside it that the file list would show for `mask`, in the file
// list's order. Everything else (other names, remote URLs) is left out. All
// entries are made before any is returned.
std::vector<std::string> DroppedEntries(const QList<QUrl>& urls, const QString& destinationFolder,
                                        const QString& mask);

}  // namespace corvane
