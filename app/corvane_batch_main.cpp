// corvane-batch: the batch runner from a shell. Runs a list file and/or the
// given files into a folder with the window's options, printing the progress
// lines, a warning for every entry that wrote nothing and every failure on
// standard error, and the closing count on standard output. Exit status
// (run_report.h): 0 everything written, 3 finished with entries that wrote
// nothing, 1 a failure ended the run or entries failed, 2 the command line or
// the list refused before anything is read or written.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/batch_cli_host.h"
#include "app/batch_entry.h"
#include "app/batch_options.h"
#include "app/batch_runner.h"
#include "app/errors.h"
#include "app/list_file.h"
#include "app/memory_policy.h"
#include "app/parallel_batch.h"
#include "app/settings_digest.h"
#include "app/shard_check.h"

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
// Two names of one file, or one name twice.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

void CheckListEntries(const std::string& listFile, const std::vector<std::string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t fields = SplitCommaText(entries[i]).size();
        if (fields < 2)
            throw ECorvaneError(listFile + " " + std::to_string(i + 1) +
                                " 行目: " + EListError(static_cast<int>(fields)).what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForBatch();
    const std::vector<std::string> args(argv + 1, argv + argc);

    TBatchOptions options;
    std::vector<std::string> list;
    TBatchCliRecords records;
    try {
        options = ParseBatchOptions(args);
        if (options.Help) {
            PrintText(stdout, BatchUsageText());
            return 0;
        }
        if (options.Version) {
            PrintText(stdout, "corvane-batch " CORVANE_VERSION "\n");
            return 0;
        }
        ValidateSettings(options.Settings);
        if (!options.ListFile.empty()) {
            list = ReadListFile(options.ListFile);
            CheckListEntries(options.ListFile, list);
        }
        const std::string dest = FullFolder(options.Destination);
        for (const auto& file : options.Files)
            list.push_back(MakeEntry(FullFolder(ExtractFilePath(file, PathStyle::Native)),
                                     ExtractFileName(file, PathStyle::Native), dest));
        CheckShardsIndependent(list, options.Settings, options.ShardCount);
        records.SettingsDigest = SettingsDigest(options.Settings);
        // The records are read before the manifest, which may be the same file, is opened.
        const bool resumeIsManifest = !options.Resume.empty() && SameFile(options.Resume, options.Manifest);
        if (!options.Resume.empty() && (!resumeIsManifest || std::filesystem::exists(options.Resume)))
            records.Resume = TResumeRecords::Read(options.Resume, records.SettingsDigest);
        else if (resumeIsManifest)
            records.Resume = TResumeRecords{};  // the first of runs that resume each other
        if (!options.Manifest.empty())
            records.Manifest = std::make_unique<TManifestWriter>(options.Manifest, resumeIsManifest);
    } catch (const EUsageError& e) {
        PrintText(stderr, "corvane-batch: " + std::string(e.what()) +
                              "\n(corvane-batch --help で使い方を表示します)\n");
        return kExitRefused;
    } catch (...) {
        PrintText(stderr, "corvane-batch: " + FailureText() + "\n");
        return kExitRefused;
    }

    TBatchCliHost host(std::move(list),
                       {.Quiet = options.Quiet,
                        .Plan = options.Settings.Plan,
                        .ShardIndex = options.ShardIndex,
                        .ShardCount = options.ShardCount},
                       std::move(records));
    try {
        return host.Finish(RunBatchParallel(host, options.Settings, EffectiveJobs(options.Settings)));
    } catch (...) {
        PrintText(stderr, "corvane-batch: " + FailureText() + "\n");
        return kExitFailed;
    }
}
