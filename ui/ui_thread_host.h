// A runner host for a run driven off the user-interface thread: every call
// is carried over to the thread of `context`, so the window is only ever
// touched from its thread and sees the calls in the order the runner makes
// them. A failure of the window's host comes back to the runner as the same
// exception, on the runner's thread; nothing is thrown into Qt's event loop.
//
// Calls that answer something wait for the answer. The progress window's
// updates and the reports of finished entries do not: the runner goes on
// while the window paints, and a failure there is handed back at the next
// call that waits. Each wait costs the runner a wake-up of the window's
// thread, which on a busy machine can take a while and holds up the next
// entry's start, so the batch list is read in one call and kept until the
// runner changes it (while the run lasts nothing else may change the list).
//
// The thread of `context` must keep running its event loop while the run
// lasts (called from that thread itself, the calls go straight through).
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/runner_host.h"

namespace corvane {

class TUiThreadHost : public TRunnerHost {
public:
    TUiThreadHost(TRunnerHost& target, QObject* context) : target_(target), context_(context) {}

    int ListCount() override { return static_cast<int>(List().size()); }
    std::string ListEntry(int index) override {
        const std::vector<std::string>& list = List();
        return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)]
                                                                   : std::string();
    }
    void ListAppend(const std::vector<std::string>& entries) override {
        list_.reset();
        Call([&] { target_.ListAppend(entries); });
    }
    void ListClear() override {
        list_.reset();
        Call([&] { target_.ListClear(); });
    }
    void ListKeepOnly(const std::vector<int>& indices) override {
        list_.reset();
        Call([&] { target_.ListKeepOnly(indices); });
    }
    TFileSelection Selection() override {
        return Call([&] { return target_.Selection(); });
    }
    void DisableRunButton() override {
        Call([&] { target_.DisableRunButton(); });
    }
    void RefreshFileList() override {
        Call([&] { target_.RefreshFileList(); });
    }
    void ProgressCreate() override {
        Call([&] { target_.ProgressCreate(); });
    }
    void ProgressCaption(const std::string& caption) override {
        Post([this, caption] { target_.ProgressCaption(caption); });
    }
    void ProgressLines(const std::string& line1, const std::string& line2) override {
        Post([this, line1, line2] { target_.ProgressLines(line1, line2); });
    }
    void ProgressRange(int minimum, int maximum, int position, int step) override {
        Post([this, minimum, maximum, position, step] {
            target_.ProgressRange(minimum, maximum, position, step);
        });
    }
    void ProgressStep() override {
        Post([this] { target_.ProgressStep(); });
    }
    void ProgressRepaint() override {
        Post([this] { target_.ProgressRepaint(); });
    }
    void ProgressDestroy() override {
        Call([&] { target_.ProgressDestroy(); });
    }
    void BeginWaitCursor() override {
        Call([&] { target_.BeginWaitCursor(); });
    }
    void EndWaitCursor() override {
        Call([&] { target_.EndWaitCursor(); });
    }
    void Beep() override {
        Call([&] { target_.Beep(); });
    }
    void ShowFinished(const std::string& text) override {
        Call([&] { target_.ShowFinished(text); });
    }
    void ShowError(const std::string& text) override {
        Call([&] { target_.ShowError(text); });
    }
    void MoveToTrash(const std::string& path) override {
        Call([&] { target_.MoveToTrash(path); });
    }
    // A copy travels; the written bytes (valid during this call only) do not.
    void EntryDone(const TEntryOutcome& outcome) override {
        TEntryOutcome copy = outcome;
        copy.Data = {};
        Post([this, copy = std::move(copy)] { target_.EntryDone(copy); });
    }
    // Waits: a stop is seen by the entry after the last one the window showed.
    bool StopRequested() override {
        return Call([&] { return target_.StopRequested(); });
    }
    void ShowFailures(const std::vector<TEntryOutcome>& failures) override {
        Call([&] { target_.ShowFailures(failures); });
    }

private:
    const std::vector<std::string>& List() {
        if (!list_)
            list_ = Call([&] {
                std::vector<std::string> list;
                const int count = target_.ListCount();
                for (int i = 0; i < count; ++i) list.push_back(target_.ListEntry(i));
                return list;
            });
        return *list_;
    }

    // Runs `call` on the window's thread without waiting for it; calls made
    // later, waiting or not, run after it.
    template <class F>
    void Post(F&& call) {
        if (QThread::currentThread() == context_->thread()) return call();
        QMetaObject::invokeMethod(
            context_,
            [this, call = std::forward<F>(call)] {
                try {
                    call();
                } catch (...) {
                    if (!posted_) posted_ = std::current_exception();
                }
            },
            Qt::QueuedConnection);
    }

    template <class F>
    std::invoke_result_t<F> Call(F&& call) {
        using R = std::invoke_result_t<F>;
        if (QThread::currentThread() == context_->thread()) return call();
        std::exception_ptr failure;
        if constexpr (std::is_void_v<R>) {
            QMetaObject::invokeMethod(
                context_,
                [&] {
                    try {
                        call();
                    } catch (...) {
                        failure = std::current_exception();
                    }
                },
                Qt::BlockingQueuedConnection);
            RethrowPosted();
            if (failure) std::rethrow_exception(failure);
        } else {
            std::optional<R> result;
            QMetaObject::invokeMethod(
                context_,
                [&] {
                    try {
                        result.emplace(call());
                    } catch (...) {
                        failure = std::current_exception();
                    }
                },
                Qt::BlockingQueuedConnection);
            RethrowPosted();
            if (failure) std::rethrow_exception(failure);
            return std::move(*result);
        }
    }

    // A failure of a call that was not waited for, handed to the runner now.
    // Set on the window's thread before the waited-for call ran there, which
    // the wait orders before this read.
    void RethrowPosted() {
        if (posted_) std::rethrow_exception(std::exchange(posted_, nullptr));
    }

    TRunnerHost& target_;
    QObject* context_;
    std::optional<std::vector<std::string>> list_;  // the batch list as last read
    std::exception_ptr posted_;
};

}  // namespace corvane
