#include "ui/controls/TPlusSpinValue.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
// Natural logarithms of the bases 2 to 20, held to 13 decimals; every logarithm of a base
// in the control comes from here so that the focus places come out the same everywhere.
const double BaseLogarithms[19] = {
    0.6931471805599, 1.0986122886681, 1.3862943611199, 1.6094379124341, 1.7917594692281,
    1.9459101490553, 2.0794415416798, 2.1972245773362, 2.3025850929940, 2.3978952727984,
    2.4849066497880, 2.5649493574615, 2.6390573296153, 2.7080502011022, 2.7725887222398,
    2.8332133440562, 2.8903717578962, 2.9444389791664, 2.9957322735540};

int RoundEven(double x)
{
    const double r = std::nearbyint(x); // the default rounding mode sends halves to even
    if (r >= double(INT_MAX))
        return INT_MAX;
    if (r <= double(INT_MIN))
        return INT_MIN;
    return int(r);
}

} // namespace

TPlusSpinValue::TPlusSpinValue()
{
    SetIncExponent(0);
    FormatValueText();
    UpdateFocusDigit();
}

double TPlusSpinValue::BaseLn(int base)
{
    return BaseLogarithms[std::clamp(base, 2, 20) - 2];
}

void TPlusSpinValue::Report()
{
    if (OnReportChange)
        OnReportChange();
}

void TPlusSpinValue::Repaint()
{
    if (OnRepaintNeeded)
        OnRepaintNeeded();
}

void TPlusSpinValue::SetValue(double v)
{
    if (!std::isfinite(v))
        return;
    if (Limited()) {
        if (v < fMinValue)
            v = fMinValue;
        else if (v > fMaxValue)
            v = fMaxValue;
    }
    if (v == fValue)
        return;
    fValue = v;
    FormatValueText();
    UpdateFocusDigit();
    Repaint();
}

void TPlusSpinValue::AssignValue(double v)
{
    const double old = fValue;
    SetValue(v);
    if (fValue == old)
        return;
    if (!fSpinning || fTrackSpin) {
        fModified = false;
        Report();
    } else {
        fModified = true;
    }
}

void TPlusSpinValue::EndSpin()
{
    if (!fSpinning)
        return;
    fSpinning = false;
    if (!fTrackSpin && fModified) {
        fModified = false;
        Report();
    }
}

int TPlusSpinValue::IntValue() const
{
    return RoundEven(fValue);
}

void TPlusSpinValue::SetMaxValue(double x)
{
    if (x == fMaxValue)
        return;
    fMaxValue = x;
    AssignValue(fValue);
    KeepFocusWithinLimits();
    if (fAutoSize && OnSizingNeeded)
        OnSizingNeeded();
}

void TPlusSpinValue::SetMinValue(double x)
{
    if (x == fMinValue)
        return;
    fMinValue = x;
    AssignValue(fValue);
    KeepFocusWithinLimits();
    if (fAutoSize && OnSizingNeeded)
        OnSizingNeeded();
}

void TPlusSpinValue::KeepFocusWithinLimits()
{
    // Narrower limits pull a focus that now lies left of the widest limit's leading digit
    // back to it; a focus within the limits and its step are left as they are.
    if (Limited() &&
        fIncExponent > std::max(DigitCount(fBase, fMinValue), DigitCount(fBase, fMaxValue)))
        SetIncExponent(fIncExponent);
}

void TPlusSpinValue::SetIncrement(double x)
{
    fSavedIncrement = x;
    const double a = std::fabs(x);
    if (std::fabs(a - fIncrement) / fIncrement < 1e-7)
        return;
    int n;
    if (a > 1e-20) {
        const double ln = BaseLn(fBase);
        n = RoundEven(std::log(a) / ln);
        if (1.0001 * a < std::exp(n * ln))
            --n;
    } else {
        n = -fDecimals - 1;
    }
    // The place is kept as it is even when it lies right of the last decimal: a field is
    // often given its step before its decimals, and the focus is to land on the step's
    // digit once the decimals are there. Until then the last decimal is shown focused.
    fIncExponent = n;
    UpdateFocusDigit();
    Repaint();
    fIncrement = a;
    if (OnStepChanged)
        OnStepChanged();
}

void TPlusSpinValue::SetIncExponent(int k)
{
    k = std::max(k, -fDecimals);
    if (Limited())
        k = std::min(k, std::max(DigitCount(fBase, fMinValue), DigitCount(fBase, fMaxValue)));
    double x = 1.0;
    for (int j = 0; j < k; ++j)
        x *= fBase;
    for (int j = 0; j > k; --j)
        x /= fBase;
    if (k == fIncExponent && std::fabs(x - fIncrement) / fIncrement <= 1e-7)
        return;
    fIncrement = std::max(x, fSavedIncrement);
    fIncExponent = k;
    if (OnStepChanged)
        OnStepChanged();
    UpdateFocusDigit();
    Repaint();
}

int TPlusSpinValue::DigitCount(int base, double x)
{
    const double a = std::fabs(x);
    int n = 0;
    if (a > 1) {
        const double ln = BaseLn(base);
        n = RoundEven(std::log(a) / ln);
        if (a < std::exp(n * ln))
            --n;
    }
    n = std::max(n, 1);
    if (x < 0)
        ++n;
    return n;
}

void TPlusSpinValue::SetDecimals(int n)
{
    fDecimals = std::clamp(n, 0, 18);
    FormatValueText();
    if (fIncExponent < -fDecimals)
        SetIncExponent(fIncExponent);
    UpdateFocusDigit();
    if (fAutoSize && OnSizingNeeded)
        OnSizingNeeded();
    Repaint();
}

void TPlusSpinValue::SetLeadingDigits(int n)
{
    fLeading = std::clamp(n, 0, 18);
    FormatValueText();
    UpdateFocusDigit();
    Repaint();
}

void TPlusSpinValue::SetBase(int b)
{
    b = std::clamp(b, 2, 20);
    if (b == fBase)
        return;
    fBase = b;
    SetIncExponent(fIncExponent);
    FormatValueText();
    UpdateFocusDigit();
    if (fAutoSize && OnSizingNeeded)
        OnSizingNeeded();
    Repaint();
}

void TPlusSpinValue::SetThousandSeparator(QChar ch)
{
    if (ch == fThousandSep)
        return;
    fThousandSep = ch;
    const char16_t u = ch.unicode();
    // A separator that could be read as part of a number groups with a space instead.
    const bool confusing = u == u'+' || u == u'-' || u == u'.' || (u >= u'0' && u <= u'9') ||
                           (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
    fInternalThousandSep = confusing ? QChar(u' ') : ch;
    FormatValueText();
    UpdateFocusDigit();
    if (fAutoSize && OnSizingNeeded)
        OnSizingNeeded();
    Repaint();
}

QString TPlusSpinValue::FormatText(double v) const
{
    QString t = QString::number(v, 'f', fDecimals);
    // A value that rounds to zero shows no sign.
    if (t.startsWith(u'-') && t.count(u'0') + t.count(u'.') == t.size() - 1)
        t.remove(0, 1);
    if (fInternalThousandSep.isNull())
        return t;

    const int G = GroupSize();
    const QChar sep = fInternalThousandSep;
    const qsizetype point = t.indexOf(u'.');
    const bool negative = t.startsWith(u'-');
    const QString digits =
        t.mid(negative ? 1 : 0, (point < 0 ? t.size() : point) - (negative ? 1 : 0));
    const QString frac = point < 0 ? QString() : t.mid(point + 1);

    QString out;
    out.reserve(t.size() + t.size() / G + 2);
    if (negative)
        out += u'-';
    for (qsizetype k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % G == 0)
            out += sep;
        out += digits[k];
    }
    if (point >= 0) {
        out += u'.';
        for (qsizetype k = 0; k < frac.size(); ++k) {
            out += frac[k];
            if ((k + 1) % G == 0 && k + 1 < frac.size())
                out += sep;
        }
    }
    return out;
}

void TPlusSpinValue::FormatValueText()
{
    fText = FormatText(fValue);
}

void TPlusSpinValue::UpdateFocusDigit()
{
    QString s = fText;
    const int E = FocusExponent();
    const int D = fDecimals;
    const int G = GroupSize();
    const bool grouping = !fInternalThousandSep.isNull();
    const QChar sep = fInternalThousandSep;

    int i = int(s.size()) - E - D;
    if (E >= 0 && D > 0)
        --i;
    if (grouping) {
        i -= (D - 1) / G;
        if (E < 0)
            i += (-E - 1) / G;
        else
            i -= E / G;
    }
    bool changed = false;
    if (i < 1) {
        // Leading places up to the focused one appear as placeholders, grouped like digits.
        QString front;
        for (int j = i; j <= 0; ++j) {
            const bool isSep = grouping && (E / G + E + j + 1) % (G + 1) == 0;
            front.prepend(isSep ? sep : QChar(u'_'));
        }
        s.prepend(front);
        i = 1;
        changed = true;
    }
    while (i > 1 && !s.isEmpty() && (s[0] == u'_' || (grouping && s[0] == sep))) {
        s.remove(0, 1);
        --i;
        changed = true;
    }
    // The focus never points past the text.
    i = std::min(i, int(s.size()));
    if (changed)
        fText = s;
    fFocusIndex = i;
    if (OnFocusMoved)
        OnFocusMoved();
}

int TPlusSpinValue::DigitValue(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 10;
    return -1;
}

std::optional<double> TPlusSpinValue::ParseDigits(const QString &s, int base)
{
    const bool negative = s.size() > 1 && s[0] == u'-';
    double acc = 0;
    double scale = 1;
    bool fraction = false;
    for (qsizetype k = negative ? 1 : 0; k < s.size(); ++k) {
        const QChar ch = s[k];
        if (ch == u'.') {
            if (fraction)
                return std::nullopt;
            fraction = true;
            scale = 1.0 / base;
            continue;
        }
        int d = DigitValue(ch);
        if (d < 0 || d >= base)
            return std::nullopt;
        if (negative)
            d = -d;
        if (fraction) {
            acc += d * scale;
            scale /= base;
        } else {
            acc = acc * base + d;
        }
    }
    // Decimal text is read to the nearest double, so 0.3 typed is the same number as 0.3
    // written anywhere else in the program.
    if (base == 10) {
        bool ok = false;
        const double exact = s.toDouble(&ok);
        if (ok)
            return exact;
    }
    return acc;
}

std::optional<double> TPlusSpinValue::TypedValue(QChar ch) const
{
    QString s = fText;
    const int at = fFocusIndex - 1;
    if (at < 0 || at >= s.size())
        return std::nullopt;
    s[at] = ch;
    for (qsizetype k = at + 1; k < s.size(); ++k)
        if (s[k] == u'_')
            s[k] = u'0';
    if (!fInternalThousandSep.isNull())
        s.remove(fInternalThousandSep);
    return ParseDigits(s, fBase);
}

bool TPlusSpinValue::TypedWithinLimits(double v) const
{
    if (!Limited())
        return true;
    // A limit computed elsewhere may sit a rounding error off the decimal it shows as;
    // typing that decimal is the limit, not a refusal. Anything further out was meant.
    // The distance is compared, not v against limit + slack: that sum may round up to a v
    // whose distance is larger, and the clamped value would then be further from what was
    // typed than the slack allows.
    const double slack = 1e-6 * std::pow(double(fBase), -fDecimals);
    return v - fMaxValue <= slack && fMinValue - v <= slack;
}

bool TPlusSpinValue::ApplyTyped(double v)
{
    // A digit that would take the value past a limit is refused whole: clamping it would
    // put a value in the field (and on the wire) that nobody typed.
    if (!TypedWithinLimits(v))
        return false;
    if (fIncExponent > -fDecimals)
        SetIncExponent(fIncExponent - 1);
    AssignValue(v);
    return true;
}

void TPlusSpinValue::Step(int direction)
{
    double v = direction >= 0 ? fValue + fIncrement : fValue - fIncrement;
    // Each double addition may be off by half a unit in the last place; over a long spin
    // on a delay near 2000 s that drift reaches the shown decimals. Landing every step on
    // the decimal the text shows keeps a spin of 250 ps steps exact, however long it runs.
    // A step finer than the last decimal is left alone, or it would never move the value.
    if (fIncrement * std::pow(10.0, fDecimals) >= 0.999999) {
        bool ok = false;
        const double shown = QString::number(v, 'f', fDecimals).toDouble(&ok);
        if (ok)
            v = shown;
    }
    AssignValue(v);
}

void TPlusSpinValue::RightZero()
{
    // The digits are zeroed in the decimal text as the field shows it (without grouping),
    // so every digit left of the focus stays exactly what the operator reads.
    const int D = fDecimals;
    const int E = FocusExponent();
    QString t = QString::number(fValue, 'f', D);
    const auto zeroLast = [&t](int n) {
        for (qsizetype k = t.size() - 1; k >= 0 && n > 0; --k, --n)
            if (t[k].isDigit())
                t[k] = u'0';
    };
    if (E < 0) {
        zeroLast(D + E);
    } else {
        if (D > 0)
            t.truncate(t.indexOf(u'.'));
        zeroLast(E);
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (ok)
        AssignValue(v);
}
