#include "ui/list_dialogs.h"

#include "ui/dialogs.h"

namespace corvane {

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        pattern.replace(u';', u' ');
        filters << parts[i] + QStringLiteral(" (") + pattern + u')';
    }
    return filters;
}

bool TListFileDialog::Execute(TDialogs& dialogs, QWidget* parent) {
    TFileDialogRequest request;
    request.Title = Title;
    request.NameFilters = QtNameFilters(Filter);
    request.InitialDir = InitialDir;
    request.FileName = FileName;
    request.Save = Save;
    const std::optional<QString> chosen = dialogs.ChooseFile(parent, request);
    if (!chosen || chosen->isEmpty()) return false;
    QString name = *chosen;
    if (!DefaultExt.isEmpty()) {
        const QString base = name.mid(name.lastIndexOf(u'/') + 1);
        if (!base.contains(u'.')) name += u'.' + DefaultExt;
    }
    FileName = name;
    return true;
}

QString DialogFolder(const QString& folder) {
    if (folder.size() > 1 && folder.endsWith(u'/')) return folder.left(folder.size() - 1);
    return folder;
}

}  // namespace corvane
