#include "protocol/ConfigRecords.h"
#include "protocol/SettingCommandLines.h"
#include "protocol/SettingCommands.h"
#include "protocol/SettingTable.h"
#include "protocol/SettingsComparison.h"

#include <QSet>
#include <QTest>

// The setting table against the wire: every row's command, the record positions the
// readers use, and the table's own consistency.
class TestSettingTable : public QObject
{
    Q_OBJECT

private slots:
    void commandFromRow_data();
    void commandFromRow();
    void recordPositionsMatchReaders_data();
    void recordPositionsMatchReaders();
    void commandLineFindsItsField_data();
    void commandLineFindsItsField();
    void rowsAreConsistent();
    void muxItemsFollowChannelCount();
    void systemAndServiceCommands();
};

Q_DECLARE_METATYPE(TSettingScope)

void TestSettingTable::commandFromRow_data()
{
    QTest::addColumn<TSettingScope>("scope");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("builder"); // the existing builder's output for the same value

    const auto S = TSettingScope::System;
    const auto I = TSettingScope::Input;
    const auto C = TSettingScope::Channel;
    auto row = [](const char *tag, TSettingScope scope, const char *name, int number,
                  double value, const char *expected, const QString &builder) {
        QTest::newRow(tag) << scope << QString::fromLatin1(name) << number << value
                           << QString::fromLatin1(expected) << builder;
    };
    row("run on", S, "RunState", -1, 1, ":PULS0:STAT ON", RunCommand(true));
    row("run off", S, "RunState", -1, 0, ":PULS0:STAT OFF", RunCommand(false));
    row("period half up", S, "Period", -1, 0.0000012345, ":PULS0:PER 0.000001235",
        PeriodCommand(0.0000012345));
    row("period", S, "Period", -1, 1e-3, ":PULS0:PER 0.001000000", PeriodCommand(1e-3));
    row("system mode", S, "PulseMode", -1, 3, ":PULS0:MOD DCYC", SystemModeCommand(3));
    row("system mode outside", S, "PulseMode", -1, 4, ":PULS0:MOD ", SystemModeCommand(4));
    row("system mode none", S, "PulseMode", -1, -1, ":PULS0:MOD ", SystemModeCommand(-1));
    row("system burst unsigned", S, "BurstCount", -1, 4000000000.0, ":PULS0:BCO 4000000000",
        SysBurstCountCommand(4000000000u));
    row("duty on", S, "DutyCycleOnCounts", -1, 7, ":PULS0:PCO 7", SysDutyOnCommand(7));
    row("duty off", S, "DutyCycleOffCounts", -1, 8, ":PULS0:OCO 8", SysDutyOffCommand(8));
    row("cycles signed", S, "CycleCounts", -1, -1, ":PULS0:CYCL -1", SysCycleCountCommand(-1));
    row("sync output", S, "SyncOutput", -1, 1, ":SYST:SYNC Ch1", SyncOutputCommand(1));
    row("auto start", S, "AutoStart", -1, 1, ":SYST:AUT 1", AutoStartCommand(true));
    row("input clock sends SYS", S, "InputClock", -1, 0, ":SYST:ICL SYS", InputClockCommand(0));
    row("input clock has no 100", S, "InputClock", -1, 9, ":SYST:ICL ", InputClockCommand(9));
    row("output clock 100", S, "OutputClock", -1, 9, ":SYST:OCL 100", OutputClockCommand(9));
    row("counter off", S, "CounterEnabled", -1, 0, ":COUN:STAT 0", ShotCountEnableCommand(false));
    row("counter source", S, "CounterSource", -1, 4, ":COUN:SEL CH10", CounterSourceCommand(4));

    row("trigger 2 mode", I, "Trigger1Mode", 2, 1, ":TRIG2:MOD TRIG", TriggerModeCommand(2, 1));
    row("trigger 1 edge", I, "Trigger1Edge", -1, 1, ":TRIG1:EDG FALL", TriggerEdgeCommand(1, 1));
    row("trigger 2 edge row", I, "Trigger2Edge", -1, 0, ":TRIG2:EDG RIS", TriggerEdgeCommand(2, 0));
    row("trigger level half", I, "Trigger1Threshold", -1, 0.125, ":TRIG1:LEV 0.13",
        TriggerLevelCommand(1, 0.125));
    row("trigger debounce", I, "Trigger2Debounce", -1, 1, ":TRIG2:DEB ENAB",
        TriggerDebounceCommand(2, 1));
    row("gate mode long form", I, "Gate1Mode", -1, 3, ":GATE1:MOD CHAN", GateModeCommand(1, 3));
    row("gate logic short form", I, "Gate2Logic", -1, 1, ":GAT2:LOG HIGH", GateLogicCommand(2, 1));
    row("gate debounce short form", I, "Gate1Debounce", -1, 0, ":GAT1:DEB DIS",
        GateDebounceCommand(1, 0));
    row("gate 1 level", I, "Gate1Threshold", -1, -2.675, ":GATE1:LEV -2.68",
        GateLevelCommand(1, -2.675));
    row("gate 2 level is input 2's", I, "Gate2Threshold", -1, 1.5, ":TRIG2:LEV 1.50",
        TriggerLevelCommand(2, 1.5));

    row("enable", C, "Enabled", 36, 1, ":PULS36:STAT 1", ChEnableCommand(36, true));
    row("delay half up", C, "Delay", 1, 0.000000000125, ":PULS1:DEL 0.00000000013",
        ChDelayCommand(1, 0.000000000125));
    row("delay negative zero", C, "Delay", 1, -0.000000000001, ":PULS1:DEL 0.00000000000",
        ChDelayCommand(1, -0.000000000001));
    row("width", C, "Width", 12, 1e-8, ":PULS12:WIDT 0.00000001000", ChWidthCommand(12, 1e-8));
    row("mode", C, "Mode", 2, 2, ":PULS2:MOD BURS", ChModeCommand(2, 2));
    row("burst", C, "BurstCount", 3, 5, ":PULS3:BCO 5", ChBurstCountCommand(3, 5));
    row("duty on", C, "DutyCycleOn", 3, 6, ":PULS3:PCO 6", ChDutyOnCommand(3, 6));
    row("duty off", C, "DutyCycleOff", 3, 7, ":PULS3:OCO 7", ChDutyOffCommand(3, 7));
    row("wait", C, "WaitCount", 3, 8, ":PULS3:WCO 8", ChWaitCountCommand(3, 8));
    row("sync source", C, "SyncSource", 4, 3, ":PULS4:SYNC SYNT", ChSyncSourceCommand(4, 3));
    row("polarity", C, "Polarity", 4, 1, ":PULS4:OUTP:POL INV", ChPolarityCommand(4, 1));
    row("output mode", C, "OutputMode", 4, 1, ":PULS4:OUTP:MOD ADJ", ChOutputModeCommand(4, 1));
    row("amplitude", C, "Amplitude", 5, 3.3, ":PULS5:OUTP:AMPL 3.30", ChAmplitudeCommand(5, 3.3));
    row("gate mode outside", C, "GateMode", 5, 3, ":PULS5:CGAT ", ChGateModeCommand(5, 3));
    row("gate logic", C, "GateLogic", 5, 1, ":PULS5:CLOG HIGH", ChGateLogicCommand(5, 1));
    row("control", C, "ChannelControl", 6, 3, ":PULS6:CONT INHB", ChControlCommand(6, 3));
    row("mux", C, "Multiplexer", 7, 21, ":PULS7:MUX 21", ChMuxCommand(7, 21));
}

void TestSettingTable::commandFromRow()
{
    QFETCH(TSettingScope, scope);
    QFETCH(QString, name);
    QFETCH(int, number);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QFETCH(QString, builder);
    QCOMPARE(SettingCommand(SettingRow(scope, name), value, number), expected);
    QCOMPARE(builder, expected);
}

void TestSettingTable::recordPositionsMatchReaders_data()
{
    QTest::addColumn<int>("record");
    for (int record : {0, 1, MaxChannels, 90, 91, 92, 93})
        QTest::addRow("record %d", record) << record;
}

// A record made from the rows (a token field gives its second token, a number its field
// position plus one) must be read field by field in the rows' order, every field matched.
void TestSettingTable::recordPositionsMatchReaders()
{
    QFETCH(int, record);
    const QList<const TSettingRow *> rows = RecordRows(record);
    QStringList fields;
    for (int i = 0; i < rows.size(); ++i) {
        const TSettingRow &row = *rows[i];
        QCOMPARE(row.Field, i);
        if (row.Kind == TSettingKind::Token || row.Kind == TSettingKind::Switch)
            fields << row.ReadTokens.at(1);
        else
            fields << QString::number(i + 1);
    }
    const QString reply = fields.join(QLatin1Char(' '));

    QList<int> read;
    QList<bool> matched;
    auto note = [&](auto field, bool ok) {
        read << int(field);
        matched << ok;
    };
    if (record == 0) {
        TSystemMirrors mirrors;
        TSystemCounts counts;
        ReadSystemRecord(reply, mirrors, counts, note);
        QCOMPARE(mirrors.SystemRunning, true);
        QCOMPARE(mirrors.SystemPeriod, 2.0);
        QCOMPARE(mirrors.SystemMode, 1);
        QCOMPARE(counts.BurstCount, 4u);
        QCOMPARE(counts.CycleCount, 7);
    } else if (record >= 90) {
        TSystemMirrors mirrors;
        double threshold = 0;
        ReadInputRecord(record, reply, mirrors, threshold, note);
        QCOMPARE(threshold, 3.0);
    } else {
        ChannelConfig c;
        ReadChannelRecord(reply, c, note);
        const QList<double> values{double(c.Enabled), c.Delay,       c.Width,
                                   double(c.Mode),    double(c.BurstCount),
                                   double(c.DutyOnCount), double(c.DutyOffCount),
                                   double(c.WaitCount), double(c.OutputMode),
                                   double(c.Polarity), c.Amplitude, double(c.MuxMask),
                                   double(c.ControlMode), double(c.SyncSource),
                                   double(c.GateMode), double(c.GateLogic)};
        for (int i = 0; i < rows.size(); ++i) {
            const bool byToken = rows[i]->Kind == TSettingKind::Token
                                 || rows[i]->Kind == TSettingKind::Switch;
            QCOMPARE(values[i], byToken ? 1.0 : double(i + 1));
        }
    }
    QList<int> expected;
    for (int i = 0; i < rows.size(); ++i)
        expected << i;
    QCOMPARE(read, expected);
    QVERIFY(!matched.contains(false));
}

void TestSettingTable::commandLineFindsItsField_data()
{
    QTest::addColumn<int>("index"); // into SettingTable()
    for (int i = 0; i < SettingTable().size(); ++i)
        QTest::newRow(qPrintable(SettingTable()[i].Name)) << i;
}

// A command a row builds, found again in a settings file, names the record field or the
// single value the read-back reports it by, with the read-back's spelling of its value;
// the comparison reports it under the row's name.
void TestSettingTable::commandLineFindsItsField()
{
    QFETCH(int, index);
    const TSettingRow &row = SettingTable()[index];
    const bool token = row.Kind == TSettingKind::Token || row.Kind == TSettingKind::Switch;
    const double value = token                             ? row.CommandTokens.size() - 1
                         : row.Kind == TSettingKind::Count ? 7
                                                           : 1.5;
    const int number = row.Scope == TSettingScope::Channel ? 12 : -1;
    const QString line = SettingCommand(row, value, number);

    const std::optional<TSettingCommandLine> parsed = ParseSettingCommand(line);
    QVERIFY2(parsed, qPrintable(line));
    QCOMPARE(parsed->Value,
             row.TokenReply ? row.ReadTokens.at(int(value)) : SettingArgument(row, value));
    if (row.Record == NoRecord) {
        QCOMPARE(parsed->Field, -1);
        QCOMPARE(QString::fromLatin1(parsed->Query.Mnemonic), row.Query);
        QCOMPARE(parsed->Query.Numeric, !row.TokenReply);
        QCOMPARE(parsed->Query.Name, row.ReportName);
        return;
    }
    // The second gate's threshold is input 2's, set and reported as trigger 2's.
    const TSettingRow &reported = row.Name == QLatin1String("Gate2Threshold")
                                      ? SettingRow(TSettingScope::Input, "Trigger2Threshold")
                                      : row;
    QCOMPARE(parsed->Query.Record, number > 0 ? number : reported.Record);
    QCOMPARE(parsed->Field, reported.Field);
    QCOMPARE(RecordFieldNames(parsed->Query.Record).at(parsed->Field), reported.ReportName);
}

void TestSettingTable::rowsAreConsistent()
{
    QSet<QString> names;
    QSet<QString> commands;
    for (const TSettingRow &row : SettingTable()) {
        const QString key = QString::number(int(row.Scope)) + row.Name;
        QVERIFY2(!names.contains(key), qPrintable(row.Name));
        names << key;
        // No two rows set the same thing, the shared threshold of input 2 apart.
        const QString command = row.Prefix + QString::number(row.Number) + row.Mnemonic;
        QVERIFY2(!commands.contains(command) || row.Name == QLatin1String("Gate2Threshold"),
                 qPrintable(row.Name));
        commands << command;
        switch (row.Kind) {
        case TSettingKind::Token:
            QCOMPARE(row.CommandTokens.size(), row.Labels.size());
            QVERIFY2(row.ReadTokens.size() >= row.Labels.size(), qPrintable(row.Name));
            break;
        case TSettingKind::Switch:
            QCOMPARE(row.CommandTokens.size(), 2);
            QCOMPARE(row.ReadTokens.size(), 2);
            break;
        case TSettingKind::Time:
            QVERIFY2(row.Limit != TLimitField::None && row.Unit == QLatin1String("s"),
                     qPrintable(row.Name));
            break;
        case TSettingKind::Count:
            QVERIFY2(row.Limit != TLimitField::None, qPrintable(row.Name));
            break;
        case TSettingKind::Volts:
        case TSettingKind::Mask:
            QVERIFY2(row.Min < row.Max, qPrintable(row.Name));
            break;
        }
    }
    QCOMPARE(RecordRows(0).size(), 7);
    QCOMPARE(RecordRows(1).size(), 16);
    QCOMPARE(RecordRows(MaxChannels + 1).size(), 0);

    // The names the comparison reports a record's fields by (its operator's texts).
    QCOMPARE(RecordFieldNames(0), (QStringList{"RunState", "Period", "Mode", "BurstCount",
                                               "DutyOnCount", "DutyOffCount", "CycleCount"}));
    QCOMPARE(RecordFieldNames(91), (QStringList{"Mode", "Edge", "Threshold", "Debounce"}));
    QCOMPARE(RecordFieldNames(92), (QStringList{"Mode", "Logic", "Threshold", "Debounce"}));
    QCOMPARE(RecordFieldNames(MaxChannels),
             (QStringList{"Enabled", "Delay", "Width", "Mode", "BurstCount", "DutyOnCount",
                          "DutyOffCount", "WaitCount", "OutputMode", "Polarity", "Amplitude",
                          "MuxMask", "ControlMode", "SyncSource", "GateMode", "GateLogic"}));
}

void TestSettingTable::muxItemsFollowChannelCount()
{
    const QList<bool> all(5, true);
    for (int channels : {6, 12, 24, 36}) {
        QCOMPARE(MuxItemCount(channels), channels > 6 ? 5 : 4);
        QCOMPARE(MuxMask(all, channels), (1 << MuxItemCount(channels)) - 1);
    }
}

void TestSettingTable::systemAndServiceCommands()
{
    QCOMPARE(RunStateQuery(), QStringLiteral(":PULS0:STAT"));
    QCOMPARE(SaveBinCommand(3), QStringLiteral("*SAV 3"));
    QCOMPARE(RecallBinCommand(0), QStringLiteral("*RCL 0"));
    QCOMPARE(StoreCalibrationCommand(2), QStringLiteral("*STR 2"));
    QCOMPARE(InputCalCommand(TCalInput::Trigger2, TCalFactor::Gain, -5),
             QStringLiteral(":TRIG2:CAL:GAIN -5"));
    QCOMPARE(InputCalCommand(TCalInput::Gate1, TCalFactor::Offset, 12),
             QStringLiteral(":GATE1:CAL:OFFS 12"));
    QCOMPARE(ChCalCommand(36, TCalFactor::Width, 100), QStringLiteral(":PULS36:CAL:WIDT 100"));
    QCOMPARE(ChCalCommand(1, TCalFactor::Delay, -3), QStringLiteral(":PULS1:CAL:DEL -3"));
}

QTEST_GUILESS_MAIN(TestSettingTable)
#include "tst_settingtable.moc"
