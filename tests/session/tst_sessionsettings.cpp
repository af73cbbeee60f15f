// One setting at a time through the session, for every row of the setting table: the state
// takes the value, the row's one line goes out, and the instrument's read-back gives the
// same value back.

#include "SessionRig.h"
#include "protocol/SettingTable.h"

#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(const TSettingRow *)
using TStateSetup = std::function<void(InstrumentSession &)>;
Q_DECLARE_METATYPE(TStateSetup)
Q_DECLARE_METATYPE(InstrumentSession::TChangeRefusal::TKind)

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
    void changeRefusal_data();
    void changeRefusal();

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

// A front end without controls (the device server) asks the session whether the window
// would send a change: the grid, the limits and what the window greys out in the present
// modes. No instrument is needed: only the state is asked.
void tst_sessionsettings::changeRefusal_data()
{
    using R = InstrumentSession::TChangeRefusal;
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scope");
    QTest::addColumn<int>("number");
    QTest::addColumn<double>("value");
    QTest::addColumn<TStateSetup>("setup");
    QTest::addColumn<R::TKind>("kind");
    const int ch = int(TSettingScope::Channel), sys = int(TSettingScope::System),
              in = int(TSettingScope::Input);
    const TStateSetup none = [](InstrumentSession &) {};
    const auto channelMode = [](int mode) {
        return TStateSetup([mode](InstrumentSession &s) { s.ChannelConfigs[3].Mode = mode; });
    };
    const auto sixChannels = TStateSetup([](InstrumentSession &s) { s.ChannelCount = 6; });
    QTest::newRow("delay on the grid") << "Delay" << ch << 3 << 1e-6 << none << R::None;
    QTest::newRow("delay off the grid") << "Delay" << ch << 3 << 1.0001e-6 << none << R::OffGrid;
    QTest::newRow("negative delay") << "Delay" << ch << 3 << -2.5e-10 << none << R::OutOfRange;
    QTest::newRow("width below 10 ns") << "Width" << ch << 3 << 7.5e-9 << none << R::OutOfRange;
    QTest::newRow("period below 50 ns") << "Period" << sys << -1 << 4e-8 << none << R::OutOfRange;
    QTest::newRow("period off its 5 ns grid") << "Period" << sys << -1 << 1.0000025e-3 << none
                                              << R::OffGrid;
    QTest::newRow("not a number") << "Delay" << ch << 3 << std::nan("") << none << R::OutOfRange;
    QTest::newRow("burst count in Burst") << "BurstCount" << ch << 3 << 5.0 << channelMode(2) << R::None;
    QTest::newRow("burst count of 0") << "BurstCount" << ch << 3 << 0.0 << channelMode(2)
                                      << R::OutOfRange;
    QTest::newRow("burst count in Normal") << "BurstCount" << ch << 3 << 5.0 << channelMode(0)
                                           << R::NotAvailable;
    QTest::newRow("duty cycle in Duty Cycle") << "DutyCycleOn" << ch << 3 << 5.0 << channelMode(3)
                                              << R::None;
    QTest::newRow("duty cycle in Burst") << "DutyCycleOff" << ch << 3 << 5.0 << channelMode(2)
                                         << R::NotAvailable;
    // A mode outside its list leaves the controls as they are: available.
    QTest::newRow("burst count, mode unknown") << "BurstCount" << ch << 3 << 5.0 << channelMode(9)
                                               << R::None;
    QTest::newRow("amplitude of a TTL output")
        << "Amplitude" << ch << 3 << 5.0
        << TStateSetup([](InstrumentSession &s) { s.ChannelConfigs[3].OutputMode = 0; })
        << R::NotAvailable;
    QTest::newRow("amplitude of an adjustable output")
        << "Amplitude" << ch << 3 << 5.0
        << TStateSetup([](InstrumentSession &s) { s.ChannelConfigs[3].OutputMode = 1; }) << R::None;
    QTest::newRow("amplitude above 20 V")
        << "Amplitude" << ch << 3 << 20.5
        << TStateSetup([](InstrumentSession &s) { s.ChannelConfigs[3].OutputMode = 1; })
        << R::OutOfRange;
    QTest::newRow("multiplexer item 4 on 12 channels") << "Multiplexer" << ch << 3 << 16.0 << none
                                                       << R::None;
    QTest::newRow("multiplexer item 4 on 6 channels") << "Multiplexer" << ch << 3 << 16.0
                                                      << sixChannels << R::OutOfRange;
    QTest::newRow("channel 7 of a 6-channel model") << "Delay" << ch << 7 << 1e-6 << sixChannels
                                                    << R::NoSuchSetting;
    QTest::newRow("list item beyond the list") << "ChannelControl" << ch << 3 << 4.0 << none
                                               << R::OutOfRange;
    QTest::newRow("list item between items") << "ChannelControl" << ch << 3 << 1.5 << none
                                             << R::OutOfRange;
    QTest::newRow("channel gate without a channel gate input")
        << "GateMode" << ch << 3 << 1.0
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.Gate1Mode = s.Mirrors.Gate2Mode = 1; })
        << R::NotAvailable;
    QTest::newRow("channel gate with gate 2 in Channel mode")
        << "GateLogic" << ch << 3 << 1.0
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.Gate2Mode = 3; }) << R::None;
    QTest::newRow("system burst count in Continuous")
        << "BurstCount" << sys << -1 << 5.0
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.SystemMode = 0; }) << R::NotAvailable;
    QTest::newRow("system burst count, unsigned, in Burst")
        << "BurstCount" << sys << -1 << 4e9
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.SystemMode = 2; }) << R::None;
    QTest::newRow("trigger 1 edge, trigger disabled")
        << "Trigger1Edge" << in << -1 << 1.0
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.Trigger1Mode = 0; }) << R::NotAvailable;
    QTest::newRow("shared threshold, gate 2 enabled")
        << "Trigger2Threshold" << in << -1 << 1.0
        << TStateSetup([](InstrumentSession &s) {
               s.Mirrors.Trigger2Mode = 0;
               s.Mirrors.Gate2Mode = 1;
           })
        << R::None;
    QTest::newRow("shared threshold, both disabled")
        << "Gate2Threshold" << in << -1 << 1.0
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.Trigger2Mode = s.Mirrors.Gate2Mode = 0; })
        << R::NotAvailable;
    QTest::newRow("gate 1 logic, gate disabled")
        << "Gate1Logic" << in << -1 << 1.0
        << TStateSetup([](InstrumentSession &s) { s.Mirrors.Gate1Mode = 0; }) << R::NotAvailable;
}

void tst_sessionsettings::changeRefusal()
{
    QFETCH(QString, name);
    QFETCH(int, scope);
    QFETCH(int, number);
    QFETCH(double, value);
    QFETCH(TStateSetup, setup);
    QFETCH(InstrumentSession::TChangeRefusal::TKind, kind);
    InstrumentSession session;
    session.ChannelCount = 12;
    session.Mirrors.Gate1Mode = session.Mirrors.Gate2Mode = 0;
    setup(session);
    const InstrumentSession::TChangeRefusal refusal =
        session.ChangeRefusal(SettingRow(TSettingScope(scope), name), value, number);
    QCOMPARE(refusal.Kind, kind);
    // Every refusal says why.
    QCOMPARE(refusal.Text.isEmpty(), kind == InstrumentSession::TChangeRefusal::None);
}

QTEST_GUILESS_MAIN(tst_sessionsettings)
#include "tst_sessionsettings.moc"
