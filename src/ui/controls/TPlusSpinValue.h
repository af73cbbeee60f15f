#pragma once

// The value model of the digit-spin control: value, limits, step, the focused digit and
// the display text. Plain logic without a window; TPlusSpinEdit owns one and draws it.
//
// The text holds the digits, at most one leading "-", the point ".", group separators and
// the placeholder "_" for a leading digit that does not exist yet (drawn as "0").

#include <QString>

#include <algorithm>
#include <functional>
#include <optional>

class TPlusSpinValue
{
public:
    TPlusSpinValue();

    // Hooks for the owner; each may be left empty.
    std::function<void()> OnReportChange;  // a change of the value is to be reported
    std::function<void()> OnStepChanged;   // the step or the focused digit changed
    std::function<void()> OnFocusMoved;    // text and focus index are new: redo the geometry
    std::function<void()> OnRepaintNeeded; // the display is out of date
    std::function<void()> OnSizingNeeded;  // AutoSize is on and the size may have changed

    // value
    double Value() const { return fValue; }
    void SetValue(double v);    // clamps, rebuilds the text, reports nothing
    void AssignValue(double v); // the Value setter: as SetValue, then reports a change
    int IntValue() const;       // rounded, halves to even
    void SetIntValue(int v) { AssignValue(v); }
    QString Text() const { return fText; }

    // limits and step
    double MaxValue() const { return fMaxValue; }
    void SetMaxValue(double x);
    double MinValue() const { return fMinValue; }
    void SetMinValue(double x);
    bool Limited() const { return fMinValue != fMaxValue; }
    double Increment() const { return fIncrement; }
    double SavedIncrement() const { return fSavedIncrement; }
    void SetIncrement(double x);
    // Place of the step's leading digit, as assigned: it may lie right of the last decimal
    // while Decimals is still lower than the step needs (a field being set up).
    int IncExponent() const { return fIncExponent; }
    // The place of the digit that is shown focused: IncExponent, but never right of the
    // last decimal.
    int FocusExponent() const { return std::max(fIncExponent, -fDecimals); }
    void SetIncExponent(int k);

    // text
    int Decimals() const { return fDecimals; }
    void SetDecimals(int n);
    int LeadingDigits() const { return fLeading; }
    void SetLeadingDigits(int n);
    int Base() const { return fBase; }
    void SetBase(int b);
    QChar ThousandSeparator() const { return fThousandSep; }
    QChar InternalThousandSeparator() const { return fInternalThousandSep; }
    void SetThousandSeparator(QChar ch);
    int GroupSize() const { return fBase == 10 ? 3 : 4; }
    int FocusIndex() const { return fFocusIndex; } // 1-based index of the focused character

    // behaviour flags kept with the value because the Value setter depends on them
    bool AutoSize() const { return fAutoSize; }
    void SetAutoSizeFlag(bool on) { fAutoSize = on; }
    bool TrackSpin() const { return fTrackSpin; }
    void SetTrackSpin(bool on) { fTrackSpin = on; }
    bool Spinning() const { return fSpinning; }
    bool Modified() const { return fModified; }
    void BeginSpin() { fSpinning = true; }
    void EndSpin(); // reports a change held back during the spin

    // operations
    void RightZero();
    // One step up (+1) or down (-1) by the step in force, through the Value setter.
    void Step(int direction);
    void FormatValueText();
    void UpdateFocusDigit();
    QString FormatText(double v) const; // the text FormatValueText would build for v
    // A typed digit over the focused character: the value the edited text reads as,
    // or nothing when the text is not a number. Changes nothing.
    std::optional<double> TypedValue(QChar ch) const;
    // Places the value, the step and the focus after a typed digit was read as v. A
    // reading outside the limits is refused: it changes nothing and returns false.
    bool ApplyTyped(double v);

    static int DigitCount(int base, double x);
    static int DigitValue(QChar ch); // -1 when the character is no digit
    static std::optional<double> ParseDigits(const QString &s, int base);
    static double BaseLn(int base);

private:
    void Report();
    void Repaint();
    void KeepFocusWithinLimits();
    bool TypedWithinLimits(double v) const; // within the limits as the field shows them

    double fMinValue = 0;
    double fMaxValue = 0;
    double fValue = 0;
    double fIncrement = 1.0;
    double fSavedIncrement = 0;
    int fDecimals = 2;
    int fLeading = 0;
    bool fAutoSize = true;
    bool fTrackSpin = true;
    bool fModified = false;
    QChar fThousandSep;
    int fBase = 10;
    int fIncExponent = 0;
    int fFocusIndex = 1;
    bool fSpinning = false;
    QChar fInternalThousandSep;
    QString fText;
};
