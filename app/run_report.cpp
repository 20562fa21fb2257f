#include "app/run_report.h"

#include <limits.h>
#include <stdlib.h>

#include <functional>

#include "app/paths.h"
#include "imagefiles/format_registry.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

std::string Counted(int index, int count) { return std::to_string(index + 1) + "/" + std::to_string(count); }

std::string WriterName(TWriterKind writer) {
    const TImageFormat* format = ImageFormatById(writer);
    return format ? std::string(format->Name) : "書き出し形式なし";
}

const char* ExistingText(TExistingAction action) {
    switch (action) {
        case TExistingAction::NewFile:
            return "新しいファイル";
        case TExistingAction::Trash:
            return "既存のファイルはごみ箱へ";
        case TExistingAction::Replace:
            return "既存のファイルを置き換える";
        case TExistingAction::ReplaceOwn:
            return "先の項目の出力を置き換える";
        case TExistingAction::Keep:
            return "既存のファイルを残す";
        case TExistingAction::Unknown:
            break;
    }
    return "-";
}

}  // namespace

std::string TRunReport::PlanLine(const TEntryOutcome& outcome) {
    std::string what = outcome.Status == TEntryStatus::Written   ? "書き込む"
                       : outcome.Status == TEntryStatus::Skipped ? "飛ばす (" + outcome.Reason + ")"
                                                                 : "失敗 (" + outcome.Reason + ")";
    return EntryLabel(outcome) + ": " + what + "; " + WriterName(outcome.Writer) + "; " +
           ExistingText(outcome.Existing) + "; 元 " + outcome.Source + "; 出力 " + outcome.Output;
}

std::string TRunReport::FailureLine(const TEntryOutcome& failure) {
    return "corvane-batch: " + ErrorDisplayText(EntryLabel(failure) + ": " + failure.Reason);
}

std::vector<std::string> TRunReport::Add(const TEntryOutcome& outcome) {
    const std::string warning = "corvane-batch: 警告: " + EntryLabel(outcome) + ": ";
    // What was dropped on the way (damaged metadata) comes before the entry's own line.
    std::vector<std::string> lines;
    for (const std::string& dropped : outcome.Warnings) lines.push_back(warning + dropped);
    std::vector<std::string> own = Verdict(outcome, warning);
    lines.insert(lines.end(), own.begin(), own.end());
    return lines;
}

std::vector<std::string> TRunReport::Verdict(const TEntryOutcome& outcome, const std::string& warning) {
    switch (outcome.Status) {
        case TEntryStatus::Failed:
            return {FailureLine(outcome)};
        case TEntryStatus::Skipped:
            if (outcome.Reason == kResumedReason) {
                ++resumed_;
                break;
            }
            return {warning + outcome.Reason + " (元: " + outcome.Source + ", 出力: " + outcome.Output + ")"};
        case TEntryStatus::Written:
            break;
    }
    const std::uint64_t id = std::hash<std::string>{}(outputs_.Of(outcome.Output));
    const auto [it, first] = written_.emplace(id, outcome.Index);
    if (first) return {};
    const std::string earlier = Counted(it->second, outcome.Count);
    it->second = outcome.Index;
    return {warning + "出力 " + outcome.Output + " は " + earlier +
            " の出力と同じです; 後の項目の出力が残ります (元: " + outcome.Source + ")"};
}

std::string TRunReport::SummaryLine(const TRunSummary& summary, int entries, bool plan) const {
    std::string line = plan                               ? "計画: 書き込む "
                       : summary.End == TRunEnd::Finished ? "変換終了: 書き込み "
                                                          : "変換中止: 書き込み ";
    line += std::to_string(summary.Written);
    if (resumed_ > 0) line += ", 前回書き込み済み " + std::to_string(resumed_);
    line += (plan ? ", 飛ばす " : ", 飛ばした ") + std::to_string(summary.Skipped - resumed_) + ", 失敗 " +
            std::to_string(summary.Failed);
    const int left = entries - summary.Written - summary.Skipped - summary.Failed;
    if (summary.End != TRunEnd::Finished && left > 0) line += ", 未処理 " + std::to_string(left);
    return line;
}

int TRunReport::ExitStatus(const TRunSummary& summary) const {
    switch (summary.End) {
        case TRunEnd::Refused:
            return kExitRefused;
        case TRunEnd::Failed:
        case TRunEnd::Stopped:
            return kExitFailed;
        case TRunEnd::Finished:
            break;
    }
    if (summary.Failed > 0) return kExitFailed;
    return summary.Skipped > resumed_ ? kExitIncomplete : kExitAllWritten;
}

}  // namespace corvane
