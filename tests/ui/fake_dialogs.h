// Dialogs answered by the test and boxes recorded for it.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "ui/dialogs.h"

namespace corvane {

struct TFakeDialogs : TDialogs {
    QStringList Answers;  // one per file dialog; a null string cancels
    QList<TFileDialogRequest> Requests;
    QStringList Errors;
    QStringList Informations;
    QStringList Finished;
    QStringList FailureTexts;
    QList<QList<TFailureRow>> FailureRows;  // one list per failure box
    int Beeps = 0;
    std::function<void()> OnBox;  // called as an error or end box shows

    std::optional<QString> ChooseFile(QWidget*, const TFileDialogRequest& request) override {
        Requests << request;
        const QString answer = Answers.isEmpty() ? QString() : Answers.takeFirst();
        if (answer.isNull()) return std::nullopt;
        return answer;
    }
    void ShowError(QWidget*, const QString& text) override {
        if (OnBox) OnBox();
        Errors << text;
    }
    void ShowInformation(QWidget*, const QString& text) override { Informations << text; }
    void ShowFinished(const QString& text) override {
        if (OnBox) OnBox();
        Finished << text;
    }
    void ShowFailures(QWidget*, const QString& text, const QList<TFailureRow>& rows) override {
        if (OnBox) OnBox();
        FailureTexts << text;
        FailureRows << rows;
    }
    void Beep() override { ++Beeps; }
};

}  // namespace corvane
