// Settings lines taken apart again, and a file compared with the instrument's settings.

#include "protocol/ConfigurationQueries.h"
#include "protocol/SettingsComparison.h"

#include <QtTest>

class tst_settingscomparison : public QObject
{
    Q_OBJECT
private slots:
    void settingsLinesParseBack();
    void otherLinesAreNotSettings();
    void compare_data();
    void compare();
};

namespace {
const QString Channel2 =
    "1 0.00000000000 0.00000100000 NORM 1 1 1 0 TTL NORM 5.00 1 DIS DIS DIS LOW";
const QStringList Instrument{"// 10 Dec 2026,13:12:31",  "*CFG 0 0 0.001000000 NORM 1 1 1 0",
                             "*CFG 92 DIS LOW 2.50 DIS", ":SYST:AUT 0",
                             ":SYST:SYNC Ch1",           ":SYST:ICLOCK INT",
                             "*CFG 2 " + Channel2};
} // namespace

void tst_settingscomparison::settingsLinesParseBack()
{
    for (const TConfigQuery &query : ConfigurationQueries(36)) {
        if (!query.Kept)
            continue;
        const QString line = SettingsLine(query, {"A B 1.5", 0});
        const auto parsed = ParseSettingsLine(line);
        QVERIFY2(parsed, qPrintable(line));
        QCOMPARE(parsed->Query.Item, query.Item);
        QCOMPARE(parsed->Query.Record, query.Record);
        QCOMPARE(parsed->Value, QString("A B 1.5"));
    }
}

void tst_settingscomparison::otherLinesAreNotSettings()
{
    for (const QString line : {"// *CFG 1 x", "*CFG 37 1", "*CFG 89 1", "*CFG x 1", "*CFG 01 1",
                               ":SYST:SEC 0", ":SYST:AUTO 1", ""})
        QVERIFY2(!ParseSettingsLine(line), qPrintable(line));
}

void tst_settingscomparison::compare_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("differences");

    QTest::newRow("the same, comments and blank lines aside")
        << (QStringList(Instrument) << ""
                                    << "// another date")
        << QStringList{};
    QTest::newRow("numbers written otherwise")
        << QStringList{"*CFG 0 0 1e-3 NORM 1 1 1 0", "*CFG 92 DIS LOW 2.5 DIS"} << QStringList{};
    QTest::newRow("a number written otherwise, a token not")
        << QStringList{"*CFG 0 0.0 0.001 NORM 1 1 1 0", ":SYST:AUT 0.0",
                       "*CFG 2 1.0 " + Channel2.mid(2)}
        << QStringList{"line 1: system RunState: file 0.0, instrument 0"};
    QTest::newRow("a channel field")
        << QStringList{"// saved", "*CFG 2 " + QString(Channel2).replace("NORM 1 1 1 0 TTL",
                                                                         "BURS 1 1 1 0 TTL")}
        << QStringList{"line 2: channel 2 Mode: file BURS, instrument NORM"};
    QTest::newRow("a long value cut, control characters shown")
        << QStringList{":SYST:SYNC " + QString(70, 'X'), ":SYST:ICLOCK \x01"}
        << QStringList{"line 1: system SyncOutput: file " + QString(60, 'X') +
                           "..., instrument Ch1",
                       "line 2: system InputClock: file \\x01, instrument INT"};
    QTest::newRow("the last field of a record")
        << QStringList{"*CFG 2 " + QString(Channel2).replace(" LOW", " HIGH")}
        << QStringList{"line 1: channel 2 GateLogic: file HIGH, instrument LOW"};
    QTest::newRow("an input and a system field")
        << QStringList{"*CFG 92 DIS HIGH 2.50 DIS", "*CFG 0 1 0.001 NORM 1 1 1 0"}
        << QStringList{"line 1: gate 1 Logic: file HIGH, instrument LOW",
                       "line 2: system RunState: file 1, instrument 0"};
    QTest::newRow("single values, exact case")
        << QStringList{":SYST:AUT 1", ":SYST:SYNC CH1"}
        << QStringList{"line 1: system AutoStart: file 1, instrument 0",
                       "line 2: system SyncOutput: file CH1, instrument Ch1"};
    QTest::newRow("the last line of a setting counts")
        << QStringList{":SYST:AUT 1", ":SYST:AUT 0"} << QStringList{};
    QTest::newRow("a channel the instrument lacks")
        << QStringList{"*CFG 13 " + Channel2, ":PULS13:DEL 0.1"}
        << QStringList{"line 1: channel 13: in the file, not reported by the instrument",
                       "line 2: channel 13: in the file, not reported by the instrument"};

    // Setting commands as the panel sends them, compared with the field they set.
    QTest::newRow("setting commands the instrument holds")
        << QStringList{":PULS2:STAT ON",     ":PULS2:DEL 0",    ":PULS2:WIDT 1e-6",
                       ":PULS2:OUTP:AMPL 5", ":PULS2:MUX 1",    ":PULS2:CLOG LOW",
                       ":PULS0:PER 0.001",   ":PULS0:MOD NORM", ":PULS0:CYCL 0",
                       ":GATE1:MOD DIS",     ":GAT1:LOG LOW",   ":GATE1:LEV 2.5",
                       ":GAT1:DEB DIS",      ":SYST:AUT 0"}
        << QStringList{};
    QTest::newRow("setting commands the instrument does not hold")
        << QStringList{":PULS2:DEL 0.00000200000", ":PULS2:STAT OFF", ":PULS0:BCO 7",
                       ":GAT1:LOG HIGH", ":PULS2:WIDT 0.0000001x"}
        << QStringList{"line 1: channel 2 Delay: file 0.00000200000, instrument 0.00000000000",
                       "line 2: channel 2 Enabled: file 0, instrument 1",
                       "line 3: system BurstCount: file 7, instrument 1",
                       "line 4: gate 1 Logic: file HIGH, instrument LOW",
                       "line 5: channel 2 Width: file 0.0000001x, instrument 0.00000100000"};
    QTest::newRow("a command overrides its record's field, and a record a command")
        << QStringList{":PULS2:MOD BURS", "*CFG 2 " + Channel2, ":PULS2:WIDT 0.5"}
        << QStringList{"line 3: channel 2 Width: file 0.5, instrument 0.00000100000"};
    QTest::newRow("the input clock is set as SYS and reported as INT")
        << QStringList{":SYST:ICL SYS", ":SYST:OCL 10", ":SYST:ICL 10"}
        << QStringList{"line 2: system OutputClock: in the file, not reported by the instrument",
                       "line 3: system InputClock: file 10, instrument INT"};

    // Lines the read-back cannot confirm.
    QTest::newRow("lines that cannot be confirmed")
        << QStringList{"*SAV 1",
                       ":PULS1:NOPE 1",
                       ":puls2:del 0",
                       ":PULS02:DEL 0",
                       QString::fromLatin1(":\0P\0U\0L\0S\0", 10),
                       "\x01x"}
        << QStringList{
               "line 1: \"*SAV 1\" cannot be confirmed: the read-back reports no such setting",
               "line 2: \":PULS1:NOPE 1\" cannot be confirmed: the read-back reports no such "
               "setting",
               "line 3: \":puls2:del 0\" cannot be confirmed: the read-back reports no such "
               "setting",
               "line 4: \":PULS02:DEL 0\" cannot be confirmed: the read-back reports no such "
               "setting",
               "line 5: \":\\x00P\\x00U\\x00L\\x00S\\x00\" cannot be confirmed: the read-back "
               "reports no such setting",
               "line 6: \"\\x01x\" cannot be confirmed: the read-back reports no such setting"};
}

void tst_settingscomparison::compare()
{
    QFETCH(QStringList, file);
    QFETCH(QStringList, differences);
    QStringList texts;
    QList<int> unconfirmable;
    for (const TSettingsDifference &d : CompareSettings(file, Instrument)) {
        texts << d.Text();
        if (d.Where.isEmpty())
            unconfirmable << d.Line;
    }
    QCOMPARE(texts, differences);
    // A file is checked before it is sent for exactly the lines no read-back can confirm.
    QCOMPARE(UnknownSettingLines(file), unconfirmable);
}

QTEST_MAIN(tst_settingscomparison)
#include "tst_settingscomparison.moc"
