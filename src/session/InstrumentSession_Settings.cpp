// One setting at a time, by its row of the setting table: its value in the state, and a
// front end's change of it (the state first, then its one command through the queue).

#include "session/InstrumentSession.h"

#include "protocol/AvailabilityRules.h"
#include "protocol/CheckResolution.h"
#include "protocol/SettingTable.h"

#include <cmath>

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

InstrumentSession::TSettingRange InstrumentSession::SettingRange(const TSettingRow &row) const
{
    const TTimingLimits &t = TimingLimits;
    switch (row.Kind) {
    case TSettingKind::Time:
        switch (row.Limit) {
        case TLimitField::Period:
            return {t.PeriodMin, t.PeriodMax, t.PeriodIncrement};
        case TLimitField::Delay:
            return {t.DelayMin, t.DelayMax, t.DelayIncrement};
        case TLimitField::Width:
            return {t.WidthMin, t.WidthMax, t.WidthIncrement};
        default:
            break;
        }
        break;
    case TSettingKind::Count: {
        double max = 0;
        switch (row.Limit) {
        case TLimitField::SysBurst:
            max = t.SysBurstMax;
            break;
        case TLimitField::SysDuty:
            max = t.SysDutyMax;
            break;
        case TLimitField::SysCycleCount:
            max = t.SysCycleCountMax;
            break;
        case TLimitField::ChBurst:
            max = t.ChBurstMax;
            break;
        case TLimitField::ChDuty:
            max = t.ChDutyMax;
            break;
        case TLimitField::ChWaitCount:
            max = t.ChWaitCountMax;
            break;
        default:
            break;
        }
        return {row.Min, max, 0};
    }
    case TSettingKind::Volts:
        return {row.Min, row.Max, 0};
    case TSettingKind::Token:
        return {0, double(row.Labels.size() - 1), 0};
    case TSettingKind::Switch:
        return {0, 1, 0};
    case TSettingKind::Mask:
        return {0, double((1 << MuxItemCount(ChannelCount)) - 1), 0};
    }
    return {};
}

namespace {
// "250 ps", "5 ns": a grid step as the operator reads it.
QString StepText(double step)
{
    if (step < 1e-9)
        return QString::number(qRound64(step * 1e12)) + QStringLiteral(" ps");
    if (step < 1e-6)
        return QString::number(qRound64(step * 1e9)) + QStringLiteral(" ns");
    return QString::number(step, 'g', 12) + QStringLiteral(" s");
}

QString ValueText(double value, const TSettingRow &row)
{
    QString text = QString::number(value, 'g', 15);
    if (!row.Unit.isEmpty())
        text += QLatin1Char(' ') + row.Unit;
    return text;
}

// Why a row's control is greyed out in the present modes; empty while it is available.
// The rules are the window's (protocol/AvailabilityRules); a mode outside its list leaves
// the control as it was, here: available.
QString Unavailable(const InstrumentSession &s, const TSettingRow &row, int number)
{
    const TSystemMirrors &m = s.Mirrors;
    const auto disabled = [](TEnableChange change) { return change == TEnableChange::Disable; };
    const auto because = [](const char *what, const TSettingRow &modeRow, int item) {
        const QString label = item >= 0 && item < modeRow.Labels.size()
                                  ? modeRow.Labels.at(item)
                                  : QString::number(item);
        return QStringLiteral("not available while %1 is \"%2\"")
            .arg(QLatin1String(what), label);
    };
    const QString &name = row.Name;
    switch (row.Scope) {
    case TSettingScope::System: {
        const TModeAvailability a = ModeAvailability(m.SystemMode);
        const TSettingRow &mode = SettingRow(TSettingScope::System, QStringLiteral("PulseMode"));
        if (name == QLatin1String("BurstCount") && disabled(a.Burst))
            return because("the pulse mode", mode, m.SystemMode);
        if ((name == QLatin1String("DutyCycleOnCounts") ||
             name == QLatin1String("DutyCycleOffCounts") || name == QLatin1String("CycleCounts")) &&
            disabled(a.DutyCycle))
            return because("the pulse mode", mode, m.SystemMode);
        return {};
    }
    case TSettingScope::Input: {
        const TSettingRow &triggerMode = SettingRow(TSettingScope::Input, QStringLiteral("Trigger1Mode"));
        const TSettingRow &gateMode = SettingRow(TSettingScope::Input, QStringLiteral("Gate1Mode"));
        if ((name == QLatin1String("Trigger1Edge") || name == QLatin1String("Trigger1Threshold")) &&
            disabled(TriggerAvailability(m.Trigger1Mode)))
            return because("trigger 1's mode", triggerMode, m.Trigger1Mode);
        if (name == QLatin1String("Trigger2Edge") && disabled(TriggerAvailability(m.Trigger2Mode)))
            return because("trigger 2's mode", triggerMode, m.Trigger2Mode);
        if ((name == QLatin1String("Trigger2Threshold") || name == QLatin1String("Gate2Threshold")) &&
            !SharedThresholdEnabled(m.Trigger2Mode, m.Gate2Mode))
            return QStringLiteral("not available while trigger 2 and gate 2 are both disabled");
        if ((name == QLatin1String("Gate1Logic") || name == QLatin1String("Gate1Threshold")) &&
            !GateControlsEnabled(m.Gate1Mode))
            return because("gate 1's mode", gateMode, m.Gate1Mode);
        if (name == QLatin1String("Gate2Logic") && !GateControlsEnabled(m.Gate2Mode))
            return because("gate 2's mode", gateMode, m.Gate2Mode);
        return {};
    }
    case TSettingScope::Channel: {
        const ChannelConfig &c = s.ChannelConfigs[number];
        const TModeAvailability a = ModeAvailability(c.Mode);
        const TSettingRow &mode = SettingRow(TSettingScope::Channel, QStringLiteral("Mode"));
        if (name == QLatin1String("BurstCount") && disabled(a.Burst))
            return because("the channel's mode", mode, c.Mode);
        if ((name == QLatin1String("DutyCycleOn") || name == QLatin1String("DutyCycleOff")) &&
            disabled(a.DutyCycle))
            return because("the channel's mode", mode, c.Mode);
        if (name == QLatin1String("Amplitude") && disabled(OutputModeAvailability(c.OutputMode)))
            return because("the channel's output mode",
                           SettingRow(TSettingScope::Channel, QStringLiteral("OutputMode")),
                           c.OutputMode);
        if ((name == QLatin1String("GateMode") || name == QLatin1String("GateLogic")) &&
            !ChannelGateListsEnabled(m.Gate1Mode, m.Gate2Mode))
            return QStringLiteral("not available unless a gate input works in \"Channel\" mode");
        return {};
    }
    }
    return {};
}
} // namespace

InstrumentSession::TChangeRefusal InstrumentSession::ChangeRefusal(const TSettingRow &row,
                                                                   double value, int number) const
{
    using R = TChangeRefusal;
    if (row.Scope == TSettingScope::Channel && (number < 1 || number > ChannelCount))
        return {R::NoSuchSetting, QStringLiteral("the model has no channel %1").arg(number)};
    if (!SettingValue(row, number))
        return {R::NoSuchSetting, QStringLiteral("no such setting")};
    const TSettingRange range = SettingRange(row);
    if (!std::isfinite(value))
        return {R::OutOfRange, QStringLiteral("not a number")};
    if ((row.Kind == TSettingKind::Token || row.Kind == TSettingKind::Mask) &&
        value != std::floor(value))
        return {R::OutOfRange, QStringLiteral("%1 is no whole number").arg(value)};
    // Counts are rounded as the instrument takes them before they are judged.
    const double judged = row.Kind == TSettingKind::Count ? std::nearbyint(value) : value;
    if (judged < range.Min || judged > range.Max)
        return {R::OutOfRange, QStringLiteral("%1 is outside %2 to %3")
                                   .arg(ValueText(value, row), ValueText(range.Min, row),
                                        ValueText(range.Max, row))};
    if (row.Kind == TSettingKind::Time && !CheckResolution(value, range.Step))
        return {R::OffGrid, QStringLiteral("%1 is off the instrument's %2 grid")
                                .arg(ValueText(value, row), StepText(range.Step))};
    const QString unavailable = Unavailable(*this, row, number);
    if (!unavailable.isEmpty())
        return {R::NotAvailable, unavailable};
    return {};
}
