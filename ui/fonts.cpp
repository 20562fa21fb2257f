#include "ui/fonts.h"

#include <QStringList>

namespace corvane {

void InstallFontSubstitutes() {
    // fonts-ipafont-gothic first (installed by scripts/install-deps), then
    // other Debian packages' proportional Japanese gothics.
    QFont::insertSubstitutions(
        kFormFontFamily,
        {QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP"),
         QStringLiteral("TakaoPGothic"), QStringLiteral("IPAGothic")});
}

QFont FormFont() {
    QFont font(kFormFontFamily);
    font.setPixelSize(12);
    return font;
}

QFont BigButtonFont() {
    QFont font(kFormFontFamily);
    font.setPixelSize(19);
    font.setBold(true);
    return font;
}

}  // namespace corvane
