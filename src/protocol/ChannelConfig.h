#pragma once

#include <QtGlobal>

// The program's mirror of one output channel: the settings last read back or accepted,
// and the calibration factors that only the service window reads and writes.
// Enumerated settings hold the item index of their list. Everything starts at zero.
struct ChannelConfig
{
    qint32 Enabled = 0; // as read back (only 1 means enabled); the enable handler stores 1 or 0
    double Delay = 0;   // seconds
    double Width = 0;   // seconds
    qint32 Mode = 0;    // 0 Normal, 1 Single Shot, 2 Burst, 3 Duty Cycle
    qint32 BurstCount = 0;
    qint32 DutyOnCount = 0;
    qint32 DutyOffCount = 0;
    qint32 WaitCount = 0;
    qint32 OutputMode = 0;  // 0 TTL/CMOS, 1 Adjustable
    qint32 Polarity = 0;    // 0 Normal, 1 Inverted
    double Amplitude = 0;   // volts
    qint32 MuxMask = 0;     // bit i: multiplexer item i checked
    qint32 ControlMode = 0; // 0 Disabled, 1 Gate A, 2 Gate B, 3 Inhibit B
    qint32 SyncSource = 0;  // 0 Disabled, 1 Sync A, 2 Sync B, 3 Sync Trig
    qint32 GateMode = 0;    // 0 Disabled, 1 Pulse Inh, 2 Out Inh
    qint32 GateLogic = 0;   // 0 Active Low, 1 Active High
    qint32 WidthCal = 0;
    qint32 DelayCal = 0;
    qint32 AmpGainCal = 0;
    qint32 AmpOffsetCal = 0;
};
