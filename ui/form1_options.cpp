// The option handlers of TForm1 and the settings record a run takes from
// the controls.
#include <QCheckBox>
#include <QComboBox>

#include "ui/SpinEx.h"
#include "ui/corvane01u1.h"
#include "ui/radio_group.h"
#include "ui/text_bytes.h"

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
    s.Brightness = SpinEx1->Value();
    s.Contrast = SpinEx2->Value();
    s.Level = SpinEx3->Value();
    s.LevelInverse = CheckBox11->isChecked();
    s.Gamma = SpinEx4->Value();
    s.GammaInverse = CheckBox12->isChecked();
    s.ToneFirst = RadioGroup2->ItemIndex() == 0;
    s.Angle = SpinEx6->Value();
    s.Circum = CheckBox10->isChecked();
    s.Mirror = CheckBox15->isChecked();
    switch (ComboBox2Index()) {
        case 1:
            s.AutoTurn = TAutoTurn::Upright;
            break;
        case 2:
            s.AutoTurn = TAutoTurn::Landscape;
            break;
        default:  // "無し", or typed text that is no item
            s.AutoTurn = TAutoTurn::None;
            break;
    }
    // The format text becomes part of file names.
    s.SaveFormat = ToBytes(ComboBox1->currentText());
    switch (RadioGroup1->ItemIndex()) {
        case 1:
            s.NameCase = TNameCase::Lower;
            break;
        case 2:
            s.NameCase = TNameCase::Upper;
            break;
        default:
            s.NameCase = TNameCase::None;
            break;
    }
    s.JPEGQuality = SpinEx5->Value();
    s.Progressive = CheckBox14->isChecked();
    return s;
}

}  // namespace corvane
