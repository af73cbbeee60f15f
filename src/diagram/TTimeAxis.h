#pragma once

#include <QList>
#include <QString>

// An engineering unit for times: its symbol and its size in seconds.
struct TTimeUnit
{
    QString Symbol; // "ps", "ns", "µs", "ms" or "s"
    double Scale = 1;
};

struct TAxisTick
{
    double Time = 0; // seconds
    double X = 0;    // pixels
    QString Label;   // the time in the axis unit, with the unit ("0.2 µs")
};

// The common time axis of the timing diagram: a visible span of time mapped onto a span
// of pixels, with zoom around a point, pan by pixels, and "nice" ticks (1, 2 or 5 times
// a power of ten) labelled in one engineering unit.
class TTimeAxis
{
public:
    static constexpr double MinSpan = 1e-11; // 10 ps across the plot
    static constexpr double MaxSpan = 1e5;   // seconds

    void SetPixels(double left, double right);
    // The visible times; the span is kept within MinSpan and MaxSpan around its middle.
    void SetRange(double start, double end);

    double Start() const { return FStart; }
    double End() const { return FEnd; }
    double Span() const { return FEnd - FStart; }
    double Left() const { return FLeft; }
    double Right() const { return FRight; }
    double SecondsPerPixel() const { return Span() / (FRight - FLeft); }

    double ToX(double time) const;
    double ToTime(double x) const;

    // Zooms by factor (above 1 zooms in) keeping the time under pixel x where it is.
    void ZoomAt(double x, double factor);
    // Moves the picture dx pixels to the right (earlier times come into view).
    void PanPixels(double dx);

    // The tick distance: the smallest 1, 2 or 5 times a power of ten that keeps ticks at
    // least minSpacing pixels apart.
    double TickStep(double minSpacing = DefaultTickSpacing) const;
    QList<TAxisTick> Ticks(double minSpacing = DefaultTickSpacing) const;
    // The unit of the tick labels: the one of the visible time farthest from zero.
    TTimeUnit Unit() const;

    // The largest unit not above magnitude seconds (ps below 1 ps, s above 1 s).
    static TTimeUnit UnitFor(double magnitude);
    // A time in its own unit with as many decimals as resolution (seconds) calls for,
    // trailing zeros kept: FormatTime(1.5e-6, 1e-9) is "1.500 µs".
    static QString FormatTime(double seconds, double resolution);
    // A time known exactly (an edge, a period): its own unit, up to six decimals, no
    // trailing zeros: 1.25e-6 is "1.25 µs", 0 is "0 s".
    static QString FormatExact(double seconds);
    // value / unit.Scale with decimals enough for step, followed by the unit.
    static QString FormatInUnit(double seconds, const TTimeUnit &unit, double step);

    static constexpr double DefaultTickSpacing = 90;

private:
    double FStart = 0;
    double FEnd = 1e-6;
    double FLeft = 0;
    double FRight = 100;
};
