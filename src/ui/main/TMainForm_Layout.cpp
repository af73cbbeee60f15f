// The fixed parts of the main window: banner strip, system option pages, command
// terminal and system information. Rectangles are client-area pixels.

#include "ui/main/FormBuilders.h"
#include "ui/main/TMainForm.h"
#include "protocol/SettingTable.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TResponseList.h"
#include "ui/main/TScreenFit.h"

#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMovie>
#include <QPushButton>
#include <QScrollArea>

using namespace FormBuilders;

namespace {
// The lists show the setting table's labels, item for item.
QStringList Labels(TSettingScope scope, const char *setting)
{
    return SettingRow(scope, QString::fromLatin1(setting)).Labels;
}
constexpr unsigned long long MaxCount = 4000000000ULL;

QLabel *Picture(QWidget *parent, const char *name, QRect r)
{
    auto *p = new QLabel(parent);
    p->setObjectName(QLatin1String(name));
    p->setAttribute(Qt::WA_TranslucentBackground);
    p->setScaledContents(true);
    p->setGeometry(r);
    return p;
}

QLabel *Label(QWidget *parent, const char *name, const QString &text, QRect r)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    return l;
}

// A page of a tab control, sized to the page area of its control.
QWidget *Sheet(TPageControl *control, const char *name, const QString &caption)
{
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    control->AddPage(page, caption);
    return page;
}
} // namespace

void TMainForm::CreateBannerStrip(QWidget *client)
{
    KTBlueBanner = Picture(client, "KTBlueBanner", QRect(0, 0, 620, 72));
    KTBlueBanner->setPixmap(QPixmap(QStringLiteral(":/images/KTBlueBanner.jpg")));
    KTBlueBanner->hide();
    MRDBanner = Picture(client, "MRDBanner", QRect(0, 0, 620, 72));
    MRDBanner->setPixmap(QPixmap(QStringLiteral(":/images/MRDBanner.jpg")));
    MRDBanner->hide();

    // Visible and moving only while the instrument runs; stopped at start.
    PulseAnimate = Picture(client, "PulseAnimate", QRect(452, 0, 57, 41));
    PulseMovie = new QMovie(QStringLiteral(":/images/PulseAnimate.gif"), QByteArray(), this);
    PulseMovie->setObjectName(QStringLiteral("PulseMovie"));
    PulseMovie->setScaledSize(PulseAnimate->size());
    PulseMovie->setSpeed(200);
    PulseAnimate->setMovie(PulseMovie);
    PulseAnimate->hide();

    RunStopbtn = new QPushButton(QStringLiteral("Run"), client);
    RunStopbtn->setObjectName(QStringLiteral("RunStopbtn"));
    RunStopbtn->setFont(UiFont(21));
    RunStopbtn->setGeometry(524, 0, 95, 68);
    RunStopbtn->setToolTip(QStringLiteral("Starts(arms) or stops(disarms) the system"));
}

void TMainForm::CreateSystemOptions(QWidget *client)
{
    SystemOptions = Group(client, "SystemOptions", QString(), QRect(0, 70, 619, 260), 11);
    SystemPageControl = new TPageControl(SystemOptions);
    SystemPageControl->setObjectName(QStringLiteral("SystemPageControl"));
    SystemPageControl->SetTabFont(UiFont(TabPx));
    SystemPageControl->setGeometry(2, 3, 616, 255);

    // Page order matters: the status poll reads the shot count only on index 2.
    SystemPage = Sheet(SystemPageControl, "SystemPage", QStringLiteral("System Options"));
    ExtTrigGatePage =
        Sheet(SystemPageControl, "ExtTrigGatePage", QStringLiteral("External Trig/Gate"));
    AdditionalPage =
        Sheet(SystemPageControl, "AdditionalPage", QStringLiteral("Additional Options"));
    CreateSystemPage();
    CreateExtTrigGatePage();
    CreateAdditionalPage();

    SystemPageControl->SetActivePageIndex(2);
    SystemPageControl->SetOnChanging(
        [this](QObject *s, bool &allow) { SystemPageControlChanging(s, allow); });
    SystemPageControl->SetOnChange([this](QObject *s) { SystemPageControlChange(s); });
}

void TMainForm::CreateSystemPage()
{
    Systemgrp = Group(SystemPage, "Systemgrp", QStringLiteral("System"), QRect(2, 0, 606, 218));

    PulseModeGrp =
        Group(Systemgrp, "PulseModeGrp", QStringLiteral("Pulse Mode"), QRect(8, 18, 185, 55));
    SystemModeSel = Combo(PulseModeGrp, "SystemModeSel", Inner(PulseModeGrp),
                          Labels(TSettingScope::System, "PulseMode"), true);

    PeriodGrp = Group(Systemgrp, "PeriodGrp", QStringLiteral("Period"), QRect(8, 76, 185, 55));
    PeriodAdj = Numeric(PeriodGrp, "PeriodAdj", Inner(PeriodGrp, 26), 9, 1e-8, 2e-7, 5000);
    PeriodAdj->setToolTip(QStringLiteral("Sets system pulse period"));

    BurstCountGrp =
        Group(Systemgrp, "BurstCountGrp", QStringLiteral("Burst Count"), QRect(8, 134, 185, 55));
    SysBurstAdj =
        Numeric(BurstCountGrp, "SysBurstAdj", Inner(BurstCountGrp, 26), 0, 1, 1, double(MaxCount));
    SysBurstAdj->setToolTip(
        QStringLiteral("Sets number of burst counts when in system burst mode"));

    DutyCycleGrp =
        Group(Systemgrp, "DutyCycleGrp", QStringLiteral("Duty Cycle"), QRect(200, 18, 180, 192));
    OnCountGrp =
        Group(DutyCycleGrp, "OnCountGrp", QStringLiteral("On Counts"), QRect(8, 18, 164, 55));
    SysDutyOnAdj =
        Numeric(OnCountGrp, "SysDutyOnAdj", Inner(OnCountGrp, 26), 0, 1, 1, double(MaxCount));
    SysDutyOnAdj->setToolTip(
        QStringLiteral("Sets number of on counts when in system duty cycle mode"));
    OffCountGrp =
        Group(DutyCycleGrp, "OffCountGrp", QStringLiteral("Off Counts"), QRect(8, 76, 164, 55));
    SysDutyOffAdj =
        Numeric(OffCountGrp, "SysDutyOffAdj", Inner(OffCountGrp, 26), 0, 1, 1, double(MaxCount));
    SysDutyOffAdj->setToolTip(
        QStringLiteral("Sets number of off counts when in system duty cycle mode"));
    CycleCountGrp = Group(DutyCycleGrp, "CycleCountGrp", QStringLiteral("Cycle Counts"),
                          QRect(8, 134, 164, 52));
    SysCycleCountAdj =
        Numeric(CycleCountGrp, "SysCycleCountAdj", Inner(CycleCountGrp, 26), 0, 1, 0, 10000000);

    SyncOutputGrp =
        Group(Systemgrp, "SyncOutputGrp", QStringLiteral("Sync Output"), QRect(388, 18, 110, 55));
    SyncOutputSel = Combo(SyncOutputGrp, "SyncOutputSel", Inner(SyncOutputGrp),
                          Labels(TSettingScope::System, "SyncOutput"));

    AutoStartEnbl =
        Check(Systemgrp, "AutoStartEnbl", QStringLiteral("Auto Start"), QRect(508, 24, 92, 22));
    AutoStartEnbl->setFont(UiFont(GroupCaptionPx));
    AutoStartEnbl->setToolTip(QStringLiteral("Sets system auto start (will start on power up)"));
}

void TMainForm::CreateExtTrigGatePage()
{
    Externalgrp = Group(ExtTrigGatePage, "Externalgrp", QStringLiteral("External Trigger/Gate"),
                        QRect(2, 0, 606, 218));

    // Four columns (trigger 1, gate 1, trigger 2, gate 2) by four rows (mode, edge or
    // logic, threshold, debounce).
    const int col[4] = {8, 156, 304, 452};
    const int row[4] = {18, 67, 116, 165};
    const int w = 142;
    const int h = 48;
    auto cell = [&](int c, int r, int span = 1) {
        return QRect(col[c], row[r], w * span + (span - 1) * (col[1] - col[0] - w), h);
    };
    const QStringList DebounceItems = Labels(TSettingScope::Input, "Trigger1Debounce");
    const QStringList TriggerModeItems = Labels(TSettingScope::Input, "Trigger1Mode");
    const QStringList EdgeItems = Labels(TSettingScope::Input, "Trigger1Edge");
    const QStringList GateModeItems = Labels(TSettingScope::Input, "Gate1Mode");
    const QStringList GateLogicItems = Labels(TSettingScope::Input, "Gate1Logic");
    auto combo = [&](QGroupBox *g, const char *name, const QStringList &items) {
        return Combo(g, name, Inner(g, 22), items);
    };
    auto threshold = [&](QGroupBox *g, const char *name, const char *tip) {
        TPlusSpinEdit *e = Numeric(g, name, Inner(g, 24), 2, 0.01, 0.2, 15);
        e->setToolTip(QString::fromLatin1(tip));
        return e;
    };

    TriggerModeSelGrp1 =
        Group(Externalgrp, "TriggerModeSelGrp1", QStringLiteral("Trigger 1 Mode"), cell(0, 0));
    TrigModeSel1 = combo(TriggerModeSelGrp1, "TrigModeSel1", TriggerModeItems);
    ExtTrigEdgeGrp1 =
        Group(Externalgrp, "ExtTrigEdgeGrp1", QStringLiteral("Trigger 1 Edge"), cell(0, 1));
    TriggerEdgeSel1 = combo(ExtTrigEdgeGrp1, "TriggerEdgeSel1", EdgeItems);
    ExtThresholdGrp1 =
        Group(Externalgrp, "ExtThresholdGrp1", QStringLiteral("Threshold (V)"), cell(0, 2));
    TrigThresholdAdj1 =
        threshold(ExtThresholdGrp1, "TrigThresholdAdj1", "Sets input trigger/gate threshold level");
    TrigDebounceGrp1 =
        Group(Externalgrp, "TrigDebounceGrp1", QStringLiteral("Debounce"), cell(0, 3));
    TrigDebounceSel1 = combo(TrigDebounceGrp1, "TrigDebounceSel1", DebounceItems);

    GateModeGrp1 = Group(Externalgrp, "GateModeGrp1", QStringLiteral("Gate 1 Mode"), cell(1, 0));
    GateModeSel1 = combo(GateModeGrp1, "GateModeSel1", GateModeItems);
    GateLogicGrp1 = Group(Externalgrp, "GateLogicGrp1", QStringLiteral("Gate 1 Logic"), cell(1, 1));
    GateLogicSel1 = combo(GateLogicGrp1, "GateLogicSel1", GateLogicItems);
    GateThresholdGrp1 =
        Group(Externalgrp, "GateThresholdGrp1", QStringLiteral("Threshold (V)"), cell(1, 2));
    GateThresholdAdj1 =
        threshold(GateThresholdGrp1, "GateThresholdAdj1", "Sets input gate threshold level");
    GateDebounceGrp1 =
        Group(Externalgrp, "GateDebounceGrp1", QStringLiteral("Debounce"), cell(1, 3));
    GateDebounceSel1 = combo(GateDebounceGrp1, "GateDebounceSel1", DebounceItems);

    TriggerModeSelGrp2 =
        Group(Externalgrp, "TriggerModeSelGrp2", QStringLiteral("Trigger 2 Mode(F)"), cell(2, 0));
    TrigModeSel2 = combo(TriggerModeSelGrp2, "TrigModeSel2", TriggerModeItems);
    ExtTrigEdgeGrp2 =
        Group(Externalgrp, "ExtTrigEdgeGrp2", QStringLiteral("Trigger 2 Edge"), cell(2, 1));
    TriggerEdgeSel2 = combo(ExtTrigEdgeGrp2, "TriggerEdgeSel2", EdgeItems);
    // The second input has one threshold for its trigger and its gate.
    TrigGateThresholdGrp2 = Group(Externalgrp, "TrigGateThresholdGrp2",
                                  QStringLiteral("Trig/Gate 2 Threshold (V)"), cell(2, 2, 2));
    TrigGateThresholdAdj2 = threshold(TrigGateThresholdGrp2, "TrigGateThresholdAdj2",
                                      "Sets input trigger/gate threshold level");
    TrigGateThresholdAdj2->setGeometry(7, TrigGateThresholdAdj2->y(), w - 14,
                                       TrigGateThresholdAdj2->height());
    TrigDebounceGrp2 =
        Group(Externalgrp, "TrigDebounceGrp2", QStringLiteral("Debounce"), cell(2, 3));
    TrigDebounceSel2 = combo(TrigDebounceGrp2, "TrigDebounceSel2", DebounceItems);

    GateModeGrp2 = Group(Externalgrp, "GateModeGrp2", QStringLiteral("Gate 2 Mode(F)"), cell(3, 0));
    GateModeSel2 = combo(GateModeGrp2, "GateModeSel2", GateModeItems);
    GateLogicGrp2 = Group(Externalgrp, "GateLogicGrp2", QStringLiteral("Gate 2 Logic"), cell(3, 1));
    GateLogicSel2 = combo(GateLogicGrp2, "GateLogicSel2", GateLogicItems);
    GateDebounceGrp2 =
        Group(Externalgrp, "GateDebounceGrp2", QStringLiteral("Debounce"), cell(3, 3));
    GateDebounceSel2 = combo(GateDebounceGrp2, "GateDebounceSel2", DebounceItems);
}

void TMainForm::CreateAdditionalPage()
{
    ShotCounterGrp = Group(AdditionalPage, "ShotCounterGrp", QStringLiteral("Shot Counter"),
                           QRect(8, 8, 250, 124));
    ShotCountEnbl =
        Check(ShotCounterGrp, "ShotCountEnbl", QStringLiteral("Enable"), QRect(10, 24, 90, 22));
    ClearShotCount = new QPushButton(QStringLiteral("Clear"), ShotCounterGrp);
    ClearShotCount->setObjectName(QStringLiteral("ClearShotCount"));
    ClearShotCount->setGeometry(150, 22, 88, 26);
    CounterSourceSel = Combo(ShotCounterGrp, "CounterSourceSel", QRect(10, 56, 228, 24),
                             Labels(TSettingScope::System, "CounterSource"));
    ShotCountlbl = Label(ShotCounterGrp, "ShotCountlbl", QStringLiteral("Count: ----"),
                         QRect(10, 90, 228, 24));

    ExternalInputClkGrp = Group(AdditionalPage, "ExternalInputClkGrp",
                                QStringLiteral("External Input Clock"), QRect(270, 8, 160, 55));
    ExternalInputClkSel =
        Combo(ExternalInputClkGrp, "ExternalInputClkSel", Inner(ExternalInputClkGrp),
              Labels(TSettingScope::System, "InputClock"));
    ExternalOutputClkGrp = Group(AdditionalPage, "ExternalOutputClkGrp",
                                 QStringLiteral("External Output Clock"), QRect(440, 8, 160, 55));
    ExternalOutputClkSel =
        Combo(ExternalOutputClkGrp, "ExternalOutputClkSel", Inner(ExternalOutputClkGrp),
              Labels(TSettingScope::System, "OutputClock"));
}

void TMainForm::CreateTerminal(QWidget *client)
{
    // The window's client area ends at 788: the group keeps three pixels clear of it.
    TerminalBoxgrp = Group(client, "TerminalBoxgrp", QStringLiteral("Command Terminal"),
                           QRect(0, 670, 509, 118), 11);
    TerminalBoxgrp->setToolTip(QStringLiteral("Send and receive commands directly to unit"));

    SendEdit = new TComboBox(TerminalBoxgrp);
    SendEdit->setObjectName(QStringLiteral("SendEdit"));
    SendEdit->setEditable(true);
    SendEdit->setInsertPolicy(QComboBox::NoInsert); // the history is kept by the terminal code
    SendEdit->setGeometry(8, 18, 399, 24);

    SendBtn = new QPushButton(QStringLiteral("Send"), TerminalBoxgrp);
    SendBtn->setObjectName(QStringLiteral("SendBtn"));
    SendBtn->setGeometry(412, 18, 68, 24);

    ResponseList = new TResponseList(TerminalBoxgrp);
    ResponseList->setObjectName(QStringLiteral("ResponseList"));
    ResponseList->setGeometry(8, 45, 472, 70);
}

void TMainForm::CreateSystemInfo(QWidget *client)
{
    SystemInfoGrp = Group(client, "SystemInfoGrp", QStringLiteral("System Information"),
                          QRect(538, 670, 163, 118), 11);
    SystemInfoGrp->setToolTip(QStringLiteral("Information about unit"));
    SerialNumberlbl = Label(SystemInfoGrp, "SerialNumberlbl", QStringLiteral("Serial Number: "),
                            QRect(8, 24, 150, 20));
    FWVersionlbl = Label(SystemInfoGrp, "FWVersionlbl", QStringLiteral("Firmware Ver: "),
                         QRect(8, 52, 150, 20));
    FPGAVersionlbl =
        Label(SystemInfoGrp, "FPGAVersionlbl", QStringLiteral("FPGA Ver: "), QRect(8, 80, 150, 20));
    ReadbackIncompletelbl = Label(SystemInfoGrp, "ReadbackIncompletelbl",
                                  QStringLiteral("Values incomplete"), QRect(8, 98, 150, 18));
    ReadbackIncompletelbl->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    ReadbackIncompletelbl->hide();
}

void TMainForm::CreateScreenFit()
{
    auto natural = [this] {
        return QSize(ClientWidth, menuBar()->heightForWidth(ClientWidth) + ClientHeight);
    };
    // The client area keeps its fixed size and its controls; only its parent changes.
    auto setScrolls = [this](bool scrolls) {
        auto *scroll = qobject_cast<QScrollArea *>(centralWidget());
        if (scrolls == (scroll != nullptr))
            return;
        if (scrolls) {
            QWidget *client = takeCentralWidget();
            scroll = new QScrollArea;
            scroll->setObjectName(QStringLiteral("ClientScroll"));
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setWidget(client);
            client->show();
            setCentralWidget(scroll);
            layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
        } else {
            QWidget *client = scroll->takeWidget();
            delete takeCentralWidget();
            client->setAutoFillBackground(false);
            setCentralWidget(client);
            client->show();
            layout()->setSizeConstraint(QLayout::SetFixedSize);
            layout()->activate();
        }
    };
    new TScreenFit(this, natural, setScrolls);
}
