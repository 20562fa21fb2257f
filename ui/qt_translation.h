// Qt's own Japanese texts for the standard dialogs and message boxes
// ("キャンセル", "ファイル名:"), from the translations installed with Qt
// (Debian qt6-translations-l10n).
#pragma once

class QCoreApplication;

namespace corvane {

// Loads qtbase_ja from Qt's translations folder and installs it in `app`,
// which owns it. False when it is not installed: the texts stay English.
bool InstallQtTranslation(QCoreApplication& app);

}  // namespace corvane
