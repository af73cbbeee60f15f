#include "protocol/CheckResolution.h"

#include <algorithm>
#include <cmath>

namespace {
// Halves away from zero, in the instrument software's own way: divide by the unit,
// add or subtract one half, drop the fraction, multiply back.
double roundTo(double x, double unit)
{
    const double scaled = x / unit;
    return std::trunc(x < 0 ? scaled - 0.5 : scaled + 0.5) * unit;
}

constexpr double Tolerance = 9e-13;
} // namespace

bool CheckResolution(double value, double resolution)
{
    const double v = roundTo(value, 1e-13);
    const double r = roundTo(resolution, 1e-13);
    if (std::fabs(v - r) <= Tolerance)
        return true;
    const double q = v / r;
    double f = roundTo(q - std::trunc(q), 1e-3);
    if (f >= 1)
        f = 0;
    if (!(f > Tolerance))
        return true;
    // Above about 1000 s the quotient no longer carries a step's fraction to three
    // decimals, and whole multiples (2000 s itself) would be refused. A remainder within
    // the value's own rounding noise, a few units in its last place, is on the grid; a
    // field's smallest step off the grid (1e-12 s with 12 decimals) stays well above it.
    const double fraction = q - std::trunc(q);
    const double noise = 3 * (std::nextafter(std::fabs(v), INFINITY) - std::fabs(v));
    return std::min(fraction, 1 - fraction) * r <= noise;
}
