// The option handlers of TForm1 and the settings record a run takes from
// the controls.
#include <QCheckBox>
#include <QComboBox>

#include "ui/SpinEx.h"
#include "ui/corvane01u1.h"
#include "ui/option_controls.h"

namespace corvane {

void TForm1::ComboBox1Change() {
    // Only the exact text ".bmp" means bitmap output; ".BMP" or anything
    // typed keeps the JPEG options.
    const bool jpegOptions = ComboBox1->currentText() != QLatin1String(".bmp");
    SpinEx5->setEnabled(jpegOptions);
    CheckBox14->setEnabled(jpegOptions);
}

int TForm1::ComboBox2Index() const {
    return ComboBox2->findText(ComboBox2->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

TConversionSettings TForm1::ReadSettings() const {
    TConversionSettings s;
    for (const TOptionRow& row : OptionTable())
        if (const QObject* control = OptionControl(row.Id)) ReadOptionControl(*control, row, s);
    return s;
}

}  // namespace corvane
