#pragma once

#include <QString>

class QGroupBox;
class QWidget;
class TPlusSpinEdit;

// Copies of a template page's widgets, for the pages generated from it: the main window's
// channel tabs and the service window's calibration pages.
namespace TemplateCopy {

// The copy takes the template's font only where the template has one of its own;
// otherwise it inherits the same font from its copied parent. Setting an inherited font
// anyway makes a drop-down list build its popup list at once, most of the cost of
// generating a tab.
void CopyFont(const QWidget *t, QWidget *copy);

// A captioned group in the same place, with the template's caption and tip.
QGroupBox *CopyGroup(const QGroupBox *t, QWidget *parent, const QString &name);

// A numeric field with the template's limits, step, format, value and change handler.
// The value is assigned before the decimals, as the template got them, so the copy shows
// and steps the same digit.
TPlusSpinEdit *CopyNumeric(const TPlusSpinEdit *t, QWidget *parent, const QString &name);

} // namespace TemplateCopy
