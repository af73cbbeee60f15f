#pragma once

#include <QtGlobal>

// The instrument's steps, decimals and ranges for the timing and count fields; the
// same for every model. A default-constructed record holds the instrument's values.
struct TTimingLimits
{
    double PeriodIncrement = 5e-9; // 5 ns
    qint32 PeriodDecimals = 9;
    double PeriodMax = 5000;
    double PeriodMin = 5e-8;         // 50 ns
    double DelayIncrement = 2.5e-10; // 250 ps
    qint32 DelayDecimals = 12;
    double DelayMax = 2000;
    double DelayMin = 0;
    double WidthIncrement = 2.5e-10; // 250 ps
    qint32 WidthDecimals = 12;
    double WidthMax = 2000;
    double WidthMin = 1e-8; // 10 ns
    quint32 SysBurstMax = 4000000000u;
    quint32 SysDutyMax = 4000000000u;
    qint32 SysCycleCountMax = 10000000;
    quint32 ChBurstMax = 10000000;
    quint32 ChDutyMax = 10000000;
    qint32 ChWaitCountMax = 10000000;

    bool operator==(const TTimingLimits &) const = default;
};
