#include "ui/option_controls.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>

#include "imaging/errors.h"
#include "ui/SpinEx.h"
#include "ui/radio_group.h"
#include "ui/text_bytes.h"

namespace corvane {

namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString OptionCaption(const TOptionRow& row) { return Utf8(row.Caption); }

QStringList OptionItems(const TOptionRow& row) {
    QStringList items;
    for (const TOptionChoice& choice : row.Choices) items << Utf8(choice.Caption);
    return items;
}

void ConfigureSpin(TSpinEx& spin, const TOptionRow& row) {
    spin.SetMinValue(row.Min);
    spin.SetMaxValue(row.Max);
    spin.SetIncrement(row.Step);
    spin.SetMulOrDiv(static_cast<unsigned short>(row.Scale));
    spin.SetSpinType(row.Scale == 1 ? stNone : stDiv);
    spin.SetValue(row.Default);
}

void ReadOptionControl(const QObject& control, const TOptionRow& row, TConversionSettings& settings) {
    if (const auto* spin = qobject_cast<const TSpinEx*>(&control)) {
        row.Set(settings, spin->Value());
    } else if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        row.Set(settings, box->isChecked() ? 1 : 0);
    } else if (const auto* group = qobject_cast<const TRadioGroup*>(&control)) {
        row.Set(settings, group->ItemIndex());
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        if (row.Kind == TOptionKind::Text) {
            // The text becomes part of file names.
            settings.*row.TextField = ToBytes(combo->currentText());
        } else {
            const int index =
                combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
            row.Set(settings, index < 0 ? 0 : index);
        }
    } else if (const auto* item = qobject_cast<const QAction*>(&control)) {
        row.Set(settings, item->isChecked() ? 1 : 0);
    } else if (const auto* items = qobject_cast<const QActionGroup*>(&control)) {
        const int index = static_cast<int>(items->actions().indexOf(items->checkedAction()));
        row.Set(settings, index < 0 ? row.Default : index);
    } else {
        throw ECorvaneError("no control reads " + std::string(row.CliName));
    }
}

}  // namespace corvane
