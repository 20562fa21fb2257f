// Every test of this program, and every corvane-batch it starts, runs with a
// scratch home and data folder: the runner moves replaced files to the
// desktop trash by default, and no test may touch the real user's trash.
// Set before main, so before anything reads them.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "test_files.h"

namespace corvane::testing {

namespace {

struct TScratchHome {
    std::string Path;
    TScratchHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-home-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) ::abort();
        Path = pattern;
        ::setenv("HOME", Path.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (Path + "/data").c_str(), 1);
    }
    ~TScratchHome() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
};

TScratchHome& ScratchHome() {
    static TScratchHome home;
    return home;
}

const bool kScratchHomeSet = !ScratchHome().Path.empty();

}  // namespace

std::string TrashFolder() { return ScratchHome().Path + "/data/Trash"; }

}  // namespace corvane::testing
