#include "protocol/SettingTable.h"

#include "protocol/SettingCommands.h"
#include "protocol/SystemQueryTables.h"
#include "protocol/Tokens.h"

#include <stdexcept>

namespace {
using K = TSettingKind;
using L = TLimitField;
using S = TSettingScope;

const QStringList OffOn{"0", "1"};
const QStringList DebounceLabels{"Disabled", "Enabled"};
const QStringList GateInputModeLabels{"Disabled", "Pulse Inhibit", "Output Inhibit", "Channel"};
const QStringList GateInputLogicLabels{"Low", "High"};

TSettingRow Row(S scope, const char *name, int record, int field, const char *prefix,
               int number, const char *mnemonic, K kind)
{
    TSettingRow row;
    row.Name = QLatin1String(name);
    row.Scope = scope;
    row.Record = record;
    row.Field = field;
    row.Prefix = QLatin1String(prefix);
    row.Number = number;
    row.Mnemonic = QLatin1String(mnemonic);
    row.ReportName = row.Name;
    row.Kind = kind;
    return row;
}

// A row whose reports name it otherwise than its attribute.
TSettingRow Reported(TSettingRow row, const char *reportName)
{
    row.ReportName = QLatin1String(reportName);
    return row;
}

TSettingRow Token(S scope, const char *name, int record, int field, const char *prefix,
                  int number, const char *mnemonic, const QStringList &read,
                  const QStringList &command, const QStringList &labels)
{
    TSettingRow row = Row(scope, name, record, field, prefix, number, mnemonic, K::Token);
    row.ReadTokens = read;
    row.CommandTokens = command;
    row.Labels = labels;
    row.TokenReply = true;
    return row;
}

TSettingRow Switch(S scope, const char *name, int record, int field, const char *prefix,
                   int number, const char *mnemonic, const QStringList &command)
{
    TSettingRow row = Row(scope, name, record, field, prefix, number, mnemonic, K::Switch);
    row.ReadTokens = OffOn;
    row.CommandTokens = command;
    return row;
}

// Burst and duty-cycle counts start at 1, cycle and wait counts at 0.
TSettingRow Count(S scope, const char *name, int record, int field, const char *prefix,
                  int number, const char *mnemonic, bool isUnsigned, L limit)
{
    TSettingRow row = Row(scope, name, record, field, prefix, number, mnemonic, K::Count);
    row.Unsigned = isUnsigned;
    row.Limit = limit;
    row.Min = limit == L::SysCycleCount || limit == L::ChWaitCount ? 0 : 1;
    return row;
}

TSettingRow Time(S scope, const char *name, int record, int field, const char *prefix,
                 int number, const char *mnemonic, int decimals, L limit)
{
    TSettingRow row = Row(scope, name, record, field, prefix, number, mnemonic, K::Time);
    row.Decimals = decimals;
    row.Unit = QStringLiteral("s");
    row.Limit = limit;
    return row;
}

TSettingRow Volts(S scope, const char *name, int record, int field, const char *prefix,
                  int number, const char *mnemonic, double min, double max)
{
    TSettingRow row = Row(scope, name, record, field, prefix, number, mnemonic, K::Volts);
    row.Decimals = 2;
    row.Unit = QStringLiteral("V");
    row.Min = min;
    row.Max = max;
    return row;
}

// An input's row: named input + field ("Trigger2Edge"), reported by the field alone
// ("Edge"), as the record holds the fields of one input only.
TSettingRow InputRow(const QString &input, const char *field, TSettingRow row)
{
    row.Name = input + QLatin1String(field);
    row.ReportName = QLatin1String(field);
    return row;
}

// Trigger n is record 89 + n, gate n record 91 + n. A gate's mode and level use the long
// form ":GATEn:", its logic and debounce the short form ":GATn:".
void AddInputs(QList<TSettingRow> &rows)
{
    const S in = S::Input;
    for (int n = 1; n <= 2; ++n) {
        const QString t = QStringLiteral("Trigger%1").arg(n);
        const int tr = 89 + n;
        rows << InputRow(t, "Mode",
                         Token(in, "", tr, 0, ":TRIG", n, ":MOD", TriggerModeTokens(),
                               TriggerModeTokens(), {"Disabled", "Triggered"}))
             << InputRow(t, "Edge",
                         Token(in, "", tr, 1, ":TRIG", n, ":EDG", EdgeTokens(), EdgeTokens(),
                               {"Rising", "Falling"}))
             << InputRow(t, "Threshold", Volts(in, "", tr, 2, ":TRIG", n, ":LEV", 0.2, 15))
             << InputRow(t, "Debounce",
                         Token(in, "", tr, 3, ":TRIG", n, ":DEB", DebounceTokens(),
                               DebounceTokens(), DebounceLabels));
    }
    for (int n = 1; n <= 2; ++n) {
        const QString g = QStringLiteral("Gate%1").arg(n);
        const int gr = 91 + n;
        rows << InputRow(g, "Mode",
                         Token(in, "", gr, 0, ":GATE", n, ":MOD", GateInputModeTokens(),
                               GateInputModeTokens(), GateInputModeLabels))
             << InputRow(g, "Logic",
                         Token(in, "", gr, 1, ":GAT", n, ":LOG", LogicTokens(), LogicTokens(),
                               GateInputLogicLabels))
             << InputRow(g, "Threshold",
                         n == 1 ? Volts(in, "", gr, 2, ":GATE", 1, ":LEV", 0.2, 15)
                                : Volts(in, "", gr, 2, ":TRIG", 2, ":LEV", 0.2, 15))
             << InputRow(g, "Debounce",
                         Token(in, "", gr, 3, ":GAT", n, ":DEB", DebounceTokens(), DebounceTokens(),
                               DebounceLabels));
    }
}

QList<TSettingRow> BuildTable()
{
    QList<TSettingRow> rows;
    // The system record, and the ":SYST" and ":COUN" settings the initialization queries.
    TSettingRow run = Switch(S::System, "RunState", 0, 0, ":PULS", 0, ":STAT", {"OFF", "ON"});
    run.TokenReply = true;
    rows << run << Time(S::System, "Period", 0, 1, ":PULS", 0, ":PER", 9, L::Period)
         << Reported(Token(S::System, "PulseMode", 0, 2, ":PULS", 0, ":MOD", PulseModeTokens(),
                           PulseModeTokens(), {"Continuous", "Single Shot", "Burst", "Duty Cycle"}),
                     "Mode")
         << Count(S::System, "BurstCount", 0, 3, ":PULS", 0, ":BCO", true, L::SysBurst)
         << Reported(
                Count(S::System, "DutyCycleOnCounts", 0, 4, ":PULS", 0, ":PCO", true, L::SysDuty),
                "DutyOnCount")
         << Reported(
                Count(S::System, "DutyCycleOffCounts", 0, 5, ":PULS", 0, ":OCO", true, L::SysDuty),
                "DutyOffCount")
         << Reported(
                Count(S::System, "CycleCounts", 0, 6, ":PULS", 0, ":CYCL", false, L::SysCycleCount),
                "CycleCount")
         << Token(S::System, "SyncOutput", NoRecord, NoField, ":SYST", -1, ":SYNC",
                  SyncOutputTable().Tokens, SyncOutputCommandTokens(),
                  {"T0", "Ch 1", "Ch 2", "Ch 4", "Ch 6", "Trig", "Gate"})
         << Switch(S::System, "AutoStart", NoRecord, NoField, ":SYST", -1, ":AUT", OffOn)
         << Token(S::System, "InputClock", NoRecord, NoField, ":SYST", -1, ":ICL",
                  InputClockTable().Tokens, InputClockCommandTokens(),
                  {"System Osc", "10 MHz Ext", "20 MHz Ext", "25 MHz Ext", "30 MHz Ext",
                   "40 MHz Ext", "50 MHz Ext", "60 MHz Ext", "80 MHz Ext"})
         << Token(S::System, "OutputClock", NoRecord, NoField, ":SYST", -1, ":OCL",
                  OutputClockTable().Tokens, OutputClockCommandTokens(),
                  {"To Pulse", "10 MHz", "20 MHz", "25 MHz", "30 MHz", "40 MHz", "50 MHz", "60 MHz",
                   "80 MHz", "100 MHz"})
         << Reported(
                Switch(S::System, "CounterEnabled", NoRecord, NoField, ":COUN", -1, ":STAT", OffOn),
                "ShotCounter")
         << Token(S::System, "CounterSource", NoRecord, NoField, ":COUN", -1, ":SEL",
                  CounterSourceTable().Tokens, CounterSourceCommandTokens(),
                  {"T0", "Ch 1", "Ch 6", "Ch 8", "Ch 10"});
    for (TSettingRow &row : rows) {
        if (row.Record == NoRecord)
            row.Query = row.Name == QLatin1String("InputClock") ? QStringLiteral(":SYST:ICLOCK")
                                                               : row.Prefix + row.Mnemonic;
    }
    AddInputs(rows);

    // The channel record, field by field.
    const S c = S::Channel;
    TSettingRow mux =
        Reported(Row(c, "Multiplexer", 0, 11, ":PULS", -1, ":MUX", K::Mask), "MuxMask");
    mux.Max = 31;
    rows << Switch(c, "Enabled", 0, 0, ":PULS", -1, ":STAT", OffOn)
         << Time(c, "Delay", 0, 1, ":PULS", -1, ":DEL", 11, L::Delay)
         << Time(c, "Width", 0, 2, ":PULS", -1, ":WIDT", 11, L::Width)
         << Token(c, "Mode", 0, 3, ":PULS", -1, ":MOD", PulseModeTokens(), PulseModeTokens(),
                  {"Normal", "Single Shot", "Burst", "Duty Cycle"})
         << Count(c, "BurstCount", 0, 4, ":PULS", -1, ":BCO", false, L::ChBurst)
         << Reported(Count(c, "DutyCycleOn", 0, 5, ":PULS", -1, ":PCO", false, L::ChDuty),
                     "DutyOnCount")
         << Reported(Count(c, "DutyCycleOff", 0, 6, ":PULS", -1, ":OCO", false, L::ChDuty),
                     "DutyOffCount")
         << Count(c, "WaitCount", 0, 7, ":PULS", -1, ":WCO", false, L::ChWaitCount)
         << Token(c, "OutputMode", 0, 8, ":PULS", -1, ":OUTP:MOD", OutputModeTokens(),
                  OutputModeTokens(), {"TTL/CMOS", "Adjustable"})
         << Token(c, "Polarity", 0, 9, ":PULS", -1, ":OUTP:POL", PolarityTokens(), PolarityTokens(),
                  {"Normal", "Inverted"})
         << Volts(c, "Amplitude", 0, 10, ":PULS", -1, ":OUTP:AMPL", 2, 20) << mux
         << Reported(Token(c, "ChannelControl", 0, 12, ":PULS", -1, ":CONT", ChannelControlTokens(),
                           ChannelControlTokens(), {"Disabled", "Gate A", "Gate B", "Inhibit B"}),
                     "ControlMode")
         << Token(c, "SyncSource", 0, 13, ":PULS", -1, ":SYNC", SyncSourceTokens(),
                  SyncSourceTokens(), {"Disabled", "Sync A", "Sync B", "Sync Trig"})
         << Token(c, "GateMode", 0, 14, ":PULS", -1, ":CGAT", ChannelGateModeTokens(),
                  ChannelGateModeTokens(), {"Disabled", "Pulse Inh", "Out Inh"})
         << Token(c, "GateLogic", 0, 15, ":PULS", -1, ":CLOG", LogicTokens(), LogicTokens(),
                  {"Active Low", "Active High"});
    return rows;
}
} // namespace

int MuxItemCount(int channelCount)
{
    return channelCount > 6 ? 5 : 4;
}

const QList<TSettingRow> &SettingTable()
{
    static const QList<TSettingRow> rows = BuildTable();
    return rows;
}

const TSettingRow &SettingRow(TSettingScope scope, const QString &name)
{
    for (const TSettingRow &row : SettingTable()) {
        if (row.Scope == scope && row.Name == name)
            return row;
    }
    throw std::out_of_range("no such setting");
}

QList<const TSettingRow *> RecordRows(int record)
{
    const bool channel = record >= 1 && record <= MaxChannels;
    QList<const TSettingRow *> rows;
    for (const TSettingRow &row : SettingTable()) {
        if (row.Field == NoField)
            continue;
        if (channel ? row.Scope == TSettingScope::Channel
                    : row.Scope != TSettingScope::Channel && row.Record == record)
            rows << &row;
    }
    return rows;
}

QString SettingArgument(const TSettingRow &row, double value)
{
    switch (row.Kind) {
    case TSettingKind::Time:
    case TSettingKind::Volts:
        return FormatFixed(value, row.Decimals);
    case TSettingKind::Count:
    case TSettingKind::Mask:
        return QString::number(qint64(value));
    case TSettingKind::Token:
        return TokenAt(row.CommandTokens, int(value));
    case TSettingKind::Switch:
        return TokenAt(row.CommandTokens, value != 0 ? 1 : 0);
    }
    return {};
}

QString SettingHead(const TSettingRow &row, int number)
{
    if (number < 0)
        number = row.Number;
    return number >= 0 ? row.Prefix + QString::number(number) : row.Prefix;
}

QString SettingCommand(const TSettingRow &row, double value, int number)
{
    return SettingHead(row, number) + row.Mnemonic + QLatin1Char(' ') + SettingArgument(row, value);
}
