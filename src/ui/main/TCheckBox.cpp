#include "ui/main/TCheckBox.h"

TCheckBox::TCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent)
{
    connect(this, &QCheckBox::clicked, this, [this](bool) {
        if (FOnClick)
            FOnClick(this);
    });
}
