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
                             ":SYST:SYNC Ch1",           "*CFG 2 " + Channel2};
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
    for (const QString line : {"// *CFG 1 x", ":PULS1:DEL 0.5", "*CFG 37 1", "*CFG 89 1",
                               "*CFG x 1", "*CFG 01 1", ":SYST:SEC 0", ":SYST:AUTO 1", ""})
        QVERIFY2(!ParseSettingsLine(line), qPrintable(line));
}

void tst_settingscomparison::compare_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("differences");

    QTest::newRow("the same, comments and other commands aside")
        << (QStringList(Instrument) << ":PULS1:DEL 0.5"
                                    << "// another date")
        << QStringList{};
    QTest::newRow("numbers written otherwise")
        << QStringList{"*CFG 0 0 1e-3 NORM 1 1 1 0", "*CFG 92 DIS LOW 2.5 DIS"} << QStringList{};
    QTest::newRow("a channel field")
        << QStringList{"*CFG 2 " +
                       QString(Channel2).replace("NORM 1 1 1 0 TTL", "BURS 1 1 1 0 TTL")}
        << QStringList{"channel 2 Mode: file BURS, instrument NORM"};
    QTest::newRow("the last field of a record")
        << QStringList{"*CFG 2 " + QString(Channel2).replace(" LOW", " HIGH")}
        << QStringList{"channel 2 GateLogic: file HIGH, instrument LOW"};
    QTest::newRow("an input and a system field")
        << QStringList{"*CFG 92 DIS HIGH 2.50 DIS", "*CFG 0 1 0.001 NORM 1 1 1 0"}
        << QStringList{"gate 1 Logic: file HIGH, instrument LOW",
                       "system RunState: file 1, instrument 0"};
    QTest::newRow("single values, exact case")
        << QStringList{":SYST:AUT 1", ":SYST:SYNC CH1"}
        << QStringList{"system AutoStart: file 1, instrument 0",
                       "system SyncOutput: file CH1, instrument Ch1"};
    QTest::newRow("the last line of a setting counts")
        << QStringList{":SYST:AUT 1", ":SYST:AUT 0"} << QStringList{};
    QTest::newRow("a channel the instrument lacks")
        << QStringList{"*CFG 13 " + Channel2}
        << QStringList{"channel 13: in the file, not reported by the instrument"};
}

void tst_settingscomparison::compare()
{
    QFETCH(QStringList, file);
    QFETCH(QStringList, differences);
    QStringList texts;
    for (const TSettingsDifference &d : CompareSettings(file, Instrument))
        texts << d.Text();
    QCOMPARE(texts, differences);
}

QTEST_MAIN(tst_settingscomparison)
#include "tst_settingscomparison.moc"
