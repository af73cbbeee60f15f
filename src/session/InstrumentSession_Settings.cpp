// One setting at a time, by its row of the setting table: its value in the state, and a
// front end's change of it (the state first, then its one command through the queue).

#include "session/InstrumentSession.h"

#include "protocol/SettingTable.h"

namespace {
// Where the state keeps a setting: exactly one pointer is set, none for a row the state
// does not hold (or a channel outside 1..MaxChannels).
struct TStateField
{
    qint32 *Int = nullptr;
    quint32 *Unsigned = nullptr;
    double *Real = nullptr;
    bool *Flag = nullptr;
};

TStateField ChannelField(ChannelConfig &c, int field)
{
    switch (TChannelField(field)) {
    case TChannelField::Enabled:
        return {&c.Enabled};
    case TChannelField::Delay:
        return {nullptr, nullptr, &c.Delay};
    case TChannelField::Width:
        return {nullptr, nullptr, &c.Width};
    case TChannelField::Mode:
        return {&c.Mode};
    case TChannelField::BurstCount:
        return {&c.BurstCount};
    case TChannelField::DutyOnCount:
        return {&c.DutyOnCount};
    case TChannelField::DutyOffCount:
        return {&c.DutyOffCount};
    case TChannelField::WaitCount:
        return {&c.WaitCount};
    case TChannelField::OutputMode:
        return {&c.OutputMode};
    case TChannelField::Polarity:
        return {&c.Polarity};
    case TChannelField::Amplitude:
        return {nullptr, nullptr, &c.Amplitude};
    case TChannelField::MuxMask:
        return {&c.MuxMask};
    case TChannelField::ControlMode:
        return {&c.ControlMode};
    case TChannelField::SyncSource:
        return {&c.SyncSource};
    case TChannelField::GateMode:
        return {&c.GateMode};
    case TChannelField::GateLogic:
        return {&c.GateLogic};
    }
    return {};
}

TStateField InputField(TSystemMirrors &m, TSystemValues &v, int record, int field)
{
    struct Mirrors
    {
        qint32 *Mode, *EdgeOrLogic, *Debounce;
    };
    const Mirrors inputs[] = {
        {&m.Trigger1Mode, &m.Trigger1Edge, &m.Trigger1Debounce},
        {&m.Trigger2Mode, &m.Trigger2Edge, &m.Trigger2Debounce},
        {&m.Gate1Mode, &m.Gate1Logic, &m.Gate1Debounce},
        {&m.Gate2Mode, &m.Gate2Logic, &m.Gate2Debounce},
    };
    if (record < 90 || record > 93)
        return {};
    const Mirrors &in = inputs[record - 90];
    switch (TInputField(field)) {
    case TInputField::Mode:
        return {in.Mode};
    case TInputField::EdgeOrLogic:
        return {in.EdgeOrLogic};
    case TInputField::Threshold:
        return {nullptr, nullptr, &v.Thresholds[std::size_t(record - 90)]};
    case TInputField::Debounce:
        return {in.Debounce};
    }
    return {};
}

TStateField StateField(InstrumentSession &s, const TSettingRow &row, int number)
{
    switch (row.Scope) {
    case TSettingScope::Channel:
        if (number < 1 || number > MaxChannels)
            return {};
        return ChannelField(s.ChannelConfigs[number], row.Field);
    case TSettingScope::Input:
        return InputField(s.Mirrors, s.SystemValues, row.Record, row.Field);
    case TSettingScope::System:
        break;
    }
    TSystemValues &v = s.SystemValues;
    if (row.Record == 0) {
        switch (TSystemField(row.Field)) {
        case TSystemField::RunState:
            return {nullptr, nullptr, nullptr, &s.Mirrors.SystemRunning};
        case TSystemField::Period:
            return {nullptr, nullptr, &s.Mirrors.SystemPeriod};
        case TSystemField::Mode:
            return {&s.Mirrors.SystemMode};
        case TSystemField::BurstCount:
            return {nullptr, &v.Counts.BurstCount};
        case TSystemField::DutyOnCount:
            return {nullptr, &v.Counts.DutyOnCount};
        case TSystemField::DutyOffCount:
            return {nullptr, &v.Counts.DutyOffCount};
        case TSystemField::CycleCount:
            return {&v.Counts.CycleCount};
        }
        return {};
    }
    const QString &name = row.Name;
    if (name == QLatin1String("SyncOutput"))
        return {&v.SyncOutput};
    if (name == QLatin1String("AutoStart"))
        return {nullptr, nullptr, nullptr, &v.AutoStart};
    if (name == QLatin1String("InputClock"))
        return {&v.InputClock};
    if (name == QLatin1String("OutputClock"))
        return {&v.OutputClock};
    if (name == QLatin1String("CounterEnabled"))
        return {nullptr, nullptr, nullptr, &v.CounterEnabled};
    if (name == QLatin1String("CounterSource"))
        return {&v.CounterSource};
    return {};
}
} // namespace

std::optional<double> InstrumentSession::SettingValue(const TSettingRow &row, int number) const
{
    const TStateField f = StateField(const_cast<InstrumentSession &>(*this), row, number);
    if (f.Int)
        return double(*f.Int);
    if (f.Unsigned)
        return double(*f.Unsigned);
    if (f.Real)
        return *f.Real;
    if (f.Flag)
        return *f.Flag ? 1.0 : 0.0;
    return std::nullopt;
}

bool InstrumentSession::ChangeSetting(const TSettingRow &row, double value, int number)
{
    const TStateField f = StateField(*this, row, number);
    if (!f.Int && !f.Unsigned && !f.Real && !f.Flag)
        return false;
    if (row.Kind == TSettingKind::Count) {
        // Counts go to the instrument as the integers the state holds: rounded, halves
        // to even, in 32 bits, signed or unsigned as the row says.
        const quint32 count = RoundCount(value);
        value = row.Unsigned ? double(count) : double(qint32(count));
    }
    if (f.Int)
        *f.Int = qint32(value);
    else if (f.Unsigned)
        *f.Unsigned = quint32(value);
    else if (f.Real)
        *f.Real = value;
    else
        *f.Flag = value != 0;
    // Trigger 2 and gate 2 share one threshold.
    if (row.Scope == TSettingScope::Input && TInputField(row.Field) == TInputField::Threshold &&
        (row.Record == 91 || row.Record == 93))
        SystemValues.Thresholds[1] = SystemValues.Thresholds[3] = value;
    emit SettingChanged(row.Name, number);
    QueuedCommandToPort(SettingCommand(row, value, number));
    return true;
}
