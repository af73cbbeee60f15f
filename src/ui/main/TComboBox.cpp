#include "ui/main/TComboBox.h"

TComboBox::TComboBox(QWidget *parent) : QComboBox(parent)
{
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, [this](int) {
        if (FOnChange)
            FOnChange(this);
    });
}
