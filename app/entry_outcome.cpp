#include "app/entry_outcome.h"

#include "app/paths.h"

namespace corvane {

std::string EntryLabel(const TEntryOutcome& outcome) {
    std::string label = std::to_string(outcome.Index + 1) + "/" + std::to_string(outcome.Count);
    const std::string name = ExtractFileName(outcome.Source, PathStyle::Native);
    return name.empty() ? label : label + " " + name;
}

}  // namespace corvane
