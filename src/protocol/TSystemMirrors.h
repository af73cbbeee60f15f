#pragma once

#include <QtGlobal>

// The program's mirror of the system record and the four input records: the values
// last read back or chosen by the operator, as item indexes for the enumerated ones.
// The controls of enumerated fields are set from here, also when a reply's token was not
// recognised and the mirror kept its previous value. Everything starts at zero.
struct TSystemMirrors
{
    bool SystemRunning = false;
    double SystemPeriod = 0; // seconds
    qint32 SystemMode = 0;   // 0 Continuous, 1 Single Shot, 2 Burst, 3 Duty Cycle
    qint32 Trigger1Mode = 0; // 0 Disabled, 1 Triggered
    qint32 Trigger2Mode = 0;
    qint32 Trigger1Edge = 0; // 0 Rising, 1 Falling
    qint32 Trigger2Edge = 0;
    qint32 Trigger1Debounce = 0; // 0 Disabled, 1 Enabled
    qint32 Trigger2Debounce = 0;
    qint32 Gate1Mode = 0; // 0 Disabled, 1 Pulse Inhibit, 2 Output Inhibit, 3 Channel
    qint32 Gate2Mode = 0;
    qint32 Gate1Logic = 0; // 0 Low, 1 High
    qint32 Gate2Logic = 0;
    qint32 Gate1Debounce = 0; // 0 Disabled, 1 Enabled
    qint32 Gate2Debounce = 0;
};
