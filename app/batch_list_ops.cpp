#include "app/batch_list_ops.h"

#include "app/batch_entry.h"
#include "app/list_file.h"

namespace corvane {

std::vector<std::string> SelectionEntries(const TFileSelection& selection, PathStyle style) {
    std::vector<std::string> entries;
    entries.reserve(selection.Files.size());
    for (const auto& name : selection.Files)
        entries.push_back(MakeEntry(selection.SourceFolder, name, selection.DestinationFolder, style));
    return entries;
}

void AddSelection(TBatchList& list, const TFileSelection& selection, PathStyle style) {
    std::vector<std::string> entries = SelectionEntries(selection, style);
    list.insert(list.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
}

void DeleteSelected(TBatchList& list, const std::vector<bool>& selected) {
    // Downward, so the indices still to be visited stay valid.
    for (std::size_t i = std::min(list.size(), selected.size()); i-- > 0;)
        if (selected[i]) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
}

void ClearList(TBatchList& list) { list.clear(); }

void LoadList(TBatchList& list, const std::string& path) {
    list.clear();
    list = ReadListFile(path);
}

void SaveList(const TBatchList& list, const std::string& path) {
    if (list.empty()) return;
    WriteListFile(path, list);
}

bool RunButtonEnabled(int selectedFiles, int entries) { return selectedFiles > 0 || entries > 0; }

std::string CountLabelText(int selectedFiles, int entries) { return std::to_string(entries + selectedFiles); }

}  // namespace corvane
