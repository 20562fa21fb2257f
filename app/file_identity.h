// A file's identity by its name, without the file having to exist: its
// folder resolved by realpath (links, "." and ".."), then its name, so that
// two spellings of one output or source compare equal. Where the folder
// cannot be resolved, the path as given.
#pragma once

#include <string>
#include <unordered_map>

namespace corvane {

std::string FileIdentity(const std::string& path);

// The same, each folder resolved once: for checks over a whole list.
class TFileIdentities {
public:
    std::string Of(const std::string& path);

private:
    std::unordered_map<std::string, std::string> folders_;  // as given -> resolved, with "/"
};

}  // namespace corvane
