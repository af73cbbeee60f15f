// Focus memory of the two tab controls: each page gives the keyboard focus back to
// the control that had it when the operator last left that page.

#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"

#include <QApplication>

namespace {
// Only a control on the page being left is remembered for it: with the focus elsewhere
// (the terminal, say) the page keeps what it remembered before.
void Remember(QVector<QPointer<QWidget>> &table, const TPageControl *control)
{
    const int page = control->ActivePageIndex();
    QWidget *focus = QApplication::focusWidget();
    if (page >= 0 && page < table.size() && focus && control->Page(page)->isAncestorOf(focus))
        table[page] = focus;
}

void Restore(const QVector<QPointer<QWidget>> &table, const TPageControl *control)
{
    const int page = control->ActivePageIndex();
    if (page >= 0 && page < table.size() && table[page])
        table[page]->setFocus(Qt::OtherFocusReason);
}
} // namespace

void TMainForm::SystemPageControlChanging(QObject *, bool &)
{
    Remember(FActiveSysControls, SystemPageControl);
}

void TMainForm::SystemPageControlChange(QObject *)
{
    Restore(FActiveSysControls, SystemPageControl);
}

void TMainForm::ChPageControlChanging(QObject *, bool &)
{
    Remember(FActiveChControls, ChPageControl);
}

void TMainForm::ChPageControlChange(QObject *)
{
    Restore(FActiveChControls, ChPageControl);
}
