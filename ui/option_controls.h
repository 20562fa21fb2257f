// The window's option controls made from rows of the option table: ranges,
// steps, scales, captions, items and defaults come from the row, and a run
// reads each control back through its row.
#pragma once

#include <QString>
#include <QStringList>

#include "app/option_table.h"

class QObject;

namespace corvane {

class TSpinEx;

QString OptionCaption(const TOptionRow& row);
// The items of a choice or the suggestions of a text, as the window shows them.
QStringList OptionItems(const TOptionRow& row);

// Bounds, step and scale before the mode, the mode before the value, so the
// default is shown in its final form.
void ConfigureSpin(TSpinEx& spin, const TOptionRow& row);

// The control's value into the record: a spin edit's value, a check box's or
// a checkable menu item's state, a radio group's or a group of radio menu
// items' checked item, a drop-down box's item (typed text that is no item
// counts as the first) or its text.
void ReadOptionControl(const QObject& control, const TOptionRow& row, TConversionSettings& settings);

}  // namespace corvane
