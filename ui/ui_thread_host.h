// A runner host for a run driven off the user-interface thread: every call
// is carried over to the thread of `context` and waits there for the window's
// own host to answer, so the window is only ever touched from its thread and
// sees the calls in the order the runner makes them. A failure of the
// window's host comes back to the runner as the same exception, on the
// runner's thread; nothing is thrown into Qt's event loop.
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

#include "app/runner_host.h"

namespace corvane {

class TUiThreadHost : public TRunnerHost {
public:
    TUiThreadHost(TRunnerHost& target, QObject* context) : target_(target), context_(context) {}

    int ListCount() override {
        return Call([&] { return target_.ListCount(); });
    }
    std::string ListEntry(int index) override {
        return Call([&] { return target_.ListEntry(index); });
    }
    void ListAppend(const std::vector<std::string>& entries) override {
        Call([&] { target_.ListAppend(entries); });
    }
    void ListClear() override {
        Call([&] { target_.ListClear(); });
    }
    void ListKeepOnly(const std::vector<int>& indices) override {
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
        Call([&] { target_.ProgressCaption(caption); });
    }
    void ProgressLines(const std::string& line1, const std::string& line2) override {
        Call([&] { target_.ProgressLines(line1, line2); });
    }
    void ProgressRange(int minimum, int maximum, int position, int step) override {
        Call([&] { target_.ProgressRange(minimum, maximum, position, step); });
    }
    void ProgressStep() override {
        Call([&] { target_.ProgressStep(); });
    }
    void ProgressRepaint() override {
        Call([&] { target_.ProgressRepaint(); });
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
    // The outcome's data stays valid: the runner waits for the answer.
    void EntryDone(const TEntryOutcome& outcome) override {
        Call([&] { target_.EntryDone(outcome); });
    }
    bool StopRequested() override {
        return Call([&] { return target_.StopRequested(); });
    }
    void ShowFailures(const std::vector<TEntryOutcome>& failures) override {
        Call([&] { target_.ShowFailures(failures); });
    }

private:
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
            if (failure) std::rethrow_exception(failure);
            return std::move(*result);
        }
    }

    TRunnerHost& target_;
    QObject* context_;
};

}  // namespace corvane
