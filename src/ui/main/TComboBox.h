#pragma once

#include "base/NotifyEvent.h"

#include <QComboBox>

// A drop-down list whose change event is a copyable handler, so that the generated
// channel tabs can take their template's. OnChange fires when the operator picks an
// item; setting the index from code raises nothing.
//
// The wheel changes the selection only while the list has the keyboard focus: a wheel
// turn over a list the pointer merely passes (scrolling the window, say) changes nothing
// and does not take the focus.
class TComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TComboBox(QWidget *parent = nullptr);

    const TNotifyEvent &OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

protected:
    void wheelEvent(QWheelEvent *event) override;

private:
    TNotifyEvent FOnChange;
};
