// The service window's change handlers: one command per change, through the session's
// queue, and the store reminder.

#include "ui/service/TServiceForm.h"

#include "base/ErrorReport.h"
#include "base/NameNumber.h"
#include "protocol/Conversions.h"
#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"
#include "ui/service/TRadioGroup.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <iterator>

namespace {
// The channel of a per-channel field: the digits of its name.
int IntValueOf(const QObject *sender)
{
    return static_cast<const TPlusSpinEdit *>(sender)->IntValue();
}
} // namespace

void TServiceForm::ShowReminder()
{
    if (!FReadingBack)
        FStorePending = true;
    StoreCalReminderLbl->show();
}

// ---------------------------------------------------------------- input amplifiers

void TServiceForm::AmplifierChange(QObject *Sender, TCalInput input, TCalFactor factor)
{
    if (!FReadingBack) {
        qint32 &value = Session.Calibration.Input(input, factor);
        value = IntValueOf(Sender);
        Session.QueuedCommandToPort(InputCalCommand(input, factor, value));
    }
    ShowReminder();
}

void TServiceForm::Trig1AmpGainAdjChange(QObject *Sender)
{
    AmplifierChange(Sender, TCalInput::Trigger1, TCalFactor::Gain);
}

void TServiceForm::Trig1AmpOffAdjChange(QObject *Sender)
{
    AmplifierChange(Sender, TCalInput::Trigger1, TCalFactor::Offset);
}

void TServiceForm::TrigGate2AmpGainAdjChange(QObject *Sender)
{
    AmplifierChange(Sender, TCalInput::Trigger2, TCalFactor::Gain);
}

void TServiceForm::TrigGate2AmpOffAdjChange(QObject *Sender)
{
    AmplifierChange(Sender, TCalInput::Trigger2, TCalFactor::Offset);
}

void TServiceForm::Gate1AmpGainAdjChange(QObject *Sender)
{
    AmplifierChange(Sender, TCalInput::Gate1, TCalFactor::Gain);
}

void TServiceForm::Gate1AmpOffAdjChange(QObject *Sender)
{
    AmplifierChange(Sender, TCalInput::Gate1, TCalFactor::Offset);
}

// ---------------------------------------------------------------- channel factors

// A channel factor's field: its mirror, then its command.
void TServiceForm::ChannelFactorChange(QObject *Sender, qint32 ChannelConfig::*mirror,
                                       TCalFactor factor)
{
    if (!FReadingBack) {
        const int n = NameNumber(Sender);
        const qint32 v = IntValueOf(Sender);
        Session.ChannelConfigs[n].*mirror = v;
        Session.QueuedCommandToPort(ChCalCommand(n, factor, v));
    }
    ShowReminder();
}

void TServiceForm::SetChWidthCal(QObject *Sender)
{
    ChannelFactorChange(Sender, &ChannelConfig::WidthCal, TCalFactor::Width);
}

void TServiceForm::SetChAmpGainCal(QObject *Sender)
{
    ChannelFactorChange(Sender, &ChannelConfig::AmpGainCal, TCalFactor::Gain);
}

void TServiceForm::SetChAmpOffCal(QObject *Sender)
{
    ChannelFactorChange(Sender, &ChannelConfig::AmpOffsetCal, TCalFactor::Offset);
}

// The delay factor carries the width factor along by the same step, within the width
// field's limits; the width command follows the delay command.
void TServiceForm::SetChDelayCal(QObject *Sender)
{
    if (FReadingBack) {
        ShowReminder();
        return;
    }
    const int n = NameNumber(Sender);
    const qint32 d = IntValueOf(Sender);
    ChannelConfig &c = Session.ChannelConfigs[n];
    c.WidthCal = c.WidthCal + d - c.DelayCal;
    c.DelayCal = d;
    Session.QueuedCommandToPort(ChCalCommand(n, TCalFactor::Delay, d));
    ShowReminder();

    TPlusSpinEdit *width = ChWidthCalAdj[n];
    if (!width)
        return;
    c.WidthCal = qBound(qint32(width->MinValue()), c.WidthCal, qint32(width->MaxValue()));
    width->AssignValue(c.WidthCal);
}

// ---------------------------------------------------------------- identity

void TServiceForm::SetBadge()
{
    Session.Calibration.BadgeIndex = CompanySel->ItemIndex();
    // The chosen count goes to the instrument only: the panel keeps the channels it was
    // built for until a read-back after a restart finds the new model.
    int channels = Session.ChannelCount;
    const int index = NumChSelect->ItemIndex();
    if (index >= 0 && index < int(std::size(ChannelChoices)))
        channels = ChannelChoices[index];
    Session.QueuedCommandToPort(BadgeCommand(Session.Calibration.BadgeIndex, channels));
    ShowReminder();
}

void TServiceForm::CompanySelClick(QObject *)
{
    SetBadge();
}

void TServiceForm::NumChSelectClick(QObject *)
{
    SetBadge();
    ShowReminder();
}

void TServiceForm::SerialNumSetBtnClick()
{
    qint32 serial = 0;
    try {
        serial = StrToInt(SerialNumEdit->text());
    } catch (const EConvertError &error) {
        ReportError(error.Message);
        return;
    }
    Session.Identity.SerialNumber = serial;
    Session.QueuedCommandToPort(SerialNumberCommand(serial));
    ShowReminder();
}

void TServiceForm::StoreCalsBtnClick()
{
    for (int slot = 0; slot <= 2; ++slot)
        Session.QueuedCommandToPort(StoreCalibrationCommand(slot));
    FStorePending = false;
    StoreCalReminderLbl->hide();
}

// ---------------------------------------------------------------- page focus memory

void TServiceForm::ChPageCalibrationChanging(QObject *, bool &)
{
    const int page = ChPageCalibration->ActivePageIndex();
    QWidget *focus = QApplication::focusWidget();
    if (page >= 0 && page < FActiveCalControls.size() && focus &&
        ChPageCalibration->Page(page)->isAncestorOf(focus))
        FActiveCalControls[page] = focus;
}

void TServiceForm::ChPageCalibrationChange(QObject *)
{
    const int page = ChPageCalibration->ActivePageIndex();
    if (page >= 0 && page < FActiveCalControls.size() && FActiveCalControls[page])
        FActiveCalControls[page]->setFocus(Qt::OtherFocusReason);
}
