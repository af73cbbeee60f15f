// The digit-spin control's value model driven by a sequence of operator operations
// (typed digits, steps, zeroing the digits right of the focus, new limits and decimals).
// Properties: the value never leaves the limits; the text always reads back (group
// separators and leading placeholders removed) as the value shown to its decimals; a
// typed digit either gives the value its text reads as or, when that lies outside the
// limits, changes nothing at all (no clamped value that nobody typed).

#include "FuzzCheck.h"

#include "ui/controls/TPlusSpinValue.h"

#include <QString>

#include <cmath>
#include <cstdint>

namespace {

// A typed digit whose text reads as v: taken whole, or refused whole.
void CheckTyped(const TPlusSpinValue &m, double v, bool taken, double oldValue,
                const QString &oldText, int oldExponent)
{
    // limits computed elsewhere may sit a rounding error off the decimal they show as
    const double slack = 1e-6 * std::pow(double(m.Base()), -m.Decimals());
    // distances, as the clamped value's distance below: limit + slack may round past them
    const bool outside = m.Limited() && (m.MinValue() - v > slack || v - m.MaxValue() > slack);
    FUZZ_CHECK(taken == !outside);
    if (taken) {
        FUZZ_CHECK(std::fabs(m.Value() - v) <= slack);
    } else {
        FUZZ_CHECK(m.Value() == oldValue);
        FUZZ_CHECK(m.Text() == oldText);
        FUZZ_CHECK(m.IncExponent() == oldExponent);
    }
}

void CheckModel(const TPlusSpinValue &m)
{
    if (m.Limited())
        FUZZ_CHECK(m.Value() >= m.MinValue() && m.Value() <= m.MaxValue());
    QString text = m.Text();
    if (!m.InternalThousandSeparator().isNull())
        text.remove(m.InternalThousandSeparator());
    // Placeholders for digits left of the value are drawn as "0"; ahead of a minus sign
    // (the focus on the place the sign takes) they are not part of the number.
    while (text.startsWith(u'_'))
        text.remove(0, 1);
    text.replace(u'_', u'0');
    if (text.isEmpty())
        text = QStringLiteral("0");
    const std::optional<double> read = TPlusSpinValue::ParseDigits(text, m.Base());
    FUZZ_CHECK(read.has_value());
    const double unit = std::pow(double(m.Base()), -m.Decimals());
    FUZZ_CHECK(std::fabs(*read - m.Value()) <= unit * 0.5001 + std::fabs(m.Value()) * 1e-15);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    TPlusSpinValue m;
    m.SetThousandSeparator(u',');
    // a field like the panel's: limits, decimals and step from the first bytes
    const int decimals = data[0] % 12;
    const double maxValue = std::pow(10.0, data[1] % 12) - std::pow(10.0, -decimals);
    m.SetDecimals(decimals);
    m.SetMaxValue(maxValue);
    m.SetMinValue(data[2] & 1 ? -maxValue : 0);
    m.SetIncrement(std::pow(10.0, int(data[3] % 16) - decimals - 2));
    CheckModel(m);
    for (size_t i = 4; i + 1 < size; i += 2) {
        const uint8_t op = data[i];
        const uint8_t arg = data[i + 1];
        switch (op % 6) {
        case 0: { // a typed digit over the focused character
            const QChar ch = QChar(u'0' + arg % 10);
            if (const std::optional<double> v = m.TypedValue(ch)) {
                const double oldValue = m.Value();
                const QString oldText = m.Text();
                const int oldExponent = m.IncExponent();
                const bool taken = m.ApplyTyped(*v);
                // a reading that SetValue cannot hold (not finite) is left aside
                if (std::isfinite(*v))
                    CheckTyped(m, *v, taken, oldValue, oldText, oldExponent);
            }
            break;
        }
        case 1:
            m.Step(arg & 1 ? 1 : -1);
            break;
        case 2:
            m.RightZero();
            break;
        case 3:
            m.SetIncExponent(int(arg % 24) - 12);
            break;
        case 4:
            m.AssignValue((double(arg) - 128) * std::pow(10.0, int(arg % 13) - 6));
            break;
        case 5:
            m.SetDecimals(arg % 12);
            break;
        }
        CheckModel(m);
    }
    return 0;
}
