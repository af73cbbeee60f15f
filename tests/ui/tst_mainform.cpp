#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TResponseList.h"
#include "ui/main/TrpVersionInfo.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMovie>
#include <QTest>
#include <QTimer>

class tst_mainform : public QObject
{
    Q_OBJECT
private slots:
    void controlsByName_data();
    void controlsByName();
    void numericLimits_data();
    void numericLimits();
    void frameAndRegions_data();
    void frameAndRegions();
    void startState();
    void versionFromTheBuild();
    void focusMemory();
};

// The caption a control shows, whatever its kind.
static QString Caption(const QObject *o)
{
    if (auto *g = qobject_cast<const QGroupBox *>(o))
        return g->title();
    if (auto *b = qobject_cast<const QAbstractButton *>(o))
        return b->text();
    if (auto *l = qobject_cast<const QLabel *>(o))
        return l->text();
    if (auto *a = qobject_cast<const QAction *>(o))
        return a->text();
    if (auto *m = qobject_cast<const QMenu *>(o))
        return m->title();
    return QString();
}

static QStringList Items(const QObject *o)
{
    QStringList items;
    if (auto *c = qobject_cast<const QComboBox *>(o))
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
    if (auto *l = qobject_cast<const TCheckListBox *>(o))
        items = l->Items();
    return items;
}

void tst_mainform::controlsByName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("items");

    auto row = [](const char *name, const char *kind, const char *caption = "",
                  QStringList items = {}) {
        QTest::newRow(name) << QString(kind) << QString(caption) << items;
    };
    // banner strip
    row("KTBlueBanner", "QLabel");
    row("MRDBanner", "QLabel");
    row("PulseAnimate", "QLabel");
    row("RunStopbtn", "QPushButton", "Run");
    // system options
    row("SystemPageControl", "TPageControl");
    row("PulseModeGrp", "QGroupBox", "Pulse Mode");
    row("SystemModeSel", "TComboBox", "", {"Continuous", "Single Shot", "Burst", "Duty Cycle"});
    row("PeriodAdj", "TPlusSpinEdit");
    row("DutyCycleGrp", "QGroupBox", "Duty Cycle");
    row("CycleCountGrp", "QGroupBox", "Cycle Counts");
    row("SyncOutputGrp", "QGroupBox", "Sync Output");
    row("SyncOutputSel", "TComboBox", "", {"T0", "Ch 1", "Ch 2", "Ch 4", "Ch 6", "Trig", "Gate"});
    row("AutoStartEnbl", "TCheckBox", "Auto Start");
    row("Externalgrp", "QGroupBox", "External Trigger/Gate");
    row("TriggerModeSelGrp2", "QGroupBox", "Trigger 2 Mode(F)");
    row("TrigModeSel1", "TComboBox", "", {"Disabled", "Triggered"});
    row("TriggerEdgeSel2", "TComboBox", "", {"Rising", "Falling"});
    row("TrigGateThresholdGrp2", "QGroupBox", "Trig/Gate 2 Threshold (V)");
    row("GateThresholdAdj1", "TPlusSpinEdit");
    row("GateModeSel2", "TComboBox", "",
        {"Disabled", "Pulse Inhibit", "Output Inhibit", "Channel"});
    row("GateLogicSel1", "TComboBox", "", {"Low", "High"});
    row("GateDebounceSel2", "TComboBox", "", {"Disabled", "Enabled"});
    row("ShotCountEnbl", "TCheckBox", "Enable");
    row("ClearShotCount", "QPushButton", "Clear");
    row("CounterSourceSel", "TComboBox", "", {"T0", "Ch 1", "Ch 6", "Ch 8", "Ch 10"});
    row("ShotCountlbl", "QLabel", "Count: ----");
    row("ExternalInputClkSel", "TComboBox", "",
        {"System Osc", "10 MHz Ext", "20 MHz Ext", "25 MHz Ext", "30 MHz Ext", "40 MHz Ext",
         "50 MHz Ext", "60 MHz Ext", "80 MHz Ext"});
    row("ExternalOutputClkSel", "TComboBox", "",
        {"To Pulse", "10 MHz", "20 MHz", "25 MHz", "30 MHz", "40 MHz", "50 MHz", "60 MHz", "80 MHz",
         "100 MHz"});
    // channel template
    row("ChannelGrp", "QGroupBox", "Channels");
    row("ChPageControl", "TPageControl");
    row("ChFunctGrp1", "QGroupBox", "");
    row("ChEnablebox1", "TCheckBox", "Enabled");
    row("ChPolarityGrp1", "QGroupBox", "Polarity");
    row("ChAmplitudeAdjGrp1", "QGroupBox", "Amplitude (V)");
    row("ChOutputModeSel1", "TComboBox", "", {"TTL/CMOS", "Adjustable"});
    row("ChGateModeSel1", "TComboBox", "", {"Disabled", "Pulse Inh", "Out Inh"});
    row("ChControlSel1", "TComboBox", "", {"Disabled", "Gate A", "Gate B", "Inhibit B"});
    row("ChGateLogicSel1", "TComboBox", "", {"Active Low", "Active High"});
    row("ChMuxSelect1", "TCheckListBox", "", {"0", "1", "2", "3", "4"});
    // terminal and information
    row("TerminalBoxgrp", "QGroupBox", "Command Terminal");
    row("SendEdit", "TComboBox");
    row("SendBtn", "QPushButton", "Send");
    row("ResponseList", "TResponseList");
    row("SystemInfoGrp", "QGroupBox", "System Information");
    row("FWVersionlbl", "QLabel", "Firmware Ver: ");
    // menus
    row("Exit1", "QAction", "Exit");
    row("RestartMenu", "QAction", "Restart App");
    row("SaveToBin", "QMenu", "Save To Bin");
    row("BinSave1", "QAction", "1");
    row("BinRestore0", "QAction", "Default 0");
    row("RestoreSettingsFromFile1", "QAction", "Restore Settings From File");
    row("RefreshMenu", "QAction", "Refresh");
    row("EnableLoggingMenu", "QAction", "Logging Enabled");
    row("ServiceWindowMenu", "QAction", "Service Window");
    row("WebSite1", "QAction", "Web Site");
    row("About1", "QAction", "About");
    // non-visual parts
    row("ComPort", "TKTComPort");
    row("StatusTimer", "QTimer");
    row("TaskTimer", "QTimer");
    row("LaunchTimer", "QTimer");
    row("VersionInfo", "TrpVersionInfo");
    row("OpenFile", "QFileDialog");
}

void tst_mainform::controlsByName()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QStringList, items);
    TMainForm w;
    const QString name = QTest::currentDataTag();
    const QList<QObject *> found = w.findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found[0]->inherits(kind.toLatin1()), found[0]->metaObject()->className());
    QCOMPARE(Caption(found[0]), caption);
    QCOMPARE(Items(found[0]), items);
}

void tst_mainform::numericLimits_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("grouped");
    QTest::newRow("PeriodAdj") << 9 << 1e-8 << 2e-7 << 5000.0 << true;
    QTest::newRow("SysBurstAdj") << 0 << 1.0 << 1.0 << 4e9 << true;
    QTest::newRow("SysDutyOffAdj") << 0 << 1.0 << 1.0 << 4e9 << true;
    QTest::newRow("SysCycleCountAdj") << 0 << 1.0 << 0.0 << 1e7 << true;
    QTest::newRow("TrigGateThresholdAdj2") << 2 << 0.01 << 0.2 << 15.0 << true;
    QTest::newRow("ChAmplitudeAdj1") << 2 << 0.01 << 2.0 << 20.0 << false;
    QTest::newRow("ChDutyOnAdj1") << 0 << 1.0 << 1.0 << 1e7 << true;
    QTest::newRow("ChWaitCountAdj1") << 0 << 1.0 << 0.0 << 1e7 << true;
}

void tst_mainform::numericLimits()
{
    QFETCH(int, decimals);
    QFETCH(double, step);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, grouped);
    TMainForm w;
    auto *e = w.findChild<TPlusSpinEdit *>(QTest::currentDataTag());
    QVERIFY(e);
    QCOMPARE(e->Decimals(), decimals);
    QCOMPARE(e->Increment(), step);
    QCOMPARE(e->MinValue(), min);
    QCOMPARE(e->MaxValue(), max);
    QCOMPARE(e->ThousandSeparator(), grouped ? QChar(u',') : QChar());
}

void tst_mainform::frameAndRegions_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::newRow("KTBlueBanner") << QRect(0, 0, 620, 72);
    QTest::newRow("PulseAnimate") << QRect(452, 0, 57, 41);
    QTest::newRow("RunStopbtn") << QRect(524, 0, 95, 68);
    QTest::newRow("SystemOptions") << QRect(0, 70, 619, 260);
    QTest::newRow("ChannelGrp") << QRect(0, 330, 749, 340);
    QTest::newRow("TerminalBoxgrp") << QRect(0, 670, 509, 118);
    QTest::newRow("SystemInfoGrp") << QRect(538, 670, 163, 118);
}

void tst_mainform::frameAndRegions()
{
    QFETCH(QRect, rect);
    TMainForm w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget *client = w.centralWidget();
    QCOMPARE(client->size(), QSize(751, 788));
    QCOMPARE(w.minimumSize(), w.maximumSize()); // not resizable
    auto *region = w.findChild<QWidget *>(QTest::currentDataTag());
    QVERIFY(region);
    QCOMPARE(QRect(region->mapTo(client, QPoint(0, 0)), region->size()), rect);
    QVERIFY(client->rect().contains(rect));
}

void tst_mainform::startState()
{
    TMainForm w;
    QCOMPARE(w.windowTitle(), QString("7310 Pulse Generator"));

    // Pages in their order, opened on "Additional Options" until initialization.
    QCOMPARE(w.SystemPageControl->PageCount(), 3);
    const char *pages[3][2] = {{"SystemPage", "System Options"},
                               {"ExtTrigGatePage", "External Trig/Gate"},
                               {"AdditionalPage", "Additional Options"}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(w.SystemPageControl->Page(i)->objectName(), QString(pages[i][0]));
        QCOMPARE(w.SystemPageControl->TabCaption(i), QString(pages[i][1]));
    }
    QCOMPARE(w.SystemPageControl->ActivePageIndex(), 2);
    QCOMPARE(w.ChPageControl->PageCount(), 1);
    QCOMPARE(w.ChPageControl->TabCaption(0), QString("Ch 1"));
    QCOMPARE(w.ChPageControl->Page(0), w.TabCh1);

    // Hidden at start: both banners, the animation, the service window item.
    QVERIFY(w.KTBlueBanner->isHidden());
    QVERIFY(w.MRDBanner->isHidden());
    QVERIFY(w.PulseAnimate->isHidden());
    QVERIFY(!w.ServiceWindowMenu->isVisible());
    QVERIFY(w.ServiceMenu->isVisible());
    QVERIFY(!w.KTBlueBanner->pixmap().isNull());
    QVERIFY(!w.MRDBanner->pixmap().isNull());
    QVERIFY(w.PulseMovie->isValid());
    QVERIFY(w.PulseMovie->frameCount() > 1);
    QCOMPARE(w.PulseMovie->speed(), 200);

    // Only the two mode lists show an item before the readback.
    QCOMPARE(w.SystemModeSel->currentIndex(), 0);
    QCOMPARE(w.ChModeSel[1]->currentIndex(), 0);
    for (QComboBox *c : {(QComboBox *)w.SyncOutputSel, (QComboBox *)w.TrigModeSel1,
                         (QComboBox *)w.ExternalInputClkSel, (QComboBox *)w.ChSyncSourceSel[1]})
        QCOMPARE(c->currentIndex(), -1);
    QVERIFY(w.ChEnablebox[1]->isChecked());

    // Timers stopped, with their intervals.
    QCOMPARE(w.Session->StatusTimer->interval(), 1000);
    QCOMPARE(w.Session->TaskTimer->interval(), 5);
    QCOMPARE(w.LaunchTimer->interval(), 500);
    QVERIFY(w.LaunchTimer->isSingleShot());
    QVERIFY(!w.Session->StatusTimer->isActive() && !w.Session->TaskTimer->isActive() && !w.LaunchTimer->isActive());

    // Channel 1 is in every table; the focus memory has one entry per page.
    QCOMPARE(w.ChDelayAdj[1]->objectName(), QString("ChDelayAdj1"));
    QCOMPARE(w.ChMuxSelect[1]->Columns(), 5);
    QCOMPARE(w.FActiveSysControls.size(), 3);
    QCOMPARE(w.FActiveChControls.size(), 1);
}

void tst_mainform::versionFromTheBuild()
{
    TMainForm w;
    QVERIFY(!w.VersionInfo->FileVersion().isEmpty());
    QCOMPARE(w.VersionInfo->FileVersion(), QString(KT7310_VERSION));
    QCOMPARE(w.VersionInfo->ProductVersion(), QString(KT7310_VERSION));
    QCOMPARE(TrpVersionInfo::VersionKey(TrpVersionInfo::vtFileVersion), QString("FileVersion"));
    QCOMPARE(TrpVersionInfo::VersionKey(TrpVersionInfo::vtComments), QString("Comments"));
}

void tst_mainform::focusMemory()
{
    TMainForm w;
    w.Session->ChannelCount = 6;
    w.CreateChannelTabs();
    w.SystemPageControl->SetActivePageIndex(0);
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto click = [](TPageControl *c, int i) {
        QTest::mouseClick(c->TabButton(i), Qt::LeftButton);
        QCOMPARE(c->ActivePageIndex(), i);
    };

    // System pages: a page never left moves no focus.
    w.SystemModeSel->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.SystemModeSel);
    w.SendEdit->setFocus(); // focus outside the pages while the page changes
    click(w.SystemPageControl, 1);
    QCOMPARE(QApplication::focusWidget(), w.SendEdit);

    // Each page restores its own control.
    w.GateLogicSel1->setFocus();
    click(w.SystemPageControl, 2);
    w.CounterSourceSel->setFocus();
    click(w.SystemPageControl, 1);
    QCOMPARE(QApplication::focusWidget(), w.GateLogicSel1);
    click(w.SystemPageControl, 2);
    QCOMPARE(QApplication::focusWidget(), w.CounterSourceSel);

    // Channel pages likewise.
    w.ChModeSel[1]->setFocus();
    click(w.ChPageControl, 3);
    w.ChPolaritySel[4]->setFocus();
    click(w.ChPageControl, 0);
    QCOMPARE(QApplication::focusWidget(), w.ChModeSel[1]);
    click(w.ChPageControl, 3);
    QCOMPARE(QApplication::focusWidget(), w.ChPolaritySel[4]);
    w.SendEdit->setFocus();
    click(w.ChPageControl, 5); // never left
    QCOMPARE(QApplication::focusWidget(), w.SendEdit);

    // Ctrl+Tab is a page change by the operator too: it remembers and restores.
    click(w.ChPageControl, 0);
    w.ChGateModeSel[1]->setFocus();
    QTest::keyClick(w.ChGateModeSel[1], Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.ChPageControl->ActivePageIndex(), 1);
    click(w.ChPageControl, 0);
    QCOMPARE(QApplication::focusWidget(), w.ChGateModeSel[1]);
}

QTEST_MAIN(tst_mainform)
#include "tst_mainform.moc"
