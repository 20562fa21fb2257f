#include "app/plain_runner_host.h"

#include <utility>

#include "app/desktop_trash.h"
#include "imaging/errors.h"

namespace corvane {

int PlainRunnerHost::ListCount() { return static_cast<int>(List.size()); }

std::string PlainRunnerHost::ListEntry(int index) {
    if (index < 0 || index >= ListCount()) throw EListError(index);
    return List[static_cast<std::size_t>(index)];
}

void PlainRunnerHost::ListAppend(const std::vector<std::string>& entries) {
    List.insert(List.end(), entries.begin(), entries.end());
}

void PlainRunnerHost::ListClear() { List.clear(); }

TFileSelection PlainRunnerHost::Selection() { return std::exchange(Pending, TFileSelection{}); }

void PlainRunnerHost::ProgressCreate() {
    ProgressShown = true;
    ++ProgressCreated;
}

void PlainRunnerHost::ProgressCaption(const std::string& caption) { Caption = caption; }

void PlainRunnerHost::ProgressLines(const std::string& line1, const std::string& line2) {
    ProgressLog.push_back(line1 + "\n" + line2);
    if (OnProgress) OnProgress(line1, line2);
}

void PlainRunnerHost::ProgressRange(int minimum, int maximum, int position, int step) {
    RangeMin = minimum;
    RangeMax = maximum;
    Position = position;
    Step = step;
}

void PlainRunnerHost::ProgressDestroy() { ProgressShown = false; }

void PlainRunnerHost::MoveToTrash(const std::string& path) { MoveToDesktopTrash(path); }

}  // namespace corvane
