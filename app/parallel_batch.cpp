#include "app/parallel_batch.h"

#include <limits.h>
#include <stdlib.h>

#include <chrono>
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
#include "app/file_identity.h"
#include "app/memory_budget.h"
#include "app/output_commit.h"

namespace corvane {

namespace {

std::vector<std::string> SourceIdentities(const std::string& path) {
    std::vector<std::string> ids{path, FileIdentity(path)};
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf)) ids.emplace_back(buf);
    return ids;
}

struct TSlot {
    int Index = 0;
    TEntryJob Job;
    std::set<std::string> OutputIds;  // the target's identities, when something is written
    std::chrono::steady_clock::time_point Start;
    std::uint64_t Memory = 0;  // estimated from the header
    bool Queued = false;       // for a worker; otherwise Outcome is already complete
    bool Done = false;
    bool Dropped = false;  // behind a failure that ends the run: never converted
    TEntryOutcome Outcome;
    TEncodedEntry Result;
    std::exception_ptr Error;
};

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

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

    // Runs entries 0 .. count-1 of the host's list, reporting each outcome
    // to the record in list order.
    void Run(TRunnerHost& host, int count, TRunRecord& record) {
        std::vector<std::thread> workers;
        std::exception_ptr failure;
        try {
            for (int w = 0; w < jobs_; ++w) workers.emplace_back([this] { Work(); });
            Drive(host, count, record);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_all();
        for (auto& t : workers) t.join();
        if (failure) std::rethrow_exception(failure);
    }

private:
    // Prepares entry `index` on the driving thread: an entry that fails to
    // prepare, or that is left out before its source is read, is complete at
    // once and never reaches a worker.
    std::unique_ptr<TSlot> Prepare(TRunnerHost& host, int index, int count) {
        auto slot = std::make_unique<TSlot>();
        slot->Index = index;
        slot->Start = std::chrono::steady_clock::now();
        std::string source;
        TOutputTarget target;
        try {
            slot->Job = PrepareEntry(host.ListEntry(index), index, count, settings_, style_);
            source = slot->Job.SourcePath;
            target = EntryOutputTarget(slot->Job, settings_, style_);
            host.ProgressLines(slot->Job.ProgressLine, slot->Job.TargetLine);
            host.ProgressStep();
            host.ProgressRepaint();
            slot->Outcome = NewOutcome(slot->Job, count, target);
            TEntryEstimate estimate;
            slot->Outcome.Reason = host.SkipReason(slot->Outcome);
            if (slot->Outcome.Reason.empty())
                slot->Outcome.Reason =
                    SkipBeforeReading(slot->Job, target, committer_, settings_, style_, &estimate);
            slot->Queued = slot->Outcome.Reason.empty();
            if (estimate.Known) slot->Memory = estimate.MemoryBytes;
            // Only an entry that will write can be what a later entry reads.
            if (slot->Queued && target.Writer != TWriterKind::None)
                slot->OutputIds = {target.Path, FileIdentity(target.Path)};
        } catch (...) {
            slot->Outcome = FailedOutcome(index, count, source, target);
        }
        slot->Done = !slot->Queued;
        return slot;
    }

    // The finished entry at the head, written in list order.
    bool Finish(TSlot& slot, int count, TRunRecord& record) {
        if (slot.Dropped) return true;
        if (slot.Queued) {
            try {
                if (slot.Error) std::rethrow_exception(slot.Error);
                FinishEntry(slot.Result, committer_, slot.Outcome);
            } catch (...) {
                slot.Outcome = FailedOutcome(slot.Index, count, slot.Job.SourcePath,
                                             {slot.Outcome.Output, slot.Outcome.Writer});
            }
        }
        slot.Outcome.Milliseconds = MillisecondsSince(slot.Start);
        return record.Add(slot.Outcome);
    }

    void Drive(TRunnerHost& host, int count, TRunRecord& record) {
        int next = 0;
        bool ending = false;            // no further entry starts
        std::unique_ptr<TSlot> staged;  // prepared, waiting for memory
        std::unique_lock lock(mutex_);
        for (;;) {
            // Entries left out before reading end at once, in their place, so
            // that a run of them never fills the window.
            while (!window_.empty() && window_.front()->Done && !window_.front()->Queued) {
                std::unique_ptr<TSlot> slot = std::move(window_.front());
                window_.pop_front();
                lock.unlock();
                const bool goOn = Finish(*slot, count, record);
                lock.lock();
                if (!goOn) EndHere(ending);
            }
            if (staged && ending) staged.reset();  // behind a failure: never converted
            if (staged && Admit(*staged, count)) {
                Enter(std::move(staged));
                continue;
            }
            while (next < count && !host.TakesEntry(next)) ++next;
            // Start before writing: the worker that has just finished would
            // otherwise stand idle for the whole write of the entry at the head.
            if (!staged && !ending && next < count && CanStart(next, host)) {
                lock.unlock();
                if (host.StopRequested()) {
                    record.Stop();
                    ending = true;
                    lock.lock();
                    continue;
                }
                std::unique_ptr<TSlot> slot = Prepare(host, next, count);
                lock.lock();
                ++next;
                if (slot->Queued)
                    staged = std::move(slot);  // admitted above, when its memory fits
                else
                    Enter(std::move(slot));
                continue;
            }

            if (!window_.empty() && window_.front()->Done) {
                std::unique_ptr<TSlot> slot = std::move(window_.front());
                window_.pop_front();
                lock.unlock();
                const bool goOn = Finish(*slot, count, record);
                const std::uint64_t memory = slot->Queued ? slot->Memory : 0;
                slot.reset();
                lock.lock();
                reserved_ -= memory;
                if (!goOn) EndHere(ending);
                continue;
            }
            if (window_.empty() && !staged && (ending || next == count)) return;
            slotDone_.wait(lock);
        }
    }

    // Called with the lock held: the slot takes its place in the window, and
    // a worker is woken for it if it has work (an entry left out before
    // reading costs no thread switch).
    void Enter(std::unique_ptr<TSlot> slot) {
        const bool queued = slot->Queued;
        if (queued) {
            reserved_ += slot->Memory;
            queue_.push_back(slot.get());
            ++running_;
        }
        window_.push_back(std::move(slot));
        if (queued) workReady_.notify_one();
    }

    // Called with the lock held. An entry starts when its memory fits beside
    // that of the entries in flight, so many jobs on big pictures wait for
    // each other instead of being killed. Alone, it starts unless it cannot
    // fit at all: then it fails with EOutOfMemory, the amounts named.
    bool Admit(TSlot& slot, int count) {
        if (reserved_ + slot.Memory <= budget_) return true;
        // Until the entries holding memory have been written and let it go.
        if (reserved_ > 0) return false;
        try {
            RequireMemory(slot.Job.SourcePath, slot.Memory, fixedBudget_);
        } catch (...) {
            slot.Outcome = FailedOutcome(slot.Index, count, slot.Job.SourcePath);
            slot.Queued = false;
            slot.Done = true;
        }
        return true;
    }

    // Called with the lock held: the run ends at the entry just finished;
    // later entries are dropped, converted or not.
    void EndHere(bool& ending) {
        ending = true;
        for (auto& later : window_) later->Dropped = true;
    }

    // Called with the lock held. A free worker, a bounded number of results
    // waiting to be written, and no earlier entry still to write the file
    // this entry reads.
    bool CanStart(int index, TRunnerHost& host) {
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
            workReady_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            TSlot* slot = queue_.front();
            queue_.pop_front();
            if (slot->Dropped) {
                // Behind a failure that ended the run: never converted, never written.
                slot->Done = true;
                --running_;
                slotDone_.notify_one();
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
            slot->Done = true;
            --running_;
            slotDone_.notify_one();
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
    std::condition_variable workReady_;          // workers wait for the queue
    std::condition_variable slotDone_;           // the driving thread waits for a worker
    std::deque<std::unique_ptr<TSlot>> window_;  // started, not yet written
    std::deque<TSlot*> queue_;                   // waiting for a worker
    int running_ = 0;                            // queued or being converted
    bool stopping_ = false;
};

}  // namespace

TRunSummary RunBatchParallel(TRunnerHost& host, const TConversionSettings& settings, int jobs,
                             PathStyle style, std::optional<std::uint64_t> memoryBudget) {
    // A plan reads no pictures: nothing to share out.
    if (settings.Plan) return RunBatch(host, settings, style);
    // One job is one worker too: the writing (and its flushes to the disk)
    // then overlaps the next entry's decoding.
    if (jobs < 1) jobs = 1;
    return RunBatchWith(host, settings, style, [&](TRunnerHost& h, int count, TRunRecord& record) {
        TParallelRun run(h, settings, style, jobs, memoryBudget);
        run.Run(h, count, record);
    });
}

}  // namespace corvane
