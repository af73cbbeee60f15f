#include "ui/controls/TemplateCopy.h"

#include "ui/controls/TPlusSpinEdit.h"

#include <QGroupBox>

namespace TemplateCopy {

void CopyFont(const QWidget *t, QWidget *copy)
{
    if (t->testAttribute(Qt::WA_SetFont))
        copy->setFont(t->font());
}

QGroupBox *CopyGroup(const QGroupBox *t, QWidget *parent, const QString &name)
{
    auto *g = new QGroupBox(parent);
    g->setGeometry(t->geometry());
    CopyFont(t, g);
    g->setObjectName(name);
    g->setTitle(t->title());
    g->setToolTip(t->toolTip());
    return g;
}

TPlusSpinEdit *CopyNumeric(const TPlusSpinEdit *t, QWidget *parent, const QString &name)
{
    auto *e = new TPlusSpinEdit(parent);
    e->SetAutoSize(t->AutoSize());
    e->setGeometry(t->geometry());
    CopyFont(t, e);
    e->setObjectName(name);
    e->SetMaxValue(t->MaxValue());
    e->SetMinValue(t->MinValue());
    e->SetIncrement(t->Increment());
    e->SetThousandSeparator(t->ThousandSeparator());
    e->AssignValue(t->Value());
    e->SetDecimals(t->Decimals());
    e->SetBorderStyle(t->BorderStyle());
    e->SetOnChange(t->OnChange());
    e->setToolTip(t->toolTip());
    return e;
}

} // namespace TemplateCopy
