#pragma once

// The service window: the calibration factors of the input amplifiers and of every
// output channel, the serial number, the badge and the channel count, and the
// calibration file. Each change sends one command through the session's queue; "Store
// Cals" makes the instrument keep the factors. The read-backs and the file's replay are
// the session's; the window shows their values as they come.
//
// Its operations live in one file per concern: construction and layout
// (TServiceForm_Layout.cpp), the channel pages and the readback
// (TServiceForm_Calibration.cpp), the change handlers (TServiceForm.cpp) and the
// calibration file (TServiceForm_File.cpp).
//
// The channel handlers take the channel from the digits in the sender's name, so the
// names of the per-channel fields are part of the behaviour.

#include "protocol/ModelTable.h"
#include "session/InstrumentSession.h"

#include <QPointer>
#include <QVector>
#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

struct ChannelConfig;
class TMainForm;
enum class TCalInput;
enum class TCalFactor;
class TPageControl;
class TPlusSpinEdit;
class TRadioGroup;

class TServiceForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 673;
    static constexpr int ClientHeight = 325;
    // The channel counts of the "Channels" choice, by item.
    static constexpr int ChannelChoices[] = {6, 12, 24, 36};
    template <class T> using TChannelTable = std::array<T *, MaxChannels + 1>;

    explicit TServiceForm(TMainForm &mainForm, QWidget *parent = nullptr);
    ~TServiceForm() override;

    // ---- Input amplifiers --------------------------------------------------------
    QGroupBox *Trig1CalGrp = nullptr;
    QGroupBox *Trig1AmpGainGrp = nullptr;
    TPlusSpinEdit *Trig1AmpGainAdj = nullptr;
    QGroupBox *Trig1AmpOffGrp = nullptr;
    TPlusSpinEdit *Trig1AmpOffAdj = nullptr;
    QGroupBox *Gate1CalGrp = nullptr;
    QGroupBox *Gate1AmpGainGrp = nullptr;
    TPlusSpinEdit *Gate1AmpGainAdj = nullptr;
    QGroupBox *Gate1AmpOffGrp = nullptr;
    TPlusSpinEdit *Gate1AmpOffAdj = nullptr;
    QGroupBox *TrigGate2CalGrp = nullptr;
    QGroupBox *TrigGate2AmpGainGrp = nullptr;
    TPlusSpinEdit *TrigGate2AmpGainAdj = nullptr;
    QGroupBox *TrigGate2AmpOffGrp = nullptr;
    TPlusSpinEdit *TrigGate2AmpOffAdj = nullptr;

    // ---- Identity, file and store --------------------------------------------------
    TRadioGroup *CompanySel = nullptr;  // "MRD" (0), "KT" (1)
    TRadioGroup *NumChSelect = nullptr; // "6", "12", "24", "36"
    QGroupBox *SerialNumGrp = nullptr;
    QLineEdit *SerialNumEdit = nullptr;
    QPushButton *SerialNumSetBtn = nullptr;
    QPushButton *SaveCalsBtn = nullptr;
    QPushButton *LoadCalsBtn = nullptr;
    QPushButton *OptimizeCals = nullptr;
    QPushButton *StoreCalsBtn = nullptr;
    QLabel *StoreCalReminderLbl = nullptr;

    // ---- Channel pages (template page "Ch 1"; the others are generated) -----------
    TPageControl *ChPageCalibration = nullptr;
    QWidget *ChCal1 = nullptr;
    QGroupBox *ChCalGrp1 = nullptr;
    TChannelTable<TPlusSpinEdit> ChDelayCalAdj{};
    TChannelTable<TPlusSpinEdit> ChWidthCalAdj{};
    TChannelTable<TPlusSpinEdit> ChAmpGainAdj{};
    TChannelTable<TPlusSpinEdit> ChAmpOffAdj{};
    QVector<QPointer<QWidget>> FActiveCalControls;
    bool CalTabsCreated = false;
    int CalChannels = 1; // channels whose pages exist

    QTimer *CalTimer = nullptr;

    // ---- Operations ----------------------------------------------------------------
    void ServiceInitialize(bool report = true);
    // The session's calibration read-back for the channels whose pages exist, the fields
    // following it; while the port is busy, CalTimer tries again 100 ms later.
    void RetrieveCals(bool report = true);
    void CalTimerTimer();

    void Trig1AmpGainAdjChange(QObject *Sender);
    void Trig1AmpOffAdjChange(QObject *Sender);
    void TrigGate2AmpGainAdjChange(QObject *Sender);
    void TrigGate2AmpOffAdjChange(QObject *Sender);
    void Gate1AmpGainAdjChange(QObject *Sender);
    void Gate1AmpOffAdjChange(QObject *Sender);
    void SetChDelayCal(QObject *Sender);
    void SetChWidthCal(QObject *Sender);
    void SetChAmpGainCal(QObject *Sender);
    void SetChAmpOffCal(QObject *Sender);
    void SetBadge();
    void CompanySelClick(QObject *Sender);
    void NumChSelectClick(QObject *Sender);
    void SerialNumSetBtnClick();
    void StoreCalsBtnClick();
    void OptimizeCalsClick();
    void ChPageCalibrationChanging(QObject *Sender, bool &AllowChange);
    void ChPageCalibrationChange(QObject *Sender);

    // ---- Calibration file (TServiceForm_File.cpp) ----------------------------------
    void SaveCalsBtnClick();
    void LoadCalsBtnClick();
    void LoadCalibrations();

private:
    QWidget *Client = nullptr; // every control; scrolls where the screen is too small
    void CreateScreenFit();
    void CreateAmplifierGroups();
    void CreateIdentityControls();
    void CreateChannelTemplate();
    void CreateChannelPages();
    void CreateCalibrationParts();
    void ShowReminder();
    void AmplifierChange(QObject *Sender, TCalInput input, TCalFactor factor);
    void ChannelFactorChange(QObject *Sender, qint32 ChannelConfig::*mirror, TCalFactor factor);
    void HideProgress();
    // A factor field whose value was not read from the instrument shows no value of its
    // own: it is greyed, says why in its tool tip, and takes no input until a read-back
    // gives it one.
    void MarkFactorRead(TPlusSpinEdit *edit, bool read);
    QList<TPlusSpinEdit *> FactorFields() const;
    bool PortBusy() const;
    bool Abandoned() const;
    void WaitForOptimize();

    TMainForm &Main;
    InstrumentSession &Session; // the instrument's state: identity, channels, factors
    // Set while the readback fills the fields: the change handlers then only show the
    // reminder, so a value read outside a field's range stays as read in the program
    // and the delay factor carries nothing into the width factor.
    bool FReadingBack = false;
    bool FLoadRunning = false; // from the open dialog to the end of the load
    bool FStorePending = false; // a factor, the serial number or the badge changed since the last *STR
    QTimer *FOptimizeTimer = nullptr;
};
