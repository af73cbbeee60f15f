#include "ui/main/TComboBox.h"

#include <QWheelEvent>

TComboBox::TComboBox(QWidget *parent) : QComboBox(parent)
{
    setMaxVisibleItems(12);
    setFocusPolicy(Qt::StrongFocus); // not taken by the wheel
    connect(this, &QComboBox::activated, this, [this](int) {
        if (FOnChange)
            FOnChange(this);
    });
}

void TComboBox::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore(); // left to the parent
        return;
    }
    QComboBox::wheelEvent(event);
}
