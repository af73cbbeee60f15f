#pragma once

#include "base/NotifyEvent.h"

#include <QComboBox>

// A drop-down list whose change event is a copyable handler, so that the generated
// channel tabs can take their template's. OnChange fires when the operator picks an
// item; setting the index from code raises nothing.
class TComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TComboBox(QWidget *parent = nullptr);

    const TNotifyEvent &OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

private:
    TNotifyEvent FOnChange;
};
