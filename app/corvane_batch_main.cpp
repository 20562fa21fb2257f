// corvane-batch: the batch runner from a shell. Runs a list file and/or the
// given files into a folder with the window's options, printing the progress
// lines on standard error. Exit status 0 when the run ends normally, 1 when it
// ends at a failing entry, 2 when the command line or the list is refused
// before anything is read or written.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/batch_entry.h"
#include "app/batch_options.h"
#include "app/batch_runner.h"
#include "app/errors.h"
#include "app/list_file.h"
#include "app/memory_policy.h"
#include "app/parallel_batch.h"
#include "app/plain_runner_host.h"

namespace {

using namespace corvane;

// Relative folders are taken from the current folder, as the window's
// folder lists always give full paths.
std::string FullFolder(const std::string& folder) {
    if (!folder.empty() && folder.front() == '/') return folder;
    const std::string cwd =
        IncludeTrailingDelimiter(std::filesystem::current_path().string(), PathStyle::Native);
    return folder.empty() ? cwd : cwd + folder;
}

// The whole list is split before anything is read: an entry that cannot be
// run refuses the run, naming its line.
void CheckListEntries(const std::string& listFile, const std::vector<std::string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t fields = SplitCommaText(entries[i]).size();
        if (fields < 2)
            throw ECorvaneError(listFile + " " + std::to_string(i + 1) +
                                " 行目: " + EListError(static_cast<int>(fields)).what());
    }
}

void Print(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForBatch();
    const std::vector<std::string> args(argv + 1, argv + argc);

    TBatchOptions options;
    PlainRunnerHost host;
    try {
        options = ParseBatchOptions(args);
        if (options.Help) {
            Print(stdout, BatchUsageText());
            return 0;
        }
        if (options.Version) {
            Print(stdout, "corvane-batch " CORVANE_VERSION "\n");
            return 0;
        }
        ValidateSettings(options.Settings);
        if (!options.ListFile.empty()) {
            host.List = ReadListFile(options.ListFile);
            CheckListEntries(options.ListFile, host.List);
        }
        const std::string dest = FullFolder(options.Destination);
        for (const auto& file : options.Files)
            host.List.push_back(MakeEntry(FullFolder(ExtractFilePath(file, PathStyle::Native)),
                                          ExtractFileName(file, PathStyle::Native), dest));
    } catch (const EUsageError& e) {
        Print(stderr,
              "corvane-batch: " + std::string(e.what()) + "\n(corvane-batch --help で使い方を表示します)\n");
        return 2;
    } catch (...) {
        Print(stderr, "corvane-batch: " + FailureText() + "\n");
        return 2;
    }

    if (!options.Quiet)
        host.OnProgress = [](const std::string& line1, const std::string& line2) {
            if (line1 != kPreparingText) Print(stderr, line1 + "\n" + line2 + "\n");
        };
    try {
        if (!RunBatchParallel(host, options.Settings, EffectiveJobs(options.Settings))) {
            Print(stderr, host.ErrorText + "\n");
            return 1;
        }
    } catch (...) {
        Print(stderr, "corvane-batch: " + FailureText() + "\n");
        return 1;
    }
    Print(stdout, host.FinishedText + "\n");
    return 0;
}
