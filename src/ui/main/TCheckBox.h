#pragma once

#include "base/NotifyEvent.h"

#include <QCheckBox>

// A check box whose click event is a copyable handler (see TComboBox). OnClick fires
// when the operator toggles the box; setChecked from code raises nothing.
class TCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TCheckBox(const QString &text = QString(), QWidget *parent = nullptr);

    const TNotifyEvent &OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }

private:
    TNotifyEvent FOnClick;
};
