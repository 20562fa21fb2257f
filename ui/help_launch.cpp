#include "ui/help_launch.h"

#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

namespace corvane {

namespace {

// Splits an Exec value by the desktop entry rules: blanks separate
// arguments, double quotes group them, backslash escapes inside quotes.
QStringList SplitExec(const QString& exec) {
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool hasToken = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == u'\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            hasToken = true;
        } else if (c == u' ' || c == u'\t') {
            if (hasToken) args << current;
            current.clear();
            hasToken = false;
        } else {
            current += c;
            hasToken = true;
        }
    }
    if (hasToken) args << current;
    return args;
}

bool IsFieldCode(const QString& arg) { return arg.size() == 2 && arg[0] == u'%'; }

}  // namespace

QString HelpPagePath(const QString& programPath) {
    const qsizetype slash = programPath.lastIndexOf(u'/');
    const qsizetype dot = programPath.lastIndexOf(u'.');
    const QString stem = dot > slash ? programPath.left(dot) : programPath;
    return stem + QStringLiteral(".htm");
}

TAssociatedProgram DesktopExecProgram(const QString& desktopFileText) {
    bool inEntry = false;
    for (const QString& raw : desktopFileText.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || !line.startsWith(QLatin1String("Exec="))) continue;
        QStringList args = SplitExec(line.mid(5));
        args.removeIf(IsFieldCode);
        if (!args.isEmpty() && args.first() == QLatin1String("env")) {
            args.removeFirst();
            while (!args.isEmpty() && args.first().contains(u'=')) args.removeFirst();
        }
        if (args.isEmpty()) return {};
        TAssociatedProgram program;
        program.Program = args.takeFirst();
        program.Arguments = args;
        return program;
    }
    return {};
}

TAssociatedProgram AssociatedHtmlProgram() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (query.waitForFinished(5000) && query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0) {
        const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
        const QString path =
            id.isEmpty() ? QString() : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
        QFile file(path);
        if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) {
            TAssociatedProgram program = DesktopExecProgram(QString::fromUtf8(file.readAll()));
            if (!program.Program.isEmpty()) return program;
        }
    } else {
        query.kill();
        query.waitForFinished(1000);
    }
    return {QStringLiteral("xdg-open"), {}};
}

TBrowserCommand BrowserCommand(const TAssociatedProgram& browser, const QString& page) {
    TBrowserCommand command;
    command.Program = browser.Program;
    command.Arguments = browser.Arguments;
    const QString name = browser.Program.mid(browser.Program.lastIndexOf(u'/') + 1);
    QString lowered;
    for (const QChar c : name) lowered += (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
    const bool netscape = lowered == QLatin1String("netscape.exe");
    if (netscape) command.Arguments << QStringLiteral("-h");
    command.Arguments << page;

    command.CommandLine = browser.Program;
    for (const QString& arg : browser.Arguments) command.CommandLine += u' ' + arg;
    command.CommandLine += netscape ? QStringLiteral(" -h ") : QStringLiteral(" ");
    command.CommandLine += page;
    return command;
}

int StartDetached(const QString& program, const QStringList& arguments) {
    QString path = program;
    if (!program.contains(u'/')) {
        path = QStandardPaths::findExecutable(program);
        if (path.isEmpty()) return ENOENT;
    } else if (::access(QFile::encodeName(path).constData(), X_OK) != 0) {
        return errno;
    }
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached()) return 0;
    // Qt reports the failing call and the system's text; find its number.
    const QString reason = process.errorString();
    for (int code = 1; code < 256; ++code)
        if (reason.endsWith(QString::fromLocal8Bit(std::strerror(code)))) return code;
    return EIO;
}

QString ExecErrorText(int errorNumber, const QString& commandLine) {
    return QStringLiteral("Exec Error ") + QString::number(errorNumber) + QStringLiteral("\r\n") +
           commandLine;
}

}  // namespace corvane
