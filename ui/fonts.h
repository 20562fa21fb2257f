// The window's fonts. The family the layout was drawn with is requested by
// name and mapped to an installed proportional Japanese gothic, so no
// Japanese text shows as boxes.
#pragma once

#include <QFont>
#include <QString>

namespace corvane {

inline const QString kFormFontFamily = QStringLiteral("ＭＳ Ｐゴシック");

// Maps kFormFontFamily to the first installed of a few proportional gothics.
void InstallFontSubstitutes();
// 12 pixels: every control.
QFont FormFont();
// 19 pixels, bold: the run and exit buttons.
QFont BigButtonFont();

}  // namespace corvane
