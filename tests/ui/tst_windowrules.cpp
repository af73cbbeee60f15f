// The availability and resolution rules as the window applies them: which group boxes
// and fields each rule switches, on every channel tab, and that "unchanged" really
// leaves a control alone.

#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"

#include <QGroupBox>
#include <QtTest>

class tst_windowrules : public QObject
{
    Q_OBJECT
private slots:
    void modes_data();
    void modes();
    void inputs_data();
    void inputs();
    void resolutionRanges();
};

namespace {
enum Expect
{
    Off = 0,
    On = 1,
    Same = -1
};

bool IsOn(const QWidget *w)
{
    if (auto *numeric = qobject_cast<const TPlusSpinEdit *>(w))
        return numeric->Enabled();
    return w->isEnabled();
}

void SetOn(QWidget *w, bool on)
{
    if (auto *numeric = qobject_cast<TPlusSpinEdit *>(w))
        numeric->SetEnabled(on);
    else
        w->setEnabled(on);
}

// Each control is checked on its own state (a group box's children are switched
// explicitly, not through the box).
void Check(const QList<QWidget *> &controls, int expect, bool preset, const char *what)
{
    for (const QWidget *w : controls)
        QVERIFY2(IsOn(w) == (expect == Same ? preset : expect == On),
                 qPrintable(QString("%1: %2").arg(what, w->objectName())));
}

std::unique_ptr<TMainForm> FormWithChannels(int n)
{
    auto form = std::make_unique<TMainForm>();
    form->Session->ChannelCount = n;
    form->CreateChannelTabs();
    return form;
}
} // namespace

void tst_windowrules::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("burst");
    QTest::addColumn<int>("duty");
    QTest::newRow("continuous / normal") << 0 << int(Off) << int(Off);
    QTest::newRow("single shot") << 1 << int(Off) << int(Off);
    QTest::newRow("burst") << 2 << int(On) << int(Off);
    QTest::newRow("duty cycle") << 3 << int(Off) << int(On);
    QTest::newRow("unknown mode leaves both") << 4 << int(Same) << int(Same);
}

void tst_windowrules::modes()
{
    QFETCH(int, mode);
    QFETCH(int, burst);
    QFETCH(int, duty);
    auto form = FormWithChannels(12);
    TMainForm &f = *form;
    const QList<QWidget *> sysBurst{f.BurstCountGrp, f.SysBurstAdj};
    const QList<QWidget *> sysDuty{f.DutyCycleGrp, f.SysDutyOnAdj, f.SysDutyOffAdj,
                                   f.SysCycleCountAdj};
    const QList<QWidget *> chBurst{f.ChBurstCountGrp[7], f.ChBurstAdj[7]};
    const QList<QWidget *> chDuty{f.ChDutyOnGrp[7], f.ChDutyOnAdj[7], f.ChDutyOffGrp[7],
                                  f.ChDutyOffAdj[7]};
    const QList<QWidget *> neighbour{f.ChBurstCountGrp[6], f.ChBurstAdj[6], f.ChDutyOnGrp[6],
                                     f.ChDutyOffAdj[6]};

    for (bool preset : {false, true}) {
        for (QWidget *w : sysBurst + sysDuty + chBurst + chDuty + neighbour)
            SetOn(w, preset);
        f.Session->Mirrors.SystemMode = mode;
        f.Session->ChannelConfigs[7].Mode = mode;
        f.Session->ChannelConfigs[6].Mode = mode == 2 ? 3 : 2; // whatever channel 7 is, not this

        f.SystemModesEnable();
        f.ChModesEnable(7);

        Check(sysBurst, burst, preset, "system burst");
        Check(sysDuty, duty, preset, "system duty cycle");
        Check(chBurst, burst, preset, "channel burst");
        Check(chDuty, duty, preset, "channel duty cycle");
        Check(neighbour, Same, preset, "another channel");
    }
}

void tst_windowrules::inputs_data()
{
    QTest::addColumn<int>("trigger1");
    QTest::addColumn<int>("trigger2");
    QTest::addColumn<int>("gate1");
    QTest::addColumn<int>("gate2");
    QTest::addColumn<int>("trig1Controls"); // threshold and edge of trigger 1
    QTest::addColumn<int>("trig2Edge");
    QTest::addColumn<int>("gate1Controls"); // threshold and logic of gate 1
    QTest::addColumn<int>("gate2Logic");
    QTest::addColumn<int>("shared");       // the trigger 2 / gate 2 threshold
    QTest::addColumn<int>("channelLists"); // every channel's gate mode and logic

    QTest::newRow("all disabled") << 0 << 0 << 0 << 0 << int(Off) << int(Off) << int(Off)
                                  << int(Off) << int(Off) << int(Off);
    QTest::newRow("trigger 1 on, gate 1 threshold independent")
        << 1 << 0 << 2 << 0 << int(On) << int(Off) << int(On) << int(Off) << int(Off) << int(Off);
    QTest::newRow("gate 2 pulse inhibit opens the shared threshold")
        << 0 << 0 << 0 << 1 << int(Off) << int(Off) << int(Off) << int(On) << int(On) << int(Off);
    QTest::newRow("trigger 2 opens the shared threshold")
        << 0 << 1 << 0 << 0 << int(Off) << int(On) << int(Off) << int(Off) << int(On) << int(Off);
    QTest::newRow("gate 1 channel opens every channel's lists")
        << 0 << 0 << 3 << 0 << int(Off) << int(Off) << int(On) << int(Off) << int(Off) << int(On);
    QTest::newRow("gate 2 channel opens them too")
        << 0 << 0 << 1 << 3 << int(Off) << int(Off) << int(On) << int(On) << int(On) << int(On);
    QTest::newRow("unknown trigger modes leave their controls")
        << 2 << 2 << 0 << 0 << int(Same) << int(Same) << int(Off) << int(Off) << int(On)
        << int(Off);
}

void tst_windowrules::inputs()
{
    QFETCH(int, trigger1);
    QFETCH(int, trigger2);
    QFETCH(int, gate1);
    QFETCH(int, gate2);
    QFETCH(int, trig1Controls);
    QFETCH(int, trig2Edge);
    QFETCH(int, gate1Controls);
    QFETCH(int, gate2Logic);
    QFETCH(int, shared);
    QFETCH(int, channelLists);

    auto form = FormWithChannels(24);
    TMainForm &f = *form;
    const QList<QWidget *> trig1{f.ExtThresholdGrp1, f.TrigThresholdAdj1, f.ExtTrigEdgeGrp1,
                                 f.TriggerEdgeSel1};
    const QList<QWidget *> trig2{f.ExtTrigEdgeGrp2, f.TriggerEdgeSel2};
    const QList<QWidget *> gate1Ctl{f.GateThresholdGrp1, f.GateThresholdAdj1, f.GateLogicGrp1,
                                    f.GateLogicSel1};
    const QList<QWidget *> gate2Ctl{f.GateLogicGrp2, f.GateLogicSel2};
    const QList<QWidget *> sharedCtl{f.TrigGateThresholdGrp2, f.TrigGateThresholdAdj2};
    QList<QWidget *> lists;
    QList<QWidget *> listGroups;
    for (int n = 1; n <= 24; ++n) {
        lists << f.ChGateModeSel[n] << f.ChGateLogicSel[n];
        listGroups << f.ChGateModeSel[n]->parentWidget() << f.ChGateLogicSel[n]->parentWidget();
    }
    // Never switched by any rule.
    const QList<QWidget *> others{f.TrigModeSel1,     f.TrigDebounceSel1,   f.GateModeSel2,
                                  f.GateDebounceSel1, f.ChSyncSourceSel[3], f.ChControlSel[3]};

    for (bool preset : {false, true}) {
        for (QWidget *w : trig1 + trig2 + gate1Ctl + gate2Ctl + sharedCtl + lists + others)
            SetOn(w, preset);
        f.Session->Mirrors.Trigger1Mode = trigger1;
        f.Session->Mirrors.Trigger2Mode = trigger2;
        f.Session->Mirrors.Gate1Mode = gate1;
        f.Session->Mirrors.Gate2Mode = gate2;

        f.TriggerModesEnable();
        f.GateModesEnable();

        Check(trig1, trig1Controls, preset, "trigger 1");
        Check(trig2, trig2Edge, preset, "trigger 2 edge");
        Check(gate1Ctl, gate1Controls, preset, "gate 1");
        Check(gate2Ctl, gate2Logic, preset, "gate 2 logic");
        Check(sharedCtl, shared, preset, "shared threshold");
        Check(lists, channelLists, preset, "channel gate lists");
        Check(listGroups, On, preset, "channel gate groups");
        Check(others, Same, preset, "controls no rule names");
    }
}

void tst_windowrules::resolutionRanges()
{
    auto form = FormWithChannels(12);
    TMainForm &f = *form;
    f.SetResolutionRanges(); // the instrument's limits

    QCOMPARE(f.PeriodAdj->Increment(), 5e-9);
    QCOMPARE(f.PeriodAdj->Decimals(), 9);
    QCOMPARE(f.PeriodAdj->MaxValue(), 5000.0);
    QCOMPARE(f.PeriodAdj->MinValue(), 5e-8);
    QCOMPARE(f.SysBurstAdj->MaxValue(), 4000000000.0);
    QCOMPARE(f.SysDutyOnAdj->MaxValue(), 4000000000.0);
    QCOMPARE(f.SysDutyOffAdj->MaxValue(), 4000000000.0);
    QCOMPARE(f.SysCycleCountAdj->MaxValue(), 10000000.0);
    for (int n : {1, 12}) {
        QCOMPARE(f.ChDelayAdj[n]->Increment(), 2.5e-10);
        QCOMPARE(f.ChDelayAdj[n]->Decimals(), 12);
        QCOMPARE(f.ChDelayAdj[n]->MinValue(), 0.0);
        QCOMPARE(f.ChDelayAdj[n]->MaxValue(), 2000.0);
        QCOMPARE(f.ChWidthAdj[n]->Increment(), 2.5e-10);
        QCOMPARE(f.ChWidthAdj[n]->Decimals(), 12);
        QCOMPARE(f.ChWidthAdj[n]->MinValue(), 1e-8);
        QCOMPARE(f.ChWidthAdj[n]->MaxValue(), 2000.0);
        QCOMPARE(f.ChBurstAdj[n]->MaxValue(), 10000000.0);
        QCOMPARE(f.ChDutyOnAdj[n]->MaxValue(), 10000000.0);
        QCOMPARE(f.ChDutyOffAdj[n]->MaxValue(), 10000000.0);
        QCOMPARE(f.ChWaitCountAdj[n]->MaxValue(), 10000000.0);
    }

    // What is applied is what TimingLimits holds, on every channel.
    f.Session->TimingLimits.PeriodMax = 100;
    f.Session->TimingLimits.DelayIncrement = 1e-9;
    f.Session->TimingLimits.ChWaitCountMax = 99;
    f.SetResolutionRanges();
    QCOMPARE(f.PeriodAdj->MaxValue(), 100.0);
    QCOMPARE(f.ChDelayAdj[12]->Increment(), 1e-9);
    QCOMPARE(f.ChWaitCountAdj[12]->MaxValue(), 99.0);
}

QTEST_MAIN(tst_windowrules)
#include "tst_windowrules.moc"
