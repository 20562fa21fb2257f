#include "app/file_identity.h"

#include <climits>
#include <cstdlib>

#include "app/paths.h"

namespace corvane {

namespace {

// The folder part as it resolves, ending in "/", or as given.
std::string ResolvedFolder(const std::string& folder) {
    char buf[PATH_MAX];
    const char* resolved = ::realpath(folder.empty() ? "." : folder.c_str(), buf);
    return resolved ? std::string(resolved) + "/" : folder;
}

}  // namespace

std::string FileIdentity(const std::string& path) {
    return ResolvedFolder(ExtractFilePath(path, PathStyle::Native)) +
           ExtractFileName(path, PathStyle::Native);
}

std::string TFileIdentities::Of(const std::string& path) {
    const std::string folder = ExtractFilePath(path, PathStyle::Native);
    auto it = folders_.find(folder);
    if (it == folders_.end()) it = folders_.emplace(folder, ResolvedFolder(folder)).first;
    return it->second + ExtractFileName(path, PathStyle::Native);
}

}  // namespace corvane
