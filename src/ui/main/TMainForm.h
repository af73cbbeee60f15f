#pragma once

// The main window: every instrument setting as a named control. Handlers find a
// channel from the digits in the name of the control that raised the event, so the
// control names are part of the program's behaviour, not decoration.
//
// The window's operations live in one file per concern (TMainForm_<Concern>.cpp):
// construction and non-visual parts, the fixed layout, the channel tabs, the focus
// memory of the tab controls; further concerns add their own file and their members
// in the matching section below.

#include "base/NotifyEvent.h"
#include "platform/StartupPath.h"
#include "comm/PortOpenFailure.h"
#include "session/InstrumentSession.h"
#include "protocol/ModelTable.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TIdentityRecord.h"
#include "protocol/TSystemMirrors.h"
#include "protocol/TTimingLimits.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>

class QAction;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QMovie;
class QPushButton;
class QTimer;

class Communication;
class CommandScriptReplay;
class TBinMenu;
class TCheckBox;
class TCheckListBox;
class TComboBox;
class TKTComPort;
class TMessageForm;
class TPageControl;
class TPlusSpinEdit;
class TResponseList;
class TServiceForm;
class TrpVersionInfo;
class TTimingDiagramForm;

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 751;
    static constexpr int ClientHeight = 788;

    // A per-channel control table: entries 1 to 36, entry 0 unused.
    template <class T> using TChannelTable = std::array<T *, MaxChannels + 1>;

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // ---- The instrument -------------------------------------------------------------
    // Its link, state and operations live in the session, owned by the window; the
    // controls follow the session's signals and hand their changes to it.
    InstrumentSession *const Session;

    // ---- Banner strip -------------------------------------------------------------
    QLabel *KTBlueBanner = nullptr;
    QLabel *MRDBanner = nullptr;
    QLabel *PulseAnimate = nullptr;
    QMovie *PulseMovie = nullptr; // the animation shown by PulseAnimate
    QPushButton *RunStopbtn = nullptr;

    // ---- System options -------------------------------------------------------------
    QGroupBox *SystemOptions = nullptr;
    TPageControl *SystemPageControl = nullptr;
    QWidget *SystemPage = nullptr;
    QWidget *ExtTrigGatePage = nullptr;
    QWidget *AdditionalPage = nullptr;
    // page "System Options"
    QGroupBox *Systemgrp = nullptr;
    QGroupBox *PulseModeGrp = nullptr;
    TComboBox *SystemModeSel = nullptr;
    QGroupBox *PeriodGrp = nullptr;
    TPlusSpinEdit *PeriodAdj = nullptr;
    QGroupBox *BurstCountGrp = nullptr;
    TPlusSpinEdit *SysBurstAdj = nullptr;
    QGroupBox *DutyCycleGrp = nullptr;
    QGroupBox *OnCountGrp = nullptr;
    TPlusSpinEdit *SysDutyOnAdj = nullptr;
    QGroupBox *OffCountGrp = nullptr;
    TPlusSpinEdit *SysDutyOffAdj = nullptr;
    QGroupBox *CycleCountGrp = nullptr;
    TPlusSpinEdit *SysCycleCountAdj = nullptr;
    QGroupBox *SyncOutputGrp = nullptr;
    TComboBox *SyncOutputSel = nullptr;
    TCheckBox *AutoStartEnbl = nullptr;
    // page "External Trig/Gate"
    QGroupBox *Externalgrp = nullptr;
    QGroupBox *TriggerModeSelGrp1 = nullptr;
    TComboBox *TrigModeSel1 = nullptr;
    QGroupBox *ExtTrigEdgeGrp1 = nullptr;
    TComboBox *TriggerEdgeSel1 = nullptr;
    QGroupBox *ExtThresholdGrp1 = nullptr;
    TPlusSpinEdit *TrigThresholdAdj1 = nullptr;
    QGroupBox *TrigDebounceGrp1 = nullptr;
    TComboBox *TrigDebounceSel1 = nullptr;
    QGroupBox *GateModeGrp1 = nullptr;
    TComboBox *GateModeSel1 = nullptr;
    QGroupBox *GateLogicGrp1 = nullptr;
    TComboBox *GateLogicSel1 = nullptr;
    QGroupBox *GateThresholdGrp1 = nullptr;
    TPlusSpinEdit *GateThresholdAdj1 = nullptr;
    QGroupBox *GateDebounceGrp1 = nullptr;
    TComboBox *GateDebounceSel1 = nullptr;
    QGroupBox *TriggerModeSelGrp2 = nullptr;
    TComboBox *TrigModeSel2 = nullptr;
    QGroupBox *ExtTrigEdgeGrp2 = nullptr;
    TComboBox *TriggerEdgeSel2 = nullptr;
    QGroupBox *TrigGateThresholdGrp2 = nullptr;
    TPlusSpinEdit *TrigGateThresholdAdj2 = nullptr;
    QGroupBox *TrigDebounceGrp2 = nullptr;
    TComboBox *TrigDebounceSel2 = nullptr;
    QGroupBox *GateModeGrp2 = nullptr;
    TComboBox *GateModeSel2 = nullptr;
    QGroupBox *GateLogicGrp2 = nullptr;
    TComboBox *GateLogicSel2 = nullptr;
    QGroupBox *GateDebounceGrp2 = nullptr;
    TComboBox *GateDebounceSel2 = nullptr;
    // page "Additional Options"
    QGroupBox *ShotCounterGrp = nullptr;
    TCheckBox *ShotCountEnbl = nullptr;
    QPushButton *ClearShotCount = nullptr;
    TComboBox *CounterSourceSel = nullptr;
    QLabel *ShotCountlbl = nullptr;
    QGroupBox *ExternalInputClkGrp = nullptr;
    TComboBox *ExternalInputClkSel = nullptr;
    QGroupBox *ExternalOutputClkGrp = nullptr;
    TComboBox *ExternalOutputClkSel = nullptr;

    // ---- Channels (template tab "Ch 1"; the others are generated) ------------------
    QGroupBox *ChannelGrp = nullptr;
    TPageControl *ChPageControl = nullptr;
    QWidget *TabCh1 = nullptr;

    // ---- Command terminal and system information -----------------------------------
    QGroupBox *TerminalBoxgrp = nullptr;
    TComboBox *SendEdit = nullptr;
    QPushButton *SendBtn = nullptr;
    TResponseList *ResponseList = nullptr;
    QGroupBox *SystemInfoGrp = nullptr;
    QLabel *SerialNumberlbl = nullptr;
    QLabel *FWVersionlbl = nullptr;
    QLabel *ReadbackIncompletelbl = nullptr; // "Values incomplete", shown after a failed read-back
    QLabel *FPGAVersionlbl = nullptr;

    // ---- Menu bar ---------------------------------------------------------------------
    QMenu *File1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *RestartMenu = nullptr;
    QMenu *Storage1 = nullptr;
    TBinMenu *SaveToBin = nullptr;
    QAction *BinSave1 = nullptr;
    TBinMenu *RestoreFromBin = nullptr;
    QAction *BinRestore0 = nullptr;
    QAction *BinRestore1 = nullptr;
    QAction *SaveToFile1 = nullptr;
    QAction *RestoreSettingsFromFile1 = nullptr;
    QMenu *Tools1 = nullptr;
    QAction *RefreshMenu = nullptr;
    QAction *CaptureScreenShot1 = nullptr;
    QAction *EnableLoggingMenu = nullptr;
    QAction *ServiceMenu = nullptr;
    QAction *ServiceWindowMenu = nullptr;
    QMenu *Help1 = nullptr;
    QAction *WebSite1 = nullptr;
    QAction *About1 = nullptr;

    // ---- Non-visual components ----------------------------------------------------------
    // The session's serial component (the command queue's task tick and the status poll's
    // timer are the session's too).
    TKTComPort *ComPort = nullptr;
    QTimer *LaunchTimer = nullptr;
    TrpVersionInfo *VersionInfo = nullptr;
    QFileDialog *OpenFile = nullptr;
    // The session's transactions and log: the start-up code wires its terminal to
    // ResponseList and its questions to the window.
    Communication *Comm = nullptr;

    // ---- Channel tabs (TMainForm_ChannelTabs.cpp) --------------------------------------
    bool ChannelTabsCreated = false;

    TChannelTable<TCheckBox> ChEnablebox{};
    TChannelTable<TPlusSpinEdit> ChDelayAdj{};
    TChannelTable<TPlusSpinEdit> ChWidthAdj{};
    TChannelTable<TComboBox> ChModeSel{};
    TChannelTable<TPlusSpinEdit> ChAmplitudeAdj{};
    TChannelTable<TComboBox> ChOutputModeSel{};
    TChannelTable<QGroupBox> ChAmplitudeAdjGrp{};
    TChannelTable<TPlusSpinEdit> ChBurstAdj{};
    TChannelTable<QGroupBox> ChBurstCountGrp{};
    TChannelTable<TPlusSpinEdit> ChWaitCountAdj{};
    TChannelTable<TComboBox> ChSyncSourceSel{};
    TChannelTable<TComboBox> ChPolaritySel{};
    TChannelTable<TPlusSpinEdit> ChDutyOnAdj{};
    TChannelTable<QGroupBox> ChDutyOnGrp{};
    TChannelTable<TPlusSpinEdit> ChDutyOffAdj{};
    TChannelTable<QGroupBox> ChDutyOffGrp{};
    TChannelTable<TComboBox> ChGateModeSel{};
    TChannelTable<TCheckListBox> ChMuxSelect{};
    TChannelTable<TComboBox> ChControlSel{};
    TChannelTable<TComboBox> ChGateLogicSel{};

    // Generates the tab sheets of channels 2 to ChannelCount from the channel-1
    // template and fills the per-channel tables for them.
    void CreateChannelTabs();
    // Fills entry chnum of every per-channel table from the controls named for that
    // channel; false (and the entry left empty) for a name that is missing or of the
    // wrong kind.
    bool BindChannelControls(int chnum);

    // ---- Focus memory of the tab controls (TMainForm_Focus.cpp) ------------------------
    QVector<QPointer<QWidget>> FActiveSysControls;
    QVector<QPointer<QWidget>> FActiveChControls;

    void SystemPageControlChanging(QObject *Sender, bool &AllowChange);
    void SystemPageControlChange(QObject *Sender);
    void ChPageControlChanging(QObject *Sender, bool &AllowChange);
    void ChPageControlChange(QObject *Sender);

    // ---- Start-up and run control (TMainForm_Startup.cpp) -----------------------------
    // How the start-up goes on: keys held at start or their command-line switches, set
    // by the program entry before FormCreate.
    TStartupPath StartupPath = TStartupPath::Discovery;
    bool LogSwitch = false;              // the command-line switch "log"
    QStringList ProgramOptions;          // options a restart passes on besides "-log"
    std::function<bool()> LeftShiftHeld; // asked again when no device was found
    QPointer<TMessageForm> MessageForm;  // the progress window, made by the entry

    void FormCreate();
    bool FindInstrument();
    void ParseIDN();
    void LaunchTimerTimer();
    void RestartApp();
    void ExitApp();
    // The fresh instance's command line: ProgramOptions, and "-log" while logging is on
    // (before the start-up has applied the switch, while it was given).
    QStringList RestartArguments() const;
    void FormClose();
    void Exit1Click();
    void RestartMenuClick();
    // The session's reports on its link: the operator is asked what to do.
    void ReplyMissing(const TLinkFault &fault, InstrumentSession::TReplyMissingAnswer &answer);
    void LinkAbandoned(bool restart);
    void PortLost(const TLinkFault &fault);
    void ToggleLoggingState();
    void EnableLoggingMenuClick();
    // Restart or exit was decided: the window is never shown (again), and every
    // operation under way stops at its next transaction.
    bool Terminating() const;

    // ---- Ports the scan could not open (TMainForm_Startup.cpp) --------------------------
    // Why each port the last scan could not open was refused; told to the operator when
    // nothing was found.
    QList<PortOpenFailure> ScanOpenFailures;

    // ---- Initialization and readback (TMainForm_Initialize.cpp, _Readback.cpp) ---------
    // The session reads the configuration (InstrumentSession::Initialize); the window
    // follows it: progress, captions, the controls set value by value.

    // Until a read-back completes, the caption and System Information say that the
    // controls of the records not read hold template or stale values.
    void ShowReadbackState();
    void UpdateChMux(int chnum);

    // ---- Availability and resolution rules (TMainForm_Rules.cpp) -----------------------
    void SystemModesEnable();
    void ChModesEnable(int chnum);
    void OutputModeEnable(int chnum, int outputMode); // the output-mode rule
    void TriggerModesEnable();
    void GateModesEnable();
    void SetResolutionRanges();

    // ---- Storage bins (TMainForm_Bins.cpp) ----------------------------------------------
    bool StorageBinsCreated = false;
    void UpdateStorageBins();
    void SaveStorageBin(QObject *Sender);   // "*SAV n" through the queue
    void RecallStorageBin(QObject *Sender); // "*RCL n" and the re-read on the next task tick

    // ---- Settings file, terminal and tools (TMainForm_SettingsFile.cpp, _Terminal.cpp,
    // _Tools.cpp) -------------------------------------------------------------------------
    void SaveToFile1Click();
    void RestoreSettingsFromFile1Click();
    void SendBtnClick();
    // Key is the character typed into SendEdit; set to null when the box must not get it.
    void SendEditKeyPress(QObject *Sender, QChar &Key);
    void RefreshMenuClick();
    void CaptureScreenShot1Click();
    void WebSite1Click();
    void About1Click();
    // The text of the About box, six lines separated by CR LF.
    QString AboutText() const;
    // The web-site address for a company badge; empty for a badge of no known company.
    static QString WebSiteAddress(const QString &company);

    // ---- Service window (TMainForm_Service.cpp) -----------------------------------------
    // The service window, made hidden by the program entry and living until exit (a
    // test may run the window without one).
    QPointer<TServiceForm> ServiceForm;
    // The status tick's last step once the service code was accepted: the menu item
    // "Service Window" appears and the service window is prepared and shown, not modal.
    void ShowServiceWindow();
    void ServiceMenuClick();       // "Tools", "Service": the service code
    void ServiceWindowMenuClick(); // "Tools", "Service Window"

    // ---- Run control and the session's queue and poll (TMainForm_Queue.cpp, _Status.cpp) --
    // The service window is shown at the end of the next status poll.
    bool ServiceWindowPending = false;

    void RunStopbtnClick();
    // The run state as the window shows it, following the session: the button's caption
    // ("Stop" while running) and the pulse animation.
    void ShowRunState(bool running);

    // ---- Timing diagram (TMainForm_Diagram.cpp) -----------------------------------------
    // "Timing Diagram", the last item of "Tools": a non-modal window drawing the mirrors,
    // made when first asked for and redrawn on every ConfigurationChanged.
    QAction *TimingDiagram1 = nullptr;
    QPointer<TTimingDiagramForm> TimingDiagramForm;
    void TimingDiagram1Click();
    TTimingDiagramForm *ShowTimingDiagram();
    void CreateDiagramParts();

    // ---- Setting handlers (TMainForm_ChannelSettings.cpp, _SystemSettings.cpp,
    // _TriggerSettings.cpp) ------------------------------------------------------------
    // Each reads its control, applies the window's rules (resolution, availability) and
    // hands the value to the session (ChangeSetting), which keeps it and queues its line.
    // The channel handlers serve every channel: they are bound to the channel-1 template
    // before the generated tabs copy it, and take the channel from the sender's name.
    void SetChEnableState(QObject *Sender);
    void SetChannelDelay(QObject *Sender);
    void SetChannelWidth(QObject *Sender);
    void SetChannelMode(QObject *Sender);
    void SetChannelBurst(QObject *Sender);
    void SetChannelWaitCount(QObject *Sender);
    void SetChannelDCOn(QObject *Sender);
    void SetChannelDCOff(QObject *Sender);
    void SetChannelPolarity(QObject *Sender);
    void SetChannelOutputMode(QObject *Sender);
    void SetChAmplitude(QObject *Sender);
    void SetChannelMux(QObject *Sender);
    void SetChannelControlMode(QObject *Sender);
    void SetChannelSyncSource(QObject *Sender);
    void SetChannelGateMode(QObject *Sender);
    void SetChannelGateLogic(QObject *Sender);

    void PeriodAdjChange(QObject *Sender);
    void SystemModeSelChange(QObject *Sender);
    void SysBurstAdjChange(QObject *Sender);
    void SysDutyOnAdjChange(QObject *Sender);
    void SysDutyOffAdjChange(QObject *Sender);
    void SysCycleCountAdjChange(QObject *Sender);
    void AutoStartEnblClick(QObject *Sender);
    void SyncOutputSelChange(QObject *Sender);
    void ExternalInputClkSelChange(QObject *Sender);
    void ExternalOutputClkSelChange(QObject *Sender);
    void ShotCountEnblClick(QObject *Sender);
    void ClearShotCountClick(QObject *Sender);
    void CounterSourceSelChange(QObject *Sender);

    void TrigModeSel1Change(QObject *Sender);
    void TrigModeSel2Change(QObject *Sender);
    void TriggerEdgeSel1Change(QObject *Sender);
    void TriggerEdgeSel2Change(QObject *Sender);
    void TrigDebounceSel1Change(QObject *Sender);
    void TrigDebounceSel2Change(QObject *Sender);
    void TrigThresholdAdj1Change(QObject *Sender);
    void TrigGateThresholdAdj2Change(QObject *Sender);
    void GateThresholdAdj1Change(QObject *Sender);
    void GateModeSel1Change(QObject *Sender);
    void GateModeSel2Change(QObject *Sender);
    void GateLogicSel1Change(QObject *Sender);
    void GateLogicSel2Change(QObject *Sender);
    void GateDebounceSel1Change(QObject *Sender);
    void GateDebounceSel2Change(QObject *Sender);

signals:
    // The session's ConfigurationChanged, passed on: the mirrors (ChannelConfigs, Mirrors)
    // may have changed. Views that draw the configuration (the timing diagram) follow it.
    void ConfigurationChanged();

public:

protected:
    void closeEvent(QCloseEvent *event) override; // FormClose

private:
    // construction, by region (TMainForm_Layout.cpp, TMainForm_ChannelTabs.cpp)
    void CreateBannerStrip(QWidget *client);
    void CreateSystemOptions(QWidget *client);
    void CreateSystemPage();
    void CreateExtTrigGatePage();
    void CreateAdditionalPage();
    void CreateChannelsRegion(QWidget *client);
    void CreateChannelTemplate();
    void CreateTerminal(QWidget *client);
    void CreateSystemInfo(QWidget *client);
    void CreateScreenFit();
    void CreateMenus();
    void CreateNonVisual();

    // start-up and initialization (TMainForm_Startup.cpp, _Initialize.cpp, _Readback.cpp)
    void CreateStartupParts();
    void EnterDemoMode();
    void EndRun();
    // The read-back followed (TMainForm_Initialize.cpp, _Readback.cpp): each value read is
    // written into its control.
    void CreateReadbackParts();
    void InitializeStarted(bool showProgress);
    void IdentityKnown(const TIdentityTexts &texts);
    void InitializeEnded(bool showProgress);
    void ShowSystemField(TSystemField field);
    void ShowInputField(int record, TInputField field);
    void ShowChannelField(int chnum, TChannelField field, bool matched);
    void ShowQueryValue(TConfigItem item, bool changed);
    void SharedThresholdEnable();
    bool FLogSwitchApplied = false;
    // Ends the program once the queue was sent (notSent of it did not go out), or
    // restarts it when the restart asked for that.
    // The queue's changes go out before the end or the restart, shown in the progress
    // window; false when there is nothing that can be sent.
    bool SendQueueFirst();
    void EndProgram(int notSent);
    bool FRestartWhenFinished = false;

    // service window (TMainForm_Service.cpp)
    void CreateServiceParts();
    // status poll (TMainForm_Status.cpp)
    void CreateStatusParts();

    // command queue and status poll (TMainForm_Queue.cpp)
    void CreateQueueParts();

    // storage bins, settings file, terminal and tools (TMainForm_Bins.cpp,
    // _SettingsFile.cpp, _Terminal.cpp, _Tools.cpp)
    void CreateStorageParts();
    void CreateTerminalParts();
    void CreateToolsParts();
    // A file operation started while a transaction, a drain, an initialization or a
    // replay is under way further up the call stack starts again once that is over.
    bool FileOperationMustWait(void (TMainForm::*operation)());

    // setting handlers bound to their controls (TMainForm_*Settings.cpp)
    TNotifyEvent Handler(void (TMainForm::*handler)(QObject *Sender));
    void CreateChannelSettingHandlers();
    void CreateSystemSettingHandlers();
    void CreateTriggerSettingHandlers();
};
