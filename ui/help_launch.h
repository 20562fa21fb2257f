// Opening the help page in the desktop's HTML program: the page's path, the
// program associated with HTML, the command, and a detached start that
// reports the system's error number.
#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// The program file's path with its extension replaced by ".htm".
QString HelpPagePath(const QString& programPath);

// The program that opens HTML files: the desktop's default handler for
// text/html (its desktop file's Exec line, field codes dropped); xdg-open
// when the desktop names none.
struct TAssociatedProgram {
    QString Program;
    QStringList Arguments;  // given in the Exec line before the document
};
TAssociatedProgram AssociatedHtmlProgram();
// The program and leading arguments of a desktop file's Exec line; an
// "env VAR=value" prefix is skipped. Empty Program when there is none.
TAssociatedProgram DesktopExecProgram(const QString& desktopFileText);

struct TBrowserCommand {
    QString Program;
    QStringList Arguments;
    QString CommandLine;  // as shown in the failure message
};
// " -h " goes between program and page only for netscape.exe (any case).
TBrowserCommand BrowserCommand(const TAssociatedProgram& browser, const QString& page);

// Starts the program without a shell and without waiting for it. Returns 0,
// or the system's error number when it could not be started.
int StartDetached(const QString& program, const QStringList& arguments);

// "Exec Error " + number + CR LF + command line.
QString ExecErrorText(int errorNumber, const QString& commandLine);

}  // namespace corvane
