// One setting at a time through the session, for every row of the setting table: the state
// takes the value, the row's one line goes out, and the instrument's read-back gives the
// same value back.

#include "SessionRig.h"
#include "protocol/SettingTable.h"

#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(const TSettingRow *)

class tst_sessionsettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(!WidgetsLoaded());
        Rig = std::make_unique<SessionRig>();
        QVERIFY(Rig->Start({"--model", "7310-12"}));
    }
    void cleanupTestCase() { Rig.reset(); }
    void everySettingRoundTrips_data();
    void everySettingRoundTrips();
    void rowsTheStateDoesNotHold();

private:
    // One instrument for every row: each row changes one setting from whatever it is now.
    std::unique_ptr<SessionRig> Rig;
};

namespace {
// A value the instrument takes and that differs from its start-up value.
double SampleValue(const TSettingRow &row)
{
    switch (row.Kind) {
    case TSettingKind::Time:
        return row.Limit == TLimitField::Period ? 0.0025 : row.Limit == TLimitField::Delay ? 1.5e-6
                                                                                         : 2.5e-6;
    case TSettingKind::Count:
        return 7;
    case TSettingKind::Volts:
        return std::round((row.Min + row.Max) / 2 * 100) / 100;
    case TSettingKind::Token:
        return row.CommandTokens.size() > 2 ? 2 : 1;
    case TSettingKind::Switch:
        return -1; // the opposite of what the instrument has
    case TSettingKind::Mask:
        return 3;
    }
    return 0;
}
} // namespace

void tst_sessionsettings::everySettingRoundTrips_data()
{
    QTest::addColumn<const TSettingRow *>("row");
    QTest::addColumn<int>("number");
    for (const TSettingRow &row : SettingTable()) {
        if (row.Scope == TSettingScope::Channel) {
            for (int n : {1, 12})
                QTest::addRow("%s ch %d", qPrintable(row.Name), n) << &row << n;
        } else {
            QTest::addRow("%s", qPrintable(row.Name)) << &row << -1;
        }
    }
}

void tst_sessionsettings::everySettingRoundTrips()
{
    QFETCH(const TSettingRow *, row);
    QFETCH(int, number);
    SessionRig &r = *Rig;
    const std::optional<double> before = r.Session.SettingValue(*row, number);
    QVERIFY(before);
    double value = SampleValue(*row);
    if (value < 0)
        value = *before == 1 ? 0 : 1;
    if (value == *before && row->Kind == TSettingKind::Volts)
        value += 0.5; // the second gate's threshold is the second trigger's, set just before
    QVERIFY(value != *before);

    const int mark = r.ReceivedCount();
    QSignalSpy changed(&r.Session, &InstrumentSession::SettingChanged);
    QVERIFY(r.Session.ChangeSetting(*row, value, number));
    QCOMPARE(*r.Session.SettingValue(*row, number), value);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toString(), row->Name);
    r.Session.ProcessTasks();
    QCOMPARE(r.ReceivedFrom(mark), QStringList{SettingCommand(*row, value, number)});

    // The instrument has it: its record (or, for a single value, the whole configuration)
    // read again brings the same value into the state.
    if (row->Scope == TSettingScope::Channel)
        r.Session.ParseChannelParameters(number);
    else if (row->Record == 0)
        r.Session.ParseSystemParameters();
    else if (row->Scope == TSettingScope::Input)
        r.Session.ParseTrigGateParameters();
    else
        QVERIFY(r.Session.Initialize());
    QCOMPARE(*r.Session.SettingValue(*row, number), value);
}

void tst_sessionsettings::rowsTheStateDoesNotHold()
{
    SessionRig &r = *Rig;
    const int mark = r.ReceivedCount();
    const TSettingRow &delay = SettingRow(TSettingScope::Channel, QStringLiteral("Delay"));
    // a channel outside the table: nothing changes, nothing is sent
    QVERIFY(!r.Session.SettingValue(delay, 0));
    QVERIFY(!r.Session.ChangeSetting(delay, 1e-6, 0));
    QVERIFY(!r.Session.ChangeSetting(delay, 1e-6, MaxChannels + 1));
    r.Session.ProcessTasks();
    QCOMPARE(r.ReceivedFrom(mark), QStringList());
}

QTEST_GUILESS_MAIN(tst_sessionsettings)
#include "tst_sessionsettings.moc"
