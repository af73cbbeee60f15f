#include "diagram/TTimeAxis.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
const std::array<TTimeUnit, 5> &Units()
{
    static const std::array<TTimeUnit, 5> units{{{QStringLiteral("ps"), 1e-12},
                                                 {QStringLiteral("ns"), 1e-9},
                                                 {QStringLiteral("µs"), 1e-6},
                                                 {QStringLiteral("ms"), 1e-3},
                                                 {QStringLiteral("s"), 1}}};
    return units;
}

// Decimals that show a multiple of step (in the unit's terms) without loss.
int DecimalsFor(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    // A little slack so that 0.1 (stored as 0.1000000000000000055) needs one decimal.
    return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-6)), 0, 12);
}
} // namespace

void TTimeAxis::SetPixels(double left, double right)
{
    FLeft = left;
    FRight = std::max(right, left + 1);
}

void TTimeAxis::SetRange(double start, double end)
{
    if (!std::isfinite(start) || !std::isfinite(end))
        return;
    if (end < start)
        std::swap(start, end);
    const double span = std::clamp(end - start, MinSpan, MaxSpan);
    const double middle = start / 2 + end / 2;
    FStart = middle - span / 2;
    FEnd = middle + span / 2;
}

double TTimeAxis::ToX(double time) const
{
    return FLeft + (time - FStart) / Span() * (FRight - FLeft);
}

double TTimeAxis::ToTime(double x) const
{
    return FStart + (x - FLeft) / (FRight - FLeft) * Span();
}

void TTimeAxis::ZoomAt(double x, double factor)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    const double anchor = ToTime(x);
    const double span = std::clamp(Span() / factor, MinSpan, MaxSpan);
    const double ratio = (x - FLeft) / (FRight - FLeft);
    FStart = anchor - ratio * span;
    FEnd = FStart + span;
}

void TTimeAxis::PanPixels(double dx)
{
    const double shift = dx * SecondsPerPixel();
    FStart -= shift;
    FEnd -= shift;
}

double TTimeAxis::TickStep(double minSpacing) const
{
    const double raw = minSpacing * SecondsPerPixel();
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    double nice = 10;
    if (norm <= 1 + 1e-9)
        nice = 1;
    else if (norm <= 2 + 1e-9)
        nice = 2;
    else if (norm <= 5 + 1e-9)
        nice = 5;
    return nice * magnitude;
}

QList<TAxisTick> TTimeAxis::Ticks(double minSpacing) const
{
    QList<TAxisTick> ticks;
    const double step = TickStep(minSpacing);
    const TTimeUnit unit = Unit();
    // Tick k sits at k * step; counting in whole steps keeps 0 exactly at zero.
    const double first = std::ceil(FStart / step - 1e-9);
    const double last = std::floor(FEnd / step + 1e-9);
    for (double k = first; k <= last && ticks.size() < 1000; k += 1) {
        const double time = k * step;
        ticks.append({time, ToX(time), FormatInUnit(time, unit, step)});
    }
    return ticks;
}

TTimeUnit TTimeAxis::Unit() const
{
    return UnitFor(std::max(std::abs(FStart), std::abs(FEnd)));
}

TTimeUnit TTimeAxis::UnitFor(double magnitude)
{
    const auto &units = Units();
    // Half a part in a million of slack: 1e-6 computed as 0.999999999e-6 is still "µs".
    for (auto it = units.rbegin(); it != units.rend(); ++it) {
        if (magnitude >= it->Scale * (1 - 1e-6))
            return *it;
    }
    return units.front();
}

QString TTimeAxis::FormatInUnit(double seconds, const TTimeUnit &unit, double step)
{
    double value = seconds / unit.Scale;
    const int decimals = DecimalsFor(step / unit.Scale);
    // No "-0" for a time that rounds to zero.
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0;
    return QString::number(value, 'f', decimals) + QLatin1Char(' ') + unit.Symbol;
}

QString TTimeAxis::FormatTime(double seconds, double resolution)
{
    return FormatInUnit(seconds, UnitFor(std::abs(seconds) > 0 ? std::abs(seconds) : resolution),
                        resolution);
}

QString TTimeAxis::FormatExact(double seconds)
{
    if (seconds == 0 || !std::isfinite(seconds))
        return QStringLiteral("0 s");
    const TTimeUnit unit = UnitFor(std::abs(seconds));
    QString text = QString::number(seconds / unit.Scale, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text + QLatin1Char(' ') + unit.Symbol;
}
