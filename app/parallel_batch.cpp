#include "app/parallel_batch.h"

#include <limits.h>
#include <stdlib.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "app/batch_list_ops.h"
#include "app/batch_runner.h"
#include "app/entry_conversion.h"
#include "app/entry_estimate.h"
#include "app/memory_budget.h"
#include "app/output_commit.h"

namespace corvane {

namespace {

// A file's identity for the read-after-write check: its folder resolved,
// then its name. The link a source path may be is resolved too.
std::string FolderResolved(const std::string& path) {
    const std::string folder = ExtractFilePath(path, PathStyle::Native);
    char buf[PATH_MAX];
    if (!::realpath(folder.empty() ? "." : folder.c_str(), buf)) return path;
    return std::string(buf) + "/" + ExtractFileName(path, PathStyle::Native);
}

std::vector<std::string> SourceIdentities(const std::string& path) {
    std::vector<std::string> ids{path, FolderResolved(path)};
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf)) ids.emplace_back(buf);
    return ids;
}

struct TSlot {
    int Index = 0;
    TEntryJob Job;
    std::set<std::string> OutputIds;  // the target's identities, when something is written
    std::uint64_t Memory = 0;         // estimated from the header
    std::string Path;                 // the source, for the message when it cannot fit
    bool Done = false;
    TEncodedEntry Result;
    std::exception_ptr Error;
};

class TParallelRun {
public:
    TParallelRun(TRunnerHost& host, const TConversionSettings& settings, PathStyle style, int jobs,
                 std::optional<std::uint64_t> memoryBudget)
        : settings_(settings),
          style_(style),
          jobs_(jobs),
          fixedBudget_(memoryBudget),
          budget_(memoryBudget.value_or(AvailableMemory().value_or(UINT64_MAX))),
          committer_(host, settings.Existing) {}

    // Runs entries 0 .. count-1 of the host's list; throws the failure the
    // sequential run would raise.
    void Run(TRunnerHost& host, int count) {
        std::vector<std::thread> workers;
        std::exception_ptr failure;
        try {
            for (int w = 0; w < jobs_; ++w) workers.emplace_back([this] { Work(); });
            failure = Drive(host, count);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (auto& t : workers) t.join();
        if (failure) std::rethrow_exception(failure);
    }

private:
    std::exception_ptr Drive(TRunnerHost& host, int count) {
        int next = 0;
        std::exception_ptr pendingFailure;  // from preparing entry `next`
        std::unique_ptr<TSlot> staged;      // prepared, waiting for memory
        std::unique_lock lock(mutex_);
        for (;;) {
            // Start before writing: the worker that has just finished would
            // otherwise stand idle for the whole write of the entry at the head.
            if (!pendingFailure && !staged && next < count && CanStart(next, host)) {
                lock.unlock();
                try {
                    staged = Prepare(host, next, count);
                    ++next;
                } catch (...) {
                    pendingFailure = std::current_exception();
                }
                lock.lock();
                continue;
            }
            if (staged && failedIndex_ != INT_MAX) staged.reset();  // behind a failure
            if (staged && Admit(*staged)) {
                reserved_ += staged->Memory;
                queue_.push_back(staged.get());
                window_.push_back(std::move(staged));
                ++running_;
                wake_.notify_all();
                continue;
            }

            // Write the finished entry at the head, in list order.
            if (!window_.empty() && window_.front()->Done) {
                std::unique_ptr<TSlot> slot = std::move(window_.front());
                window_.pop_front();
                if (slot->Error) return slot->Error;
                lock.unlock();
                if (!slot->Result.Skipped)
                    committer_.WriteBytes(slot->Index, slot->Result.Target, slot->Result.Bytes);
                const std::uint64_t memory = slot->Memory;
                slot.reset();
                lock.lock();
                reserved_ -= memory;
                wake_.notify_all();
                continue;
            }
            if (window_.empty() && !staged && (pendingFailure || next == count)) return pendingFailure;
            wake_.wait(lock);
        }
    }

    // The entry's progress lines, then what can be known before its source
    // is read: nullptr when it is skipped (its output exists and is to stay);
    // the limits' failures are raised here.
    std::unique_ptr<TSlot> Prepare(TRunnerHost& host, int index, int count) {
        auto slot = std::make_unique<TSlot>();
        slot->Index = index;
        slot->Job = PrepareEntry(host.ListEntry(index), index, count, settings_, style_);
        const TOutputTarget target = EntryOutputTarget(slot->Job, settings_, style_);
        if (target.Writer != TWriterKind::None) slot->OutputIds = {target.Path, FolderResolved(target.Path)};
        host.ProgressLines(slot->Job.ProgressLine, slot->Job.TargetLine);
        host.ProgressStep();
        host.ProgressRepaint();
        if (!SourceFileExists(slot->Job.SourcePath)) return slot;
        if (!committer_.ShouldWrite(index, target)) return nullptr;
        const TEntryEstimate estimate = EstimateEntry(slot->Job.SourcePath, target, settings_, style_);
        if (estimate.Known) {
            slot->Memory = estimate.MemoryBytes;
            slot->Path = slot->Job.SourcePath;
        }
        return slot;
    }

    // Called with the lock held. An entry starts when its memory fits beside
    // that of the entries in flight, so many jobs on big pictures wait for
    // each other instead of being killed. Alone, it starts unless it cannot
    // fit at all (EOutOfMemory).
    bool Admit(const TSlot& slot) {
        if (reserved_ + slot.Memory <= budget_) return true;
        if (!window_.empty()) return false;
        RequireMemory(slot.Path, slot.Memory, fixedBudget_);
        return true;
    }

    // Called with the lock held. No failure so far, a free worker, a bounded
    // number of results waiting to be written, and no earlier entry still to
    // write the file this entry reads.
    bool CanStart(int index, TRunnerHost& host) {
        if (failedIndex_ != INT_MAX) return false;
        if (running_ >= jobs_ || static_cast<int>(window_.size()) >= 2 * jobs_) return false;
        if (window_.empty()) return true;
        std::vector<std::string> ids;
        try {
            ids = SourceIdentities(
                PrepareEntry(host.ListEntry(index), index, index + 1, settings_, style_).SourcePath);
        } catch (...) {
            return true;  // the entry fails when prepared; nothing to wait for
        }
        for (const auto& slot : window_)
            for (const auto& id : ids)
                if (slot->OutputIds.count(id)) return false;
        return true;
    }

    void Work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            TSlot* slot = queue_.front();
            queue_.pop_front();
            if (slot->Index > failedIndex_) {
                // Behind a failure: never started, never written.
                slot->Done = true;
                --running_;
                wake_.notify_all();
                continue;
            }
            lock.unlock();
            TEncodedEntry result;
            std::exception_ptr error;
            try {
                result = EncodeEntry(slot->Job, settings_, style_);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            slot->Result = std::move(result);
            slot->Error = error;
            if (error && slot->Index < failedIndex_) failedIndex_ = slot->Index;
            slot->Done = true;
            --running_;
            wake_.notify_all();
        }
    }

    const TConversionSettings& settings_;
    const PathStyle style_;
    const int jobs_;
    const std::optional<std::uint64_t> fixedBudget_;  // given by the caller
    const std::uint64_t budget_;                      // what the entries in flight may hold together
    std::uint64_t reserved_ = 0;                      // their estimates

    TOutputCommitter committer_;  // used by the driving thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::unique_ptr<TSlot>> window_;  // started, not yet written
    std::deque<TSlot*> queue_;                   // waiting for a worker
    int running_ = 0;                            // queued or being converted
    int failedIndex_ = INT_MAX;                  // the first entry known to have failed
    bool stopping_ = false;
};

}  // namespace

bool RunBatchParallel(TRunnerHost& host, const TConversionSettings& settings, int jobs, PathStyle style,
                      std::optional<std::uint64_t> memoryBudget) {
    if (jobs <= 1) return RunBatch(host, settings, style);
    return RunBatchWith(host, settings, style, [&](TRunnerHost& h, int count) {
        TParallelRun run(h, settings, style, jobs, memoryBudget);
        run.Run(h, count);
    });
}

}  // namespace corvane
