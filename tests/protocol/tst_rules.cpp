#include "protocol/AvailabilityRules.h"
#include "protocol/CheckResolution.h"
#include "protocol/TTimingLimits.h"

#include <QtTest>

Q_DECLARE_METATYPE(TEnableChange)

class tst_rules : public QObject
{
    Q_OBJECT
private slots:
    void checkResolution_data();
    void checkResolution();
    void modeAvailability_data();
    void modeAvailability();
    void onOffRules_data();
    void onOffRules();
    void inputRules_data();
    void inputRules();
};

void tst_rules::checkResolution_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("resolution");
    QTest::addColumn<bool>("onGrid");
    const TTimingLimits limits;
    const double delay = limits.DelayIncrement;
    const double period = limits.PeriodIncrement;
    QTest::newRow("1e-6: quotient just below 4000") << 1e-6 << delay << true;
    QTest::newRow("1.0001e-6: 4000.4 steps") << 1.0001e-6 << delay << false;
    QTest::newRow("1.0000001e-6: 4000.0004 steps") << 1.0000001e-6 << delay << true;
    QTest::newRow("1.00000015e-6: 4000.0008 steps") << 1.00000015e-6 << delay << false;
    QTest::newRow("period 1e-6: 200 steps") << 1e-6 << period << true;
    QTest::newRow("period 1.001e-6: 200.2 steps") << 1.001e-6 << period << false;
    QTest::newRow("the step itself") << delay << delay << true;
    QTest::newRow("the period step itself") << period << period << true;
    QTest::newRow("zero") << 0.0 << delay << true;
    QTest::newRow("one step and a half") << 3.75e-10 << delay << false;
    QTest::newRow("a whole multiple near 1 s") << 0.99999999975 << delay << true;
    QTest::newRow("negative fraction passes") << -1.0001e-6 << delay << true;
    QTest::newRow("the largest delay, 2000 s") << 2000.0 << delay << true;
    QTest::newRow("a whole multiple near 2000 s") << 1999.999999999 << delay << true;
    QTest::newRow("1e-12 s off the grid near 2000 s") << 1999.999999999999 << delay << false;
    QTest::newRow("the largest period, 5000 s") << 5000.0 << period << true;
    QTest::newRow("1e-9 s off the period grid at 5000 s") << 4999.999999999 << period << false;
}

void tst_rules::checkResolution()
{
    QFETCH(double, value);
    QFETCH(double, resolution);
    QTEST(CheckResolution(value, resolution), "onGrid");
}

void tst_rules::modeAvailability_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<TEnableChange>("burst");
    QTest::addColumn<TEnableChange>("dutyCycle");
    using E = TEnableChange;
    QTest::newRow("continuous / normal") << 0 << E::Disable << E::Disable;
    QTest::newRow("single shot") << 1 << E::Disable << E::Disable;
    QTest::newRow("burst") << 2 << E::Enable << E::Disable;
    QTest::newRow("duty cycle") << 3 << E::Disable << E::Enable;
    QTest::newRow("out of range") << 4 << E::Unchanged << E::Unchanged;
    QTest::newRow("no selection") << -1 << E::Unchanged << E::Unchanged;
}

void tst_rules::modeAvailability()
{
    QFETCH(int, mode);
    const TModeAvailability rule = ModeAvailability(mode);
    QTEST(rule.Burst, "burst");
    QTEST(rule.DutyCycle, "dutyCycle");
}

void tst_rules::onOffRules_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<TEnableChange>("change");
    QTest::newRow("0 disables") << 0 << TEnableChange::Disable;
    QTest::newRow("1 enables") << 1 << TEnableChange::Enable;
    QTest::newRow("2 leaves") << 2 << TEnableChange::Unchanged;
    QTest::newRow("-1 leaves") << -1 << TEnableChange::Unchanged;
}

void tst_rules::onOffRules()
{
    QFETCH(int, index);
    QTEST(OutputModeAvailability(index), "change");
    QTEST(TriggerAvailability(index), "change");
}

void tst_rules::inputRules_data()
{
    QTest::addColumn<int>("trigger2");
    QTest::addColumn<int>("gate1");
    QTest::addColumn<int>("gate2");
    QTest::addColumn<bool>("gate1Controls");
    QTest::addColumn<bool>("sharedThreshold");
    QTest::addColumn<bool>("channelGateLists");
    QTest::newRow("all disabled") << 0 << 0 << 0 << false << false << false;
    QTest::newRow("gate 2 pulse inhibit opens the shared threshold")
        << 0 << 0 << 1 << false << true << false;
    QTest::newRow("trigger 2 opens the shared threshold") << 1 << 0 << 0 << false << true << false;
    QTest::newRow("gate 1 channel") << 0 << 3 << 0 << true << false << true;
    QTest::newRow("gate 2 channel") << 0 << 2 << 3 << true << true << true;
    QTest::newRow("gate 1 output inhibit") << 0 << 2 << 0 << true << false << false;
}

void tst_rules::inputRules()
{
    QFETCH(int, trigger2);
    QFETCH(int, gate1);
    QFETCH(int, gate2);
    QTEST(GateControlsEnabled(gate1), "gate1Controls");
    QTEST(SharedThresholdEnabled(trigger2, gate2), "sharedThreshold");
    QTEST(ChannelGateListsEnabled(gate1, gate2), "channelGateLists");
}

QTEST_APPLESS_MAIN(tst_rules)
#include "tst_rules.moc"
