#include "app/batch_runner.h"

#include <exception>
#include <new>
#include <string>

#include "app/batch_list_ops.h"
#include "app/entry_conversion.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

// The message of whatever ended the run, as the error display gets it.
std::string FailureMessage() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "メモリが足りません";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "不明なエラー";
    }
}

}  // namespace

bool RunBatch(TRunnerHost& host, const TConversionSettings& settings, PathStyle style) {
    return RunBatchWith(host, settings, style, [&](TRunnerHost& h, int count) {
        TOutputCommitter committer(h, settings.Existing, TCommitMode::Overlapped);
        committer.Run([&] {
            for (int i = 0; i < count; ++i) {
                const TEntryJob job = PrepareEntry(h.ListEntry(i), i, count, settings, style);
                h.ProgressLines(job.ProgressLine, job.TargetLine);
                h.ProgressStep();
                h.ProgressRepaint();
                ConvertEntry(job, settings, committer, style);
            }
        });
    });
}

bool RunBatchWith(TRunnerHost& host, const TConversionSettings& settings, PathStyle style,
                  const TEntryLoop& loop) {
    // Nothing is touched when the settings or the selection are refused.
    std::vector<std::string> selected;
    try {
        ValidateSettings(settings);
        selected = SelectionEntries(host.Selection(), style);
    } catch (...) {
        host.ShowError(ErrorDisplayText(FailureMessage()));
        return false;
    }

    bool progress = false;
    bool waitCursor = false;
    try {
        if (!selected.empty()) host.ListAppend(selected);
        host.DisableRunButton();

        const int count = host.ListCount();
        if (count > 0) {
            host.ProgressCreate();
            progress = true;
            host.ProgressCaption("FILE画像変換状況");
            host.ProgressLines(kPreparingText, "");
            host.ProgressRange(0, count, 0, 1);
            host.BeginWaitCursor();
            waitCursor = true;
            loop(host, count);
            waitCursor = false;
            host.EndWaitCursor();
            progress = false;
            host.ProgressDestroy();
        }
    } catch (...) {
        // The list keeps its entries; no beep and no final box. The selection
        // update runs again so the run button follows its rule.
        const std::string message = FailureMessage();
        if (waitCursor) host.EndWaitCursor();
        if (progress) host.ProgressDestroy();
        host.RefreshFileList();
        host.ShowError(ErrorDisplayText(message));
        return false;
    }

    host.ListClear();
    host.RefreshFileList();
    host.Beep();
    host.ShowFinished(kFinishedText);
    return true;
}

}  // namespace corvane
