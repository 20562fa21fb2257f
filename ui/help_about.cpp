// Help and about of TForm1.
#include <QCoreApplication>
#include <QFileInfo>

#include "ui/corvane01u1.h"

namespace corvane {

void TForm1::Help2Click() {
    const QString page = HelpPagePath(QCoreApplication::applicationFilePath());
    // No page beside the program: nothing to open, nothing to say.
    if (!QFileInfo::exists(page)) return;
    OpenHelp(page, AssociatedHtmlProgram());
}

void TForm1::OpenHelp(const QString& page, const TAssociatedProgram& browser) {
    if (!QFileInfo::exists(page) || browser.Program.isEmpty()) return;
    const TBrowserCommand command = BrowserCommand(browser, page);
    if (const int error = StartDetached(command.Program, command.Arguments))
        dialogs_->ShowInformation(this, ExecErrorText(error, command.CommandLine));
}

void TForm1::About1Click() {
    dialogs_->ShowInformation(this, windowTitle() + QStringLiteral(" - Vestral") + QStringLiteral("\r\n") +
                                        QStringLiteral(" (Ver. 2)"));
}

}  // namespace corvane
