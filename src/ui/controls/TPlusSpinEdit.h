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

#include "base/NotifyEvent.h"
#include "ui/controls/TPlusSpinValue.h"

#include <QColor>
#include <QRect>
#include <QWidget>

class QAbstractButton;
class QKeyEvent;
class QTimer;
class QWheelEvent;
class TSpinArrowButton;

class TPlusSpinEdit : public QWidget
{
    Q_OBJECT
public:
    enum TBorderStyle
    {
        bsNone,
        bsSingle
    };

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

    // auto-repeat of a held arrow button: first repeat, then every further one (ms)
    static constexpr int SpinStartDelay = 500;
    static constexpr int SpinRepeatInterval = 150;

    // A typed digit that would leave the limits is refused: nothing changes and the field's
    // background shows RefusedColor for FlashDuration ms.
    static constexpr int FlashDuration = 300;
    static QColor RefusedColor();
    bool Flashing() const;

    // Wheel movement that makes one step (one notch of a standard wheel)
    static constexpr int WheelNotch = 120;

    // One step of the value by the step in force, through the Value setter. A tick of the
    // repeat timer (sender == RepeatTimer()) steps only while its button is held down.
    void StepUp(QObject *sender = nullptr);
    void StepDown(QObject *sender = nullptr);

    // read-only views of the state, for owners that lay out fields and for tests
    const TPlusSpinValue &Model() const { return fModel; }
    int FocusIndex() const { return fModel.FocusIndex(); } // 1-based, in Text()
    QRect FocusRect() const;                               // cell of the focused character
    int CapXStart() const;                                 // x where the text starts
    int CapXStop() const { return fCapXStop; }             // x where the text ends
    int DigitWidth() const { return fDigitWidth; }
    bool Spinning() const { return fModel.Spinning(); }
    QAbstractButton *UpButton() const;
    QAbstractButton *DownButton() const;
    const QTimer *RepeatTimer() const { return fTimer; }

    // The width that shows the widest limit's text whole, with the arrows and the border.
    int FittingWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    virtual void NotifyChange(); // every report of a value change goes through here

    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void MeasureFont();
    void LayoutButtons();
    void Sizing();
    void UpdateGeometry() const;
    void EnsureGeometry() const;
    void ButtonMouseDown(TSpinArrowButton *button);
    void ButtonMouseUp();
    void TimerTick();
    void EndSpin();
    int FrameWidth() const;
    int TypedDigit(const QKeyEvent *e) const; // the digit a key types, -1 for none
    int ButtonWidth() const;
    int PlaceAt(int x) const; // the place a click at x focuses
    void Flash();

    TPlusSpinValue fModel;
    bool fEditorEnabled = true;
    bool fEnterReq = false;
    bool fEnabled = true;
    TBorderStyle fBorderStyle = bsSingle;
    TNotifyEvent fOnChange;
    TNotifyEvent fOnSetIncrement;
    int fDigitWidth = 0;
    int fDigitHeight = 0;
    // Where the text starts and the focus cell: measured from the text when first needed
    // after a change, since a field is changed many times over before it is drawn.
    mutable int fCapXStart = 0;
    int fCapXStop = 0;
    int fCapYStart = 0;
    mutable QRect fFocusRect;
    mutable bool DisplayFieldsInitialized = false;
    QSize fSizeHint;
    TSpinArrowButton *fUpButton = nullptr;
    TSpinArrowButton *fDownButton = nullptr;
    QTimer *fTimer = nullptr;
    void (TPlusSpinEdit::*fTickStep)(QObject *) = nullptr;
    QTimer *fFlashTimer = nullptr;
    int fWheelDelta = 0; // wheel movement short of a notch, from high-resolution wheels
};
