#pragma once

// Everything a storage bin holds: the settings an operator makes. Identity,
// calibration, the security state and the shot count are not part of it.
// Times are kept in picoseconds and volts in hundredths, so that what is read
// back is exactly what was set.

#include <QtGlobal>

#include <array>

struct TInstrumentSettings
{
    static constexpr int MaxChannels = 36;

    struct TChannel
    {
        bool Enabled = true;
        qint64 DelayPs = 0;
        qint64 WidthPs = 1000000; // 1 us
        int Mode = 0;             // NORM SING BURS DCYC
        quint32 BurstCount = 1;
        quint32 DutyOnCount = 1;
        quint32 DutyOffCount = 1;
        quint32 WaitCount = 0;
        int OutputMode = 0; // TTL ADJ
        int Polarity = 0;   // NORM INV
        int AmplitudeCv = 500;
        int MuxMask = 1;
        int ControlMode = 0; // DIS GATA GATB INHB
        int SyncSource = 0;  // DIS SYNA SYNB SYNT
        int GateMode = 0;    // DIS PULS OUTP
        int GateLogic = 0;   // LOW HIGH

        bool operator==(const TChannel &) const = default;
    };

    // Trigger 1, trigger 2, gate 1, gate 2 (records 90 to 93).
    struct TInput
    {
        int Mode = 0;        // triggers: DIS TRIG; gates: DIS PULS OUTP CHAN
        int EdgeOrLogic = 0; // triggers: RIS FALL; gates: LOW HIGH
        int Debounce = 0;    // DIS ENAB

        bool operator==(const TInput &) const = default;
    };

    bool Running = false;
    qint64 PeriodPs = 1000000000; // 1 ms
    int Mode = 0;                 // NORM SING BURS DCYC
    quint32 BurstCount = 1;
    quint32 DutyOnCount = 1;
    quint32 DutyOffCount = 1;
    quint32 CycleCount = 0;

    std::array<TInput, 4> Inputs{};
    // Trigger 2 and gate 2 share one comparator: index 1 serves records 91 and 93.
    std::array<int, 3> ThresholdCv{250, 250, 250};

    std::array<TChannel, MaxChannels + 1> Channels{}; // index 0 unused

    bool AutoStart = false;
    int InputClock = 0;  // INT 10 20 25 30 40 50 60 80 100
    int OutputClock = 0; // T0 10 20 25 30 40 50 60 80 100
    int SyncOutput = 0;  // T0 Ch1 Ch2 Ch4 Ch6 TRIG GATE
    bool CounterEnabled = false;
    int CounterSource = 0; // T0 CH1 CH6 CH8 CH10

    bool operator==(const TInstrumentSettings &) const = default;

    static int ThresholdIndex(int input) { return input == 3 ? 1 : (input == 2 ? 2 : input); }
};
