#include "app/parallel_batch.h"

#include <limits.h>
#include <stdlib.h>

#include <condition_variable>
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
    bool Done = false;
    TEncodedEntry Result;
    std::exception_ptr Error;
};

class TParallelRun {
public:
    TParallelRun(TRunnerHost& host, const TConversionSettings& settings, PathStyle style, int jobs)
        : settings_(settings), style_(style), jobs_(jobs), committer_(host, settings.Existing) {}

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
        std::unique_lock lock(mutex_);
        for (;;) {
            // Start before writing: the worker that has just finished would
            // otherwise stand idle for the whole write of the entry at the head.
            if (!pendingFailure && next < count && CanStart(next, host)) {
                lock.unlock();
                try {
                    auto slot = std::make_unique<TSlot>();
                    slot->Index = next;
                    slot->Job = PrepareEntry(host.ListEntry(next), next, count, settings_, style_);
                    const TOutputTarget target = EntryOutputTarget(slot->Job, settings_, style_);
                    if (target.Writer != TWriterKind::None)
                        slot->OutputIds = {target.Path, FolderResolved(target.Path)};
                    host.ProgressLines(slot->Job.ProgressLine, slot->Job.TargetLine);
                    host.ProgressStep();
                    host.ProgressRepaint();
                    // Left out, or refused, before a worker takes memory for it.
                    bool convert = true;
                    if (SourceFileExists(slot->Job.SourcePath)) {
                        convert = committer_.ShouldWrite(next, target);
                        if (convert) EstimateEntry(slot->Job.SourcePath, target, settings_, style_);
                    }
                    lock.lock();
                    if (convert) {
                        queue_.push_back(slot.get());
                        window_.push_back(std::move(slot));
                        ++running_;
                    }
                    ++next;
                    wake_.notify_all();
                } catch (...) {
                    pendingFailure = std::current_exception();
                    lock.lock();
                }
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
                slot.reset();
                lock.lock();
                wake_.notify_all();
                continue;
            }
            if (window_.empty() && (pendingFailure || next == count)) return pendingFailure;
            wake_.wait(lock);
        }
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

bool RunBatchParallel(TRunnerHost& host, const TConversionSettings& settings, int jobs, PathStyle style) {
    if (jobs <= 1) return RunBatch(host, settings, style);
    return RunBatchWith(host, settings, style, [&](TRunnerHost& h, int count) {
        TParallelRun run(h, settings, style, jobs);
        run.Run(h, count);
    });
}

}  // namespace corvane
