// The configuration readback, with records forced through the emulator: the cases that
// catch real faults in splitting, tokens, conversions and the output-mode rule, and
// a malformed record, after which the window must still be usable.

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class tst_readback : public QObject
{
    Q_OBJECT
private slots:
    void channelRecord_data();
    void channelRecord();
    void systemRecord();
    void sharedThresholdShowsGate2();
    void malformedRecord_data();
    void malformedRecord();
    void incompleteUntilAReadbackCompletes();
};

namespace {
const QString Valid = "1 0.000001 0.00001 NORM 1 1 1 0 TTL NORM 5.00 0 DIS DIS DIS LOW";

// A panel connected to an emulator whose records are forced with --reply, before the
// readback runs.
struct Readback
{
    PanelFixture P;
    std::unique_ptr<TestEmulator> Emulator;
    TMainForm &Form = *P.Form;

    bool Start(const QStringList &arguments)
    {
        Emulator = P.Emulator(1, arguments);
        if (!Emulator->IsReady())
            return false;
        Form.FormCreate();
        return !Form.Terminating();
    }
    // As the launch timer runs it, without clearing the run state afterwards.
    void Initialize()
    {
        Form.LaunchTimer->stop();
        Form.Session->ReinitializePending = true;
        Form.Session->Initialize();
        Form.Session->ReinitializePending = false;
    }
};
} // namespace

void tst_readback::channelRecord_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QString>("error"); // why the record cannot be read; empty when it can

    QTest::newRow("enable field 2 leaves the channel unchecked")
        << "7310-12"
        << "2 0.000001 0.00001 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS DIS LOW"
        << "enabled" << QVariant(false) << "Enabled: not a number from 0 to 1";
    QTest::newRow("ADJ enables the amplitude")
        << "7310-12"
        << "1 0 0.00001 NORM 1 1 1 0 ADJ NORM 5 0 DIS DIS DIS LOW"
        << "amplitude" << QVariant(true) << QString();
    QTest::newRow("TTL disables the amplitude")
        << "7310-12"
        << "1 0 0.00001 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS DIS LOW"
        << "amplitude" << QVariant(false) << QString();
    QTest::newRow("another output mode leaves amplitude and list")
        << "7310-12"
        << "1 0 0.00001 NORM 1 1 1 0 CMOS NORM 5 0 DIS DIS DIS LOW"
        << "amplitude" << QVariant("unchanged") << "OutputMode: not one of TTL, ADJ";
    QTest::newRow("mask 21 on 12 channels checks 0, 2 and 4")
        << "7310-12"
        << "1 0 0.00001 NORM 1 1 1 0 TTL NORM 5 21 DIS DIS DIS LOW"
        << "mux" << QVariant(QVariantList{true, false, true, false, true}) << QString();
    QTest::newRow("mask 21 on 6 channels checks 0 and 2")
        << "7310-6"
        << "1 0 0.00001 NORM 1 1 1 0 TTL NORM 5 21 DIS DIS DIS LOW"
        << "mux" << QVariant(QVariantList{true, false, true, false}) << QString();
    QTest::newRow("a 17th field spoils the gate logic")
        << "7310-12"
        << "1 0 0.00001 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS DIS HIGH 7"
        << "gatelogic" << QVariant(0) << "GateLogic: not one of LOW, HIGH";
    QTest::newRow("every field in place")
        << "7310-12"
        << "0 0.0000025 0.00000075 BURS 12 3 4 5 ADJ INV 7.5 6 GATB SYNT OUTP HIGH"
        << "all" << QVariant() << QString();
}

void tst_readback::channelRecord()
{
    QFETCH(QString, model);
    QFETCH(QString, record);
    QFETCH(QString, check);
    QFETCH(QVariant, expected);
    QFETCH(QString, error);

    Readback r;
    QVERIFY(r.Start({"--model", model, "--reply", "*CFG?1?=" + record}));
    TMainForm &f = r.Form;
    // A state that only an untouched control keeps.
    f.ChAmplitudeAdjGrp[1]->setEnabled(false);
    f.ChAmplitudeAdj[1]->SetEnabled(false);

    r.Initialize();

    // A field that is none of its kind's values is applied as read, and the read-back
    // ends there, the values marked incomplete.
    QCOMPARE(r.P.Errors.Texts,
             error.isEmpty() ? QStringList()
                             : QStringList{QString("The reply to \"*CFG?1?\" cannot be read: "
                                                   "\"%1\" (%2).")
                                               .arg(record, error)});
    QCOMPARE(f.Session->ReadbackFailedQuery, error.isEmpty() ? QString() : QString("*CFG?1?"));
    QCOMPARE(f.Session->SettingsList.filter(QRegularExpression("^\\*CFG 1 ")),
             QStringList{"*CFG 1 " + record});
    const ChannelConfig &c = f.Session->ChannelConfigs[1];
    if (check == "enabled") {
        QCOMPARE(c.Enabled, 2);
        QCOMPARE(f.ChEnablebox[1]->isChecked(), expected.toBool());
    } else if (check == "amplitude") {
        const bool unchanged = expected.toString() == "unchanged";
        const bool on = unchanged ? false : expected.toBool();
        QCOMPARE(f.ChAmplitudeAdjGrp[1]->isEnabled(), on);
        QCOMPARE(f.ChAmplitudeAdj[1]->Enabled(), on);
        QCOMPARE(f.ChOutputModeSel[1]->currentIndex(), unchanged ? 0 : int(on));
        QCOMPARE(c.OutputMode, unchanged ? 0 : int(on));
    } else if (check == "mux") {
        const QVariantList marks = expected.toList();
        QCOMPARE(f.ChMuxSelect[1]->count(), marks.size());
        for (int i = 0; i < marks.size(); ++i)
            QCOMPARE(f.ChMuxSelect[1]->Checked(i), marks[i].toBool());
        QCOMPARE(c.MuxMask, 21);
    } else if (check == "gatelogic") {
        QCOMPARE(c.GateLogic, expected.toInt());
        QCOMPARE(f.ChGateLogicSel[1]->currentIndex(), expected.toInt());
    } else {
        QCOMPARE(f.ChEnablebox[1]->isChecked(), false);
        QCOMPARE(f.ChDelayAdj[1]->Value(), 2.5e-6);
        QCOMPARE(f.ChWidthAdj[1]->Value(), 7.5e-7);
        QCOMPARE(f.ChModeSel[1]->currentIndex(), 2);
        QCOMPARE(f.ChBurstAdj[1]->Value(), 12.0);
        QCOMPARE(f.ChDutyOnAdj[1]->Value(), 3.0);
        QCOMPARE(f.ChDutyOffAdj[1]->Value(), 4.0);
        QCOMPARE(f.ChWaitCountAdj[1]->Value(), 5.0);
        QCOMPARE(f.ChOutputModeSel[1]->currentIndex(), 1);
        QCOMPARE(f.ChPolaritySel[1]->currentIndex(), 1);
        QCOMPARE(f.ChAmplitudeAdj[1]->Value(), 7.5);
        QCOMPARE(f.ChMuxSelect[1]->Checked(1), true);
        QCOMPARE(f.ChMuxSelect[1]->Checked(2), true);
        QCOMPARE(f.ChControlSel[1]->currentIndex(), 2);
        QCOMPARE(f.ChSyncSourceSel[1]->currentIndex(), 3);
        QCOMPARE(f.ChGateModeSel[1]->currentIndex(), 2);
        QCOMPARE(f.ChGateLogicSel[1]->currentIndex(), 1);
        // Burst mode: burst count open, duty cycle closed (the rule ran after the record).
        QVERIFY(f.ChBurstCountGrp[1]->isEnabled());
        QVERIFY(!f.ChDutyOnGrp[1]->isEnabled());
    }
}

void tst_readback::systemRecord()
{
    Readback r;
    QVERIFY(r.Start({"--reply", "*CFG? 0?=1 0.001 BURS 4000000000 1 1 10"}));
    TMainForm &f = r.Form;

    r.Initialize();

    QVERIFY(r.P.Errors.Texts.isEmpty());
    QVERIFY(f.Session->Mirrors.SystemRunning);
    QCOMPARE(f.Session->Mirrors.SystemPeriod, 0.001);
    QCOMPARE(f.PeriodAdj->Value(), 0.001);
    QCOMPARE(f.Session->Mirrors.SystemMode, 2);
    QCOMPARE(f.SystemModeSel->currentIndex(), 2);
    QCOMPARE(f.SysBurstAdj->Value(), 4000000000.0);
    QCOMPARE(f.SysDutyOnAdj->Value(), 1.0);
    QCOMPARE(f.SysDutyOffAdj->Value(), 1.0);
    QCOMPARE(f.SysCycleCountAdj->Value(), 10.0);
    QVERIFY(f.BurstCountGrp->isEnabled());
    QVERIFY(f.SysBurstAdj->Enabled());
    QVERIFY(!f.DutyCycleGrp->isEnabled());
    QCOMPARE(f.Session->SettingsList[5], QString("*CFG 0 1 0.001 BURS 4000000000 1 1 10"));
}

void tst_readback::sharedThresholdShowsGate2()
{
    Readback r;
    QVERIFY(r.Start(
        {"--reply", "*CFG? 91?=TRIG FALL 1.5 ENAB", "--reply", "*CFG? 93?=CHAN HIGH 2.5 DIS"}));
    TMainForm &f = r.Form;

    r.Initialize();

    QCOMPARE(f.TrigGateThresholdAdj2->Value(), 2.5);
    QCOMPARE(f.TriggerEdgeSel2->currentIndex(), 1);
    QCOMPARE(f.TrigDebounceSel2->currentIndex(), 1);
    QCOMPARE(f.GateModeSel2->currentIndex(), 3);
    QCOMPARE(f.GateLogicSel2->currentIndex(), 1);
    // Gate 2 in "Channel" mode opens every channel's gate lists.
    for (int n = 1; n <= f.Session->ChannelCount; ++n) {
        QVERIFY(f.ChGateModeSel[n]->isEnabled());
        QVERIFY(f.ChGateLogicSel[n]->isEnabled());
    }
    QVERIFY(f.TrigGateThresholdGrp2->isEnabled());
}

void tst_readback::malformedRecord_data()
{
    QTest::addColumn<QString>("reply");    // LINE=REPLY
    QTest::addColumn<QString>("error");    // why the reply cannot be read
    QTest::addColumn<QString>("lastSent"); // nothing after this line went out
    QTest::newRow("two spaces between delay and width")
        << "*CFG?1?=1 0.000002  0.00001 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS DIS LOW"
        << "'' is not a valid floating point value"
        << "*CFG?1?";
    QTest::newRow("a letter in a count")
        << "*CFG?1?=1 0.000002 0.00001 NORM 1O 1 1 0 TTL NORM 5 0 DIS DIS DIS LOW"
        << "'1O' is not a valid integer value"
        << "*CFG?1?";
    QTest::newRow("a period that is no number") << "*CFG? 0?=1 abc NORM 1 1 1 0"
                                                << "'abc' is not a valid floating point value"
                                                << "*CFG? 0?";
}

void tst_readback::malformedRecord()
{
    QFETCH(QString, reply);
    QFETCH(QString, error);
    QFETCH(QString, lastSent);

    Readback r;
    QVERIFY(r.Start({"--reply", reply}));
    TMainForm &f = r.Form;
    f.ChEnablebox[1]->setChecked(false);

    r.Initialize();

    // The report names the query as sent and quotes the reply.
    QCOMPARE(r.P.Errors.Texts,
             QStringList{QString("The reply to \"%1\" cannot be read: \"%2\" (%3).")
                             .arg(lastSent, reply.section('=', 1), error)});
    // The record is abandoned at that field and nothing after it is read ...
    QCOMPARE(r.Emulator->Received().last(), lastSent);
    QVERIFY(f.Session->SettingsList.last().startsWith(lastSent == "*CFG?1?" ? QString("*CFG 1 ")
                                                                   : QString("*CFG 0 ")));
    if (lastSent == "*CFG?1?") {
        // ... the fields before it keep their new values ...
        QVERIFY(f.ChEnablebox[1]->isChecked());
        QCOMPARE(f.ChDelayAdj[1]->Value(), 2e-6);
    }
    // ... and the operator gets the window back: progress window closed, commands and
    // the status poll on.
    QVERIFY(!r.P.MessageForm.isVisible());
    QVERIFY(!f.Comm->CommandsDisabled);
    QVERIFY(f.Session->StatusTimer->isActive());
    QVERIFY(f.PeriodAdj->Enabled());
    // ... while it says that its values are incomplete, and which record failed
    QVERIFY(f.windowTitle().endsWith("  - VALUES INCOMPLETE: \"" + lastSent +
                                     "\" could not be read"));
    QVERIFY(f.ReadbackIncompletelbl->isVisibleTo(&f));
    QCOMPARE(f.ReadbackIncompletelbl->toolTip(), r.P.Errors.Texts.value(0));
}

void tst_readback::incompleteUntilAReadbackCompletes()
{
    // Channel 2's record is garbled once: the first read-back stops there, a Refresh reads
    // it all.
    Readback r;
    QVERIFY(r.Start({"--model", "7310-12", "--reply-once", "*CFG?2?=1 0.0000x"}));
    TMainForm &f = r.Form;
    r.Initialize();
    QCOMPARE(r.P.Errors.Texts.size(), 1);
    const QString caption = f.windowTitle();
    QVERIFY(caption.contains("VALUES INCOMPLETE"));
    QVERIFY(!f.Session->ReadbackFailure.isEmpty());

    r.Initialize();
    QCOMPARE(r.P.Errors.Texts.size(), 1);
    QVERIFY(f.Session->ReadbackFailure.isEmpty());
    QVERIFY(!f.ReadbackIncompletelbl->isVisibleTo(&f));
    QCOMPARE(f.windowTitle(), caption.section("  - VALUES INCOMPLETE", 0, 0));
}

QTEST_MAIN(tst_readback)
#include "tst_readback.moc"
