// The channel setting handlers: one set for all channels, bound to the channel-1
// template (the generated tabs copy them) and finding their channel in the sender's name.
// A mirror is written before its line is queued: queuing announces ConfigurationChanged,
// and what follows it (the timing diagram) must find the new value.

#include "protocol/CheckResolution.h"
#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "base/NameNumber.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"
#include "protocol/SettingTable.h"

namespace {
// The digits of the control's name: "ChDelayAdj12" gives 12. A name without a channel
// in the tables' range gives 0, which the handlers ignore.
int SenderChannel(const QObject *Sender)
{
    const int chnum = NameNumber(Sender);
    return chnum >= 1 && chnum <= MaxChannels ? chnum : 0;
}

template <class T> T *Control(QObject *Sender, int &chnum)
{
    chnum = SenderChannel(Sender);
    return chnum ? qobject_cast<T *>(Sender) : nullptr;
}
} // namespace

TNotifyEvent TMainForm::Handler(void (TMainForm::*handler)(QObject *Sender))
{
    return [this, handler](QObject *Sender) { (this->*handler)(Sender); };
}


namespace {
const TSettingRow &ChRow(const char *name)
{
    return SettingRow(TSettingScope::Channel, QString::fromLatin1(name));
}
} // namespace

void TMainForm::CreateChannelSettingHandlers()
{
    const int n = 1;
    ChEnablebox[n]->SetOnClick(Handler(&TMainForm::SetChEnableState));
    ChDelayAdj[n]->SetOnChange(Handler(&TMainForm::SetChannelDelay));
    ChWidthAdj[n]->SetOnChange(Handler(&TMainForm::SetChannelWidth));
    ChModeSel[n]->SetOnChange(Handler(&TMainForm::SetChannelMode));
    ChBurstAdj[n]->SetOnChange(Handler(&TMainForm::SetChannelBurst));
    ChWaitCountAdj[n]->SetOnChange(Handler(&TMainForm::SetChannelWaitCount));
    ChDutyOnAdj[n]->SetOnChange(Handler(&TMainForm::SetChannelDCOn));
    ChDutyOffAdj[n]->SetOnChange(Handler(&TMainForm::SetChannelDCOff));
    ChPolaritySel[n]->SetOnChange(Handler(&TMainForm::SetChannelPolarity));
    ChOutputModeSel[n]->SetOnChange(Handler(&TMainForm::SetChannelOutputMode));
    ChAmplitudeAdj[n]->SetOnChange(Handler(&TMainForm::SetChAmplitude));
    ChMuxSelect[n]->SetOnClickCheck(Handler(&TMainForm::SetChannelMux));
    ChControlSel[n]->SetOnChange(Handler(&TMainForm::SetChannelControlMode));
    ChSyncSourceSel[n]->SetOnChange(Handler(&TMainForm::SetChannelSyncSource));
    ChGateModeSel[n]->SetOnChange(Handler(&TMainForm::SetChannelGateMode));
    ChGateLogicSel[n]->SetOnChange(Handler(&TMainForm::SetChannelGateLogic));
}

void TMainForm::SetChEnableState(QObject *Sender)
{
    int n = 0;
    auto *box = Control<TCheckBox>(Sender, n);
    if (!box)
        return;
    Session->ChangeSetting(ChRow("Enabled"), box->isChecked() ? 1 : 0, n);
}

// A value off the instrument's grid is not sent: the field goes back to the last accepted
// value, and the Value setter raises this handler again with it when it differs.
void TMainForm::SetChannelDelay(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    const double v = edit->Value();
    if (CheckResolution(v, Session->TimingLimits.DelayIncrement)) {
        Session->ChangeSetting(ChRow("Delay"), v, n);
    } else {
        edit->AssignValue(Session->ChannelConfigs[n].Delay);
    }
}

void TMainForm::SetChannelWidth(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    const double v = edit->Value();
    if (CheckResolution(v, Session->TimingLimits.WidthIncrement)) {
        Session->ChangeSetting(ChRow("Width"), v, n);
    } else {
        edit->AssignValue(Session->ChannelConfigs[n].Width);
    }
}

void TMainForm::SetChannelMode(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    Session->ChangeSetting(ChRow("Mode"), item, n);
    ChModesEnable(n);
}

void TMainForm::SetChannelBurst(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    Session->ChangeSetting(ChRow("BurstCount"), qint32(RoundCount(edit->Value())), n);
}

void TMainForm::SetChannelWaitCount(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    Session->ChangeSetting(ChRow("WaitCount"), qint32(RoundCount(edit->Value())), n);
}

void TMainForm::SetChannelDCOn(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    Session->ChangeSetting(ChRow("DutyCycleOn"), qint32(RoundCount(edit->Value())), n);
}

void TMainForm::SetChannelDCOff(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    Session->ChangeSetting(ChRow("DutyCycleOff"), qint32(RoundCount(edit->Value())), n);
}

void TMainForm::SetChannelPolarity(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    Session->ChangeSetting(ChRow("Polarity"), item, n);
}

// The amplitude controls follow the output mode before its line is queued; no selection
// leaves them as they are.
void TMainForm::SetChannelOutputMode(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    OutputModeEnable(n, item);
    Session->ChangeSetting(ChRow("OutputMode"), item, n);
}

void TMainForm::SetChAmplitude(QObject *Sender)
{
    int n = 0;
    auto *edit = Control<TPlusSpinEdit>(Sender, n);
    if (!edit)
        return;
    Session->ChangeSetting(ChRow("Amplitude"), edit->Value(), n);
}

void TMainForm::SetChannelMux(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TCheckListBox>(Sender, n);
    if (!list)
        return;
    QList<bool> checked;
    for (int i = 0; i < list->count(); ++i)
        checked << list->Checked(i);
    Session->ChangeSetting(ChRow("Multiplexer"), MuxMask(checked, Session->ChannelCount), n);
}

void TMainForm::SetChannelControlMode(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    Session->ChangeSetting(ChRow("ChannelControl"), item, n);
}

// The mirror is written before queuing: the timing diagram redraws its sync label from it
// when the queue announces the change.
void TMainForm::SetChannelSyncSource(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    Session->ChangeSetting(ChRow("SyncSource"), item, n);
}

void TMainForm::SetChannelGateMode(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    Session->ChangeSetting(ChRow("GateMode"), item, n);
}

void TMainForm::SetChannelGateLogic(QObject *Sender)
{
    int n = 0;
    auto *list = Control<TComboBox>(Sender, n);
    if (!list)
        return;
    const int item = list->currentIndex();
    Session->ChangeSetting(ChRow("GateLogic"), item, n);
}
