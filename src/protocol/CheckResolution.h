#pragma once

// True when value lies on the grid of resolution (the instrument's step). Both are
// rounded to 13 decimals first; a value equal to the step passes at once. Otherwise the
// fraction of value / resolution, rounded to 3 decimals, must be zero or negative; a
// fraction that rounds to 1 counts as zero, which absorbs quotients that floating-point
// division leaves just below a whole number (1e-6 / 2.5e-10 = 3999.9999999999995).
bool CheckResolution(double value, double resolution);
