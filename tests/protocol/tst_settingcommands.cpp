#include "protocol/SettingCommands.h"
#include "protocol/SettingTable.h"
#include "protocol/SystemQueryTables.h"

#include <QtTest>

// The wire text of the setting commands: the argument formats with their rounding, the
// command lines with their mnemonics and tokens, and the agreement between the tokens
// sent and the tokens the readback understands.
class tst_settingcommands : public QObject
{
    Q_OBJECT
private slots:
    void fixed_data();
    void fixed();
    void counts_data();
    void counts();
    void lines_data();
    void lines();
    void muxMask_data();
    void muxMask();
    void sentTokensReadBackAlike();
    void serviceCommands_data();
    void serviceCommands();
    void noSettingIsAServiceCommand();
};

void tst_settingcommands::fixed_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("1e-7 s") << 1e-7 << 11 << "0.00000010000";
    QTest::newRow("one step") << 2.5e-10 << 11 << "0.00000000025";
    QTest::newRow("2000 s") << 2000.0 << 11 << "2000.00000000000";
    QTest::newRow("zero") << 0.0 << 11 << "0.00000000000";
    QTest::newRow("period") << 0.001 << 9 << "0.001000000";
    QTest::newRow("3.456 V") << 3.456 << 2 << "3.46";
    // Exact binary halves: ties-to-even printing would give the lower neighbour.
    QTest::newRow("exact half away from zero") << 0.125 << 2 << "0.13";
    QTest::newRow("half step of the grid") << 1.25e-10 << 11 << "0.00000000013";
    // Binary a hair below the half the operator reads.
    QTest::newRow("decimal half stored below") << 2.675 << 2 << "2.68";
    QTest::newRow("half at the 12th decimal") << 1.000000000005 << 11 << "1.00000000001";
    QTest::newRow("half just past the last digit") << 5e-12 << 11 << "0.00000000001";
    QTest::newRow("below half") << 4.999e-12 << 11 << "0.00000000000";
    QTest::newRow("far below the last digit") << 4e-13 << 11 << "0.00000000000";
    QTest::newRow("carry into the units") << 9.999 << 2 << "10.00";
    QTest::newRow("carry past the point") << 0.995 << 2 << "1.00";
    QTest::newRow("negative half") << -0.125 << 2 << "-0.13";
    QTest::newRow("negative rounding to zero has no sign") << -0.001 << 2 << "0.00";
    QTest::newRow("no exponent for large values") << 1e20 << 2 << "100000000000000000000.00";
    QTest::newRow("no decimals") << 2.5 << 0 << "3";
}

void tst_settingcommands::fixed()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(FormatFixed(value, decimals), text);
}

void tst_settingcommands::counts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<quint32>("count");
    QTest::newRow("whole") << 12.0 << quint32(12);
    QTest::newRow("half to even below") << 2.5 << quint32(2);
    QTest::newRow("half to even above") << 3.5 << quint32(4);
    QTest::newRow("below half") << 2.4999 << quint32(2);
    QTest::newRow("above half") << 2.5001 << quint32(3);
    QTest::newRow("negative half") << -2.5 << quint32(-2);
    QTest::newRow("above the signed range") << 4000000000.0 << quint32(4000000000u);
    QTest::newRow("low 32 bits of 2^32") << 4294967296.0 << quint32(0);
    QTest::newRow("not a number") << qQNaN() << quint32(0);
}

void tst_settingcommands::counts()
{
    QFETCH(double, value);
    QFETCH(quint32, count);
    QCOMPARE(RoundCount(value), count);
}

void tst_settingcommands::lines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const QString &line, const char *expected) {
        QTest::newRow(name) << line << QString::fromLatin1(expected);
    };

    // Channel commands, the channel number without leading zeros.
    row("enable on", ChEnableCommand(3, true), ":PULS3:STAT 1");
    row("enable off", ChEnableCommand(4, false), ":PULS4:STAT 0");
    row("delay", ChDelayCommand(12, 1e-7), ":PULS12:DEL 0.00000010000");
    row("width", ChWidthCommand(2, 2000), ":PULS2:WIDT 2000.00000000000");
    row("mode", ChModeCommand(1, 2), ":PULS1:MOD BURS");
    row("mode nothing selected", ChModeCommand(5, -1), ":PULS5:MOD ");
    row("burst count", ChBurstCountCommand(6, 10000000), ":PULS6:BCO 10000000");
    row("wait count", ChWaitCountCommand(6, 0), ":PULS6:WCO 0");
    row("duty on", ChDutyOnCommand(7, 5), ":PULS7:PCO 5");
    row("duty off", ChDutyOffCommand(7, 6), ":PULS7:OCO 6");
    row("polarity", ChPolarityCommand(8, 1), ":PULS8:OUTP:POL INV");
    row("output mode", ChOutputModeCommand(3, 1), ":PULS3:OUTP:MOD ADJ");
    row("output mode TTL", ChOutputModeCommand(3, 0), ":PULS3:OUTP:MOD TTL");
    row("amplitude", ChAmplitudeCommand(9, 3.456), ":PULS9:OUTP:AMPL 3.46");
    row("mux", ChMuxCommand(5, 18), ":PULS5:MUX 18");
    row("control", ChControlCommand(10, 3), ":PULS10:CONT INHB");
    row("sync source", ChSyncSourceCommand(11, 3), ":PULS11:SYNC SYNT");
    row("gate mode", ChGateModeCommand(36, 2), ":PULS36:CGAT OUTP");
    row("gate mode past the table", ChGateModeCommand(2, 3), ":PULS2:CGAT ");
    row("gate logic", ChGateLogicCommand(2, 1), ":PULS2:CLOG HIGH");

    // System commands.
    row("period", PeriodCommand(0.001), ":PULS0:PER 0.001000000");
    row("system mode", SystemModeCommand(3), ":PULS0:MOD DCYC");
    row("system burst unsigned", SysBurstCountCommand(RoundCount(4000000000.0)),
        ":PULS0:BCO 4000000000");
    row("system duty on", SysDutyOnCommand(4000000000u), ":PULS0:PCO 4000000000");
    row("system duty off", SysDutyOffCommand(1), ":PULS0:OCO 1");
    row("cycle count signed", SysCycleCountCommand(-1), ":PULS0:CYCL -1");
    row("auto start", AutoStartCommand(true), ":SYST:AUT 1");
    row("sync output T0", SyncOutputCommand(0), ":SYST:SYNC T0");
    row("sync output Ch4", SyncOutputCommand(3), ":SYST:SYNC Ch4");
    row("sync output GATE", SyncOutputCommand(6), ":SYST:SYNC GATE");
    row("sync output nothing selected", SyncOutputCommand(-1), ":SYST:SYNC ");
    row("input clock SYS", InputClockCommand(0), ":SYST:ICL SYS");
    row("input clock 80", InputClockCommand(8), ":SYST:ICL 80");
    row("input clock has no 100", InputClockCommand(9), ":SYST:ICL ");
    row("output clock T0", OutputClockCommand(0), ":SYST:OCL T0");
    row("output clock 100", OutputClockCommand(9), ":SYST:OCL 100");
    row("shot counter off", ShotCountEnableCommand(false), ":COUN:STAT 0");
    row("clear shot count", ClearShotCountCommand(), ":COUN:CL 1");
    row("counter source CH10", CounterSourceCommand(4), ":COUN:SEL CH10");

    // Trigger and gate inputs: GATE for mode and level, GAT for logic and debounce.
    row("trigger mode", TriggerModeCommand(1, 1), ":TRIG1:MOD TRIG");
    row("trigger mode past the table", TriggerModeCommand(1, 2), ":TRIG1:MOD ");
    row("trigger edge", TriggerEdgeCommand(2, 1), ":TRIG2:EDG FALL");
    row("trigger debounce", TriggerDebounceCommand(2, 1), ":TRIG2:DEB ENAB");
    row("trigger level", TriggerLevelCommand(1, 2.5), ":TRIG1:LEV 2.50");
    row("shared level", TriggerLevelCommand(2, 15), ":TRIG2:LEV 15.00");
    row("gate level", GateLevelCommand(1, 0.2), ":GATE1:LEV 0.20");
    row("gate mode", GateModeCommand(2, 3), ":GATE2:MOD CHAN");
    row("gate logic", GateLogicCommand(1, 1), ":GAT1:LOG HIGH");
    row("gate debounce", GateDebounceCommand(2, 1), ":GAT2:DEB ENAB");
}

void tst_settingcommands::lines()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(line, expected);
}

void tst_settingcommands::muxMask_data()
{
    QTest::addColumn<QList<bool>>("checked");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("mask");
    const QList<bool> items14{false, true, false, false, true};
    QTest::newRow("items 1 and 4 on 12 channels") << items14 << 12 << 18;
    QTest::newRow("item 4 ignored on 6 channels") << items14 << 6 << 2;
    QTest::newRow("all five above 6 channels") << QList<bool>(5, true) << 7 << 31;
    QTest::newRow("four-item list") << QList<bool>{true, false, true, true} << 6 << 13;
    QTest::newRow("none") << QList<bool>(5, false) << 36 << 0;
}

void tst_settingcommands::muxMask()
{
    QFETCH(QList<bool>, checked);
    QFETCH(int, channels);
    QFETCH(int, mask);
    QCOMPARE(MuxMask(checked, channels), mask);
}

// Every item sent comes back from the instrument as the same item; only the input
// clock's system oscillator is set as "SYS" and reported as "INT".
void tst_settingcommands::sentTokensReadBackAlike()
{
    const struct
    {
        const QStringList &sent;
        const TSystemQueryTable &readback;
        int firstSpeltAlike;
    } lists[] = {
        {SyncOutputCommandTokens(), SyncOutputTable(), 0},
        {OutputClockCommandTokens(), OutputClockTable(), 0},
        {CounterSourceCommandTokens(), CounterSourceTable(), 0},
        {InputClockCommandTokens(), InputClockTable(), 1},
    };
    for (const auto &list : lists) {
        QCOMPARE(list.sent.size(), list.readback.ItemCount);
        for (int i = list.firstSpeltAlike; i < list.sent.size(); ++i)
            QCOMPARE(SelectionForReply(list.readback, list.sent[i]).ItemIndex, i);
    }
    QCOMPARE(SelectionForReply(InputClockTable(), "INT").ItemIndex, 0);
}

// The lines a device server refuses unless service commands are allowed: what the
// service window sends, however a terminal may spell it.
void tst_settingcommands::serviceCommands_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("service");
    QTest::newRow("unlock") << UnlockCommand() << true;
    QTest::newRow("unlock, lower case, long form")
        << QStringLiteral("  :system:security 48213") << true;
    QTest::newRow("security query") << SecurityQuery() + u'?' << true;
    QTest::newRow("channel factor") << ChCalCommand(36, TCalFactor::Delay, 26) << true;
    QTest::newRow("channel factor, long form")
        << QStringLiteral(":PULSE3:CALIBRATION:WIDTH 7") << true;
    QTest::newRow("input factor") << InputCalCommand(TCalInput::Gate1, TCalFactor::Offset, -3)
                                  << true;
    QTest::newRow("factor query") << ChCalMnemonic(2, TCalFactor::Gain) + u'?' << true;
    QTest::newRow("store") << StoreCalibrationCommand(1) << true;
    QTest::newRow("optimize") << OptimizeCalibrationCommand() << true;
    QTest::newRow("serial number") << SerialNumberCommand(4711) << true;
    QTest::newRow("serial number, lower case") << QStringLiteral("*ser 4711") << true;
    QTest::newRow("badge") << BadgeCommand(2, 12) << true;
    QTest::newRow("badge, long form") << QStringLiteral(":SYST:BADGE 1 6") << true;
    QTest::newRow("identity") << QStringLiteral("*IDN?") << false;
    QTest::newRow("save to bin") << SaveBinCommand(3) << false;
    QTest::newRow("auto start") << QStringLiteral(":SYST:AUT 1") << false;
    QTest::newRow("a channel's delay") << QStringLiteral(":PULS3:DEL 0.00000100000") << false;
    QTest::newRow("unknown") << QStringLiteral(":NOSUCH 1") << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_settingcommands::serviceCommands()
{
    QFETCH(QString, line);
    QFETCH(bool, service);
    QCOMPARE(IsServiceCommand(line), service);
}

void tst_settingcommands::noSettingIsAServiceCommand()
{
    for (const TSettingRow &row : SettingTable()) {
        const int number = row.Scope == TSettingScope::Channel ? 12 : -1;
        const QString line = SettingCommand(row, 1, number);
        QVERIFY2(!IsServiceCommand(line), qPrintable(line));
    }
}

QTEST_APPLESS_MAIN(tst_settingcommands)
#include "tst_settingcommands.moc"
