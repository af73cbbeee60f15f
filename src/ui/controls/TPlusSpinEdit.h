#pragma once

// Public interface of the digit-spin numeric control (unit "plussped").
// The value model lives in TPlusSpinValue (plain logic, no window); this widget
// draws it, edits it digit by digit and repeats the arrow buttons.
//
// Naming: property reads are the property's name (Value(), MaxValue() ...), property
// writes are Set<Property>. The one exception is Value: SetValue() changes the value
// WITHOUT reporting it, while AssignValue() is the Value setter ("Value := v"), which
// clamps, rebuilds the text and raises OnChange when the value changed. Everything the
// program does to a field (readback, reverting a refused value) goes through AssignValue.

#include "app/NotifyEvent.h"

#include <QWidget>

class TPlusSpinEdit : public QWidget
{
    Q_OBJECT
public:
    enum TBorderStyle { bsNone, bsSingle };

    explicit TPlusSpinEdit(QWidget *parent = nullptr);
    ~TPlusSpinEdit() override;

    // value
    double Value() const;
    void AssignValue(double v); // the Value setter: clamps, reports a change
    void SetValue(double v);    // changes without reporting
    int IntValue() const;       // rounded, halves to even
    void SetIntValue(int v);    // through the Value setter
    QString Text() const;       // display text, placeholders and separators included

    // limits and step
    double MaxValue() const;
    void SetMaxValue(double x);
    double MinValue() const;
    void SetMinValue(double x);
    double Increment() const; // the step now in force
    void SetIncrement(double x);
    int IncExponent() const; // place of the focused digit
    void SetIncExponent(int k);

    // text
    int Decimals() const;
    void SetDecimals(int n);
    int LeadingDigits() const;
    void SetLeadingDigits(int n);
    int Base() const;
    void SetBase(int b);
    QChar ThousandSeparator() const; // QChar() = no grouping
    void SetThousandSeparator(QChar ch);

    // behaviour
    bool AutoSize() const;
    void SetAutoSize(bool on);
    bool TrackSpin() const;
    void SetTrackSpin(bool on);
    bool EditorEnabled() const;
    void SetEditorEnabled(bool on);
    bool EnterRequired() const;
    void SetEnterRequired(bool on);
    TBorderStyle BorderStyle() const;
    void SetBorderStyle(TBorderStyle style);
    // The control's own enabled state: when false the control still takes the focus
    // and shows its focus cell, but ignores keys, typing, mouse and arrow buttons.
    // The underlying QWidget is never disabled.
    bool Enabled() const;
    void SetEnabled(bool on);

    void RightZero();

    // events (copyable, so generated controls can take their template's handler)
    const TNotifyEvent &OnChange() const;
    void SetOnChange(TNotifyEvent handler);
    const TNotifyEvent &OnSetIncrement() const;
    void SetOnSetIncrement(TNotifyEvent handler);

protected:
    virtual void NotifyChange(); // every report of a value change goes through here

    // (widget event overrides and private state are declared by the implementation)
};
