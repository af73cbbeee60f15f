// Every setting handler end to end: the operator's action on a control of the real
// window, the real queue and task timer, the port, and the exact lines the emulator
// received and accepted ("OK").

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TPageControl.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <map>

class tst_wire : public QObject
{
    Q_OBJECT
private slots:
    void cleanupTestCase();
    void wire_data();
    void wire();
    void localEffects_data();
    void localEffects();

private:
    struct Panel
    {
        PanelFixture P;
        std::unique_ptr<TestEmulator> Emulator;
    };
    Panel *PanelFor(const QString &model);
    std::map<QString, std::unique_ptr<Panel>> FPanels;
};

namespace {
QObject *Named(TMainForm &form, const QString &name)
{
    return form.findChild<QObject *>(name);
}

// The operator brings the control into view: a click on the tab of every page it is on,
// outermost first.
void ShowPagesOf(QWidget *control)
{
    QList<QPair<TPageControl *, QWidget *>> pages;
    for (QWidget *w = control; w && w->parentWidget(); w = w->parentWidget()) {
        for (QWidget *up = w->parentWidget(); up; up = up->parentWidget()) {
            auto *pc = qobject_cast<TPageControl *>(up);
            if (pc && pc->IndexOf(w) >= 0) {
                pages.prepend({pc, w});
                break;
            }
        }
    }
    for (const auto &[pc, page] : pages) {
        if (pc->ActivePage() != page)
            QTest::mouseClick(pc->TabButton(pc->IndexOf(page)), Qt::LeftButton);
    }
}

bool IsEnabled(const QObject *control)
{
    if (auto *edit = qobject_cast<const TPlusSpinEdit *>(control))
        return edit->Enabled() && edit->isEnabled();
    auto *widget = qobject_cast<const QWidget *>(control);
    return widget && widget->isEnabled();
}

// One operator action, as "<kind> <control> [argument]":
//   value <edit> <v>      the field's Value set to v (the setter raises OnChange)
//   pick <list> <i>       item i chosen with one arrow key from its neighbour
//   click <box> <0|1>     a mouse click that leaves the box unchecked (0) or checked (1)
//   check <list> <i>      Space on item i of a check list, which was unchecked
//   clear <list>          every item of a check list unchecked from code (no event)
//   press <button>        a mouse click on a push button
//   type <edit> <k> <d>   the key of digit d typed with the focus on the field's place k
bool Act(TMainForm &form, const QString &action)
{
    const QStringList a = action.split(u' ');
    QObject *control = Named(form, a.value(1));
    if (!control) {
        qWarning("no control named %s", qPrintable(a.value(1)));
        return false;
    }
    const QString kind = a[0];
    if (auto *widget = qobject_cast<QWidget *>(control); kind != QLatin1String("clear"))
        ShowPagesOf(widget);
    if (kind == QLatin1String("value")) {
        auto *edit = qobject_cast<TPlusSpinEdit *>(control);
        const double v = a.value(2).toDouble();
        if (edit->Value() == v) // so that the setter sees a change
            edit->SetValue(v == edit->MinValue() ? edit->MaxValue() : edit->MinValue());
        edit->AssignValue(v);
    } else if (kind == QLatin1String("pick")) {
        auto *list = qobject_cast<TComboBox *>(control);
        const int item = a.value(2).toInt();
        const bool fromAbove = item > 0;
        list->setCurrentIndex(fromAbove ? item - 1 : item + 1);
        QTest::keyClick(list, fromAbove ? Qt::Key_Down : Qt::Key_Up);
        if (list->currentIndex() != item)
            return false;
    } else if (kind == QLatin1String("click")) {
        auto *box = qobject_cast<TCheckBox *>(control);
        const bool wanted = a.value(2) == QLatin1String("1");
        box->setChecked(!wanted);
        QTest::mouseClick(box, Qt::LeftButton);
        if (box->isChecked() != wanted)
            return false;
    } else if (kind == QLatin1String("check")) {
        auto *list = qobject_cast<TCheckListBox *>(control);
        const int item = a.value(2).toInt();
        list->setFocus();
        list->setCurrentRow(item);
        QTest::keyClick(list->viewport(), Qt::Key_Space);
        if (!list->Checked(item))
            return false;
    } else if (kind == QLatin1String("clear")) {
        auto *list = qobject_cast<TCheckListBox *>(control);
        for (int i = 0; i < list->count(); ++i)
            list->SetChecked(i, false);
    } else if (kind == QLatin1String("type")) {
        auto *edit = qobject_cast<TPlusSpinEdit *>(control);
        edit->setFocus();
        edit->SetIncExponent(a.value(2).toInt());
        QTest::keyClick(edit, a.value(3).at(0).toLatin1());
    } else if (kind == QLatin1String("press")) {
        QTest::mouseClick(qobject_cast<QPushButton *>(control), Qt::LeftButton);
    } else {
        return false;
    }
    return true;
}
} // namespace

tst_wire::Panel *tst_wire::PanelFor(const QString &model)
{
    auto &panel = FPanels[model];
    if (panel)
        return panel.get();
    panel = std::make_unique<Panel>();
    panel->Emulator = panel->P.Emulator(1, {"--model", model});
    if (!panel->Emulator->IsReady())
        return nullptr;
    TMainForm &form = *panel->P.Form;
    form.FormCreate();
    form.LaunchTimerTimer();
    // The poll's own lines would mingle with the commands under test.
    form.Session->SetStatusTimerEnabled(false);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return nullptr;
    return panel.get();
}

void tst_wire::cleanupTestCase()
{
    FPanels.clear();
}

void tst_wire::wire_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("lines");
    // Controls whose availability is noted each time a line is queued, and what must be
    // noted ("1" all enabled, "0" not), one character per line.
    QTest::addColumn<QStringList>("watched");
    QTest::addColumn<QString>("availability");
    auto row = [](const char *name, const QStringList &actions, const QStringList &lines,
                  const QString &model = "7310-12") {
        QTest::newRow(name) << model << actions << lines << QStringList() << QString();
    };

    // Channel settings, on channels other than 1.
    row("enable off", {"click ChEnablebox4 0"}, {":PULS4:STAT 0"});
    row("enable on", {"click ChEnablebox4 1"}, {":PULS4:STAT 1"});
    row("delay 1e-7 s", {"value ChDelayAdj2 1e-7"}, {":PULS2:DEL 0.00000010000"});
    row("off-grid delay refused, previous one re-sent",
        {"value ChDelayAdj2 1e-7", "value ChDelayAdj2 0.000000100001"},
        {":PULS2:DEL 0.00000010000", ":PULS2:DEL 0.00000010000"});
    row("width 2000 s", {"value ChWidthAdj3 2000"}, {":PULS3:WIDT 2000.00000000000"});
    row("mode", {"pick ChModeSel6 2"}, {":PULS6:MOD BURS"});
    row("burst count", {"value ChBurstAdj7 12"}, {":PULS7:BCO 12"});
    row("wait count", {"value ChWaitCountAdj8 3"}, {":PULS8:WCO 3"});
    row("duty on", {"value ChDutyOnAdj9 4"}, {":PULS9:PCO 4"});
    row("duty off", {"value ChDutyOffAdj10 5"}, {":PULS10:OCO 5"});
    row("polarity", {"pick ChPolaritySel11 1"}, {":PULS11:OUTP:POL INV"});
    // The amplitude controls follow the output mode before its line is queued.
    QTest::newRow("output mode") << "7310-12"
                                 << QStringList{"pick ChOutputModeSel3 0",
                                                "pick ChOutputModeSel3 1"}
                                 << QStringList{":PULS3:OUTP:MOD TTL", ":PULS3:OUTP:MOD ADJ"}
                                 << QStringList{"ChAmplitudeAdjGrp3", "ChAmplitudeAdj3"} << "01";
    row("amplitude 3.456 V", {"value ChAmplitudeAdj12 3.456"}, {":PULS12:OUTP:AMPL 3.46"});
    row("multiplexer items 1 and 4",
        {"clear ChMuxSelect5", "check ChMuxSelect5 1", "check ChMuxSelect5 4"},
        {":PULS5:MUX 2", ":PULS5:MUX 18"});
    row("multiplexer of a 6-channel model", {"clear ChMuxSelect2", "check ChMuxSelect2 3"},
        {":PULS2:MUX 8"}, "462K-6");
    row("channel control", {"pick ChControlSel2 3"}, {":PULS2:CONT INHB"});
    row("sync source", {"pick ChSyncSourceSel4 2"}, {":PULS4:SYNC SYNB"});
    row("sync source, last item", {"pick ChSyncSourceSel5 3"}, {":PULS5:SYNC SYNT"});
    // The channel gate lists take input only while a gate input is in "Channel" mode.
    row("channel gate mode", {"pick GateModeSel1 3", "pick ChGateModeSel5 1"},
        {":GATE1:MOD CHAN", ":PULS5:CGAT PULS"});
    row("channel gate logic", {"pick GateModeSel2 3", "pick ChGateLogicSel6 1"},
        {":GATE2:MOD CHAN", ":PULS6:CLOG HIGH"});

    // System settings.
    row("period", {"value PeriodAdj 0.001"}, {":PULS0:PER 0.001000000"});
    row("off-grid period refused, previous one re-sent",
        {"value PeriodAdj 0.001", "value PeriodAdj 0.001000001"},
        {":PULS0:PER 0.001000000", ":PULS0:PER 0.001000000"});
    // A digit that would leave the period's limits is refused, not clamped to them.
    row("period digit below the minimum refused, nothing sent",
        {"value PeriodAdj 0.001", "type PeriodAdj -3 0", "type PeriodAdj -3 2"},
        {":PULS0:PER 0.001000000", ":PULS0:PER 0.002000000"});
    row("system mode", {"pick SystemModeSel 3"}, {":PULS0:MOD DCYC"});
    row("system burst count unsigned", {"value SysBurstAdj 4000000000"}, {":PULS0:BCO 4000000000"});
    row("system duty on", {"value SysDutyOnAdj 7"}, {":PULS0:PCO 7"});
    row("system duty off", {"value SysDutyOffAdj 8"}, {":PULS0:OCO 8"});
    row("cycle count", {"value SysCycleCountAdj 9"}, {":PULS0:CYCL 9"});
    row("auto start", {"click AutoStartEnbl 1"}, {":SYST:AUT 1"});
    row("sync output T0", {"pick SyncOutputSel 0"}, {":SYST:SYNC T0"});
    row("sync output Ch4", {"pick SyncOutputSel 3"}, {":SYST:SYNC Ch4"});
    row("input clock SYS", {"pick ExternalInputClkSel 0"}, {":SYST:ICL SYS"});
    row("output clock T0", {"pick ExternalOutputClkSel 0"}, {":SYST:OCL T0"});
    row("shot counter", {"click ShotCountEnbl 0"}, {":COUN:STAT 0"});
    row("clear shot count", {"press ClearShotCount"}, {":COUN:CL 1"});
    row("counter source CH10", {"pick CounterSourceSel 4"}, {":COUN:SEL CH10"});

    // Trigger and gate inputs: GATE for mode and level, GAT for logic and debounce.
    row("trigger 1 mode", {"pick TrigModeSel1 1"}, {":TRIG1:MOD TRIG"});
    row("trigger 2 mode", {"pick TrigModeSel2 1"}, {":TRIG2:MOD TRIG"});
    row("trigger 1 edge", {"pick TrigModeSel1 1", "pick TriggerEdgeSel1 1"},
        {":TRIG1:MOD TRIG", ":TRIG1:EDG FALL"});
    row("trigger 2 edge", {"pick TrigModeSel2 1", "pick TriggerEdgeSel2 1"},
        {":TRIG2:MOD TRIG", ":TRIG2:EDG FALL"});
    row("trigger 1 debounce", {"pick TrigDebounceSel1 1"}, {":TRIG1:DEB ENAB"});
    row("trigger 2 debounce", {"pick TrigDebounceSel2 1"}, {":TRIG2:DEB ENAB"});
    row("trigger 1 threshold", {"value TrigThresholdAdj1 2.5"}, {":TRIG1:LEV 2.50"});
    row("shared threshold", {"value TrigGateThresholdAdj2 1.25"}, {":TRIG2:LEV 1.25"});
    row("gate 1 threshold", {"value GateThresholdAdj1 0.2"}, {":GATE1:LEV 0.20"});
    row("gate 1 mode", {"pick GateModeSel1 1"}, {":GATE1:MOD PULS"});
    row("gate 2 mode", {"pick GateModeSel2 3"}, {":GATE2:MOD CHAN"});
    row("gate 1 logic", {"pick GateModeSel1 1", "pick GateLogicSel1 1"},
        {":GATE1:MOD PULS", ":GAT1:LOG HIGH"});
    row("gate 2 logic", {"pick GateModeSel2 2", "pick GateLogicSel2 1"},
        {":GATE2:MOD OUTP", ":GAT2:LOG HIGH"});
    row("gate 1 debounce", {"pick GateDebounceSel1 1"}, {":GAT1:DEB ENAB"});
    row("gate 2 debounce", {"pick GateDebounceSel2 1"}, {":GAT2:DEB ENAB"});
}

void tst_wire::wire()
{
    QFETCH(QString, model);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, watched);
    QFETCH(QString, availability);

    Panel *panel = PanelFor(model);
    QVERIFY(panel);
    TMainForm &form = *panel->P.Form;
    QVERIFY(!form.Comm->CommandsDisabled);
    const qsizetype mark = panel->Emulator->Exchanges().size();

    QString noted;
    QMetaObject::Connection watch;
    if (!watched.isEmpty()) {
        watch = connect(&form, &TMainForm::ConfigurationChanged, this, [&] {
            bool on = true;
            for (const QString &name : watched)
                on = on && IsEnabled(Named(form, name));
            noted += on ? u'1' : u'0';
        });
    }
    for (const QString &action : actions)
        QVERIFY2(Act(form, action), qPrintable(action));
    disconnect(watch);
    QCOMPARE(noted, availability);

    QList<QPair<QString, QString>> expected;
    for (const QString &line : lines)
        expected.append({line, QStringLiteral("OK")});
    QTRY_COMPARE_WITH_TIMEOUT(panel->Emulator->Exchanges().mid(mark), expected, 5000);
    QTest::qWait(60); // two task ticks and more: nothing further follows
    QCOMPARE(panel->Emulator->Exchanges().mid(mark), expected);
    QVERIFY2(panel->P.Errors.Texts.isEmpty(), qPrintable(panel->P.Errors.Texts.join('\n')));
}

void tst_wire::localEffects_data()
{
    QTest::addColumn<bool>("commandsDisabled");
    QTest::newRow("operator's change") << false;
    QTest::newRow("during a readback") << true;
}

// What a handler does besides its line: the mirror, already written when the queue
// announces the change (the timing diagram draws from it), and the availability rules.
// While a readback has commands disabled the same happens and nothing is sent.
void tst_wire::localEffects()
{
    QFETCH(bool, commandsDisabled);
    Panel *panel = PanelFor("7310-12");
    QVERIFY(panel);
    TMainForm &f = *panel->P.Form;
    ChannelConfig &c = f.Session->ChannelConfigs[7];
    ChannelConfig &c5 = f.Session->ChannelConfigs[5];
    TSystemMirrors &m = f.Session->Mirrors;
    const int unset = 99;
    struct Step
    {
        QString action;
        std::function<void()> spoil;  // the mirror set to a value no action gives
        std::function<bool()> stored; // the mirror holds the operator's choice
        std::function<bool()> rules;  // the availability that follows it
    };
    const QList<Step> steps{
        {"pick ChModeSel7 2", [&] { c.Mode = unset; }, [&] { return c.Mode == 2; },
         [&] { return f.ChBurstAdj[7]->Enabled() && !f.ChDutyOnAdj[7]->Enabled(); }},
        {"pick ChOutputModeSel7 1", [&] { c.OutputMode = unset; },
         [&] { return c.OutputMode == 1; }, [&] { return f.ChAmplitudeAdj[7]->Enabled(); }},
        {"value ChDelayAdj7 5e-7", [&] { c.Delay = unset; }, [&] { return c.Delay == 5e-7; },
         [] { return true; }},
        {"click ChEnablebox7 0", [&] { c.Enabled = unset; }, [&] { return c.Enabled == 0; },
         [] { return true; }},
        {"pick ChSyncSourceSel5 3", [&] { c5.SyncSource = unset; },
         [&] { return c5.SyncSource == 3; }, [] { return true; }},
        {"pick SystemModeSel 2", [&] { m.SystemMode = unset; }, [&] { return m.SystemMode == 2; },
         [&] { return f.SysBurstAdj->Enabled() && !f.SysDutyOnAdj->Enabled(); }},
        {"pick GateModeSel1 3", [&] { m.Gate1Mode = unset; }, [&] { return m.Gate1Mode == 3; },
         [&] { return f.ChGateModeSel[7]->isEnabled(); }},
        {"pick TrigModeSel2 0", [&] { m.Trigger2Mode = unset; },
         [&] { return m.Trigger2Mode == 0; }, [&] { return !f.TriggerEdgeSel2->isEnabled(); }},
    };

    const qsizetype mark = panel->Emulator->Received().size();
    f.Comm->CommandsDisabled = commandsDisabled;
    for (const Step &step : steps) {
        step.spoil();
        int announced = 0;
        bool storedWhenAnnounced = true;
        const auto watch = connect(&f, &TMainForm::ConfigurationChanged, this, [&] {
            ++announced;
            storedWhenAnnounced = storedWhenAnnounced && step.stored();
        });
        const bool acted = Act(f, step.action);
        disconnect(watch);
        QVERIFY2(acted, qPrintable(step.action));
        QVERIFY2(step.stored(), qPrintable(step.action));
        QVERIFY2(step.rules(), qPrintable(step.action));
        QCOMPARE(announced, commandsDisabled ? 0 : 1);
        QVERIFY2(storedWhenAnnounced, qPrintable(step.action));
    }
    f.Comm->CommandsDisabled = false;
    if (commandsDisabled) {
        QTest::qWait(100);
        QCOMPARE(panel->Emulator->Received().mid(mark), QStringList());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(panel->Emulator->Received().size() - mark, steps.size(), 5000);
    }
}

QTEST_MAIN(tst_wire)
#include "tst_wire.moc"
