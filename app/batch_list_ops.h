// The batch list operations ADD, DEL, CLEAR, LOAD and SAVE on a plain list
// of entry texts, and the run-button and count-label rules. The window calls
// these with its list box's items and refreshes its controls afterwards.
#pragma once

#include <string>
#include <vector>

#include "app/paths.h"
#include "app/runner_host.h"

namespace corvane {

using TBatchList = std::vector<std::string>;

// The entries of the selected files, in the selection's order. Every entry is
// built before any is returned, so a path that cannot be an entry adds none.
std::vector<std::string> SelectionEntries(const TFileSelection& selection,
                                          PathStyle style = PathStyle::Native);
// ADD: appends the selection's entries at the end; no duplicate check.
void AddSelection(TBatchList& list, const TFileSelection& selection, PathStyle style = PathStyle::Native);
// DEL: removes the entries whose flag is set (flags beyond the list ignored).
void DeleteSelected(TBatchList& list, const std::vector<bool>& selected);
// CLEAR.
void ClearList(TBatchList& list);
// LOAD: the list is emptied first and stays empty when reading fails
// ("ファイル %s は開けません" is then raised).
void LoadList(TBatchList& list, const std::string& path);
// SAVE: nothing for an empty list; otherwise the file is replaced as a whole.
void SaveList(const TBatchList& list, const std::string& path);

// The run button is enabled exactly when a file is selected or the list has entries.
bool RunButtonEnabled(int selectedFiles, int entries);
// The count label: entries plus selected files, in decimal.
std::string CountLabelText(int selectedFiles, int entries);

}  // namespace corvane
