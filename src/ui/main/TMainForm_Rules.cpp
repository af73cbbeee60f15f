// Availability and resolution rules: controls that make no sense in the selected mode
// are disabled (never hidden), and the timing fields get the instrument's step,
// decimals and range. The decisions themselves are in protocol/AvailabilityRules.

#include "protocol/AvailabilityRules.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"

#include <QGroupBox>

namespace {
// A numeric field keeps its window enabled (it still takes the focus) and switches its
// own state; every other control is switched as a widget.
void SetControlEnabled(QWidget *control, bool on)
{
    if (!control)
        return;
    if (auto *numeric = qobject_cast<TPlusSpinEdit *>(control))
        numeric->SetEnabled(on);
    else
        control->setEnabled(on);
}

void Apply(TEnableChange change, std::initializer_list<QWidget *> controls)
{
    if (change == TEnableChange::Unchanged)
        return;
    for (QWidget *control : controls)
        SetControlEnabled(control, change == TEnableChange::Enable);
}

void Apply(bool on, std::initializer_list<QWidget *> controls)
{
    Apply(on ? TEnableChange::Enable : TEnableChange::Disable, controls);
}
} // namespace

void TMainForm::SystemModesEnable()
{
    const TModeAvailability a = ModeAvailability(Session->Mirrors.SystemMode);
    Apply(a.Burst, {BurstCountGrp, SysBurstAdj});
    Apply(a.DutyCycle, {DutyCycleGrp, SysDutyOnAdj, SysDutyOffAdj, SysCycleCountAdj});
}

void TMainForm::ChModesEnable(int chnum)
{
    if (chnum < 1 || chnum > MaxChannels)
        return;
    const TModeAvailability a = ModeAvailability(Session->ChannelConfigs[chnum].Mode);
    Apply(a.Burst, {ChBurstCountGrp[chnum], ChBurstAdj[chnum]});
    Apply(a.DutyCycle,
          {ChDutyOnGrp[chnum], ChDutyOnAdj[chnum], ChDutyOffGrp[chnum], ChDutyOffAdj[chnum]});
}

void TMainForm::OutputModeEnable(int chnum, int outputMode)
{
    if (chnum < 1 || chnum > MaxChannels)
        return;
    Apply(OutputModeAvailability(outputMode), {ChAmplitudeAdjGrp[chnum], ChAmplitudeAdj[chnum]});
}

void TMainForm::SharedThresholdEnable()
{
    Apply(SharedThresholdEnabled(Session->Mirrors.Trigger2Mode, Session->Mirrors.Gate2Mode),
          {TrigGateThresholdGrp2, TrigGateThresholdAdj2});
}

void TMainForm::TriggerModesEnable()
{
    Apply(TriggerAvailability(Session->Mirrors.Trigger1Mode),
          {ExtThresholdGrp1, TrigThresholdAdj1, ExtTrigEdgeGrp1, TriggerEdgeSel1});
    Apply(TriggerAvailability(Session->Mirrors.Trigger2Mode), {ExtTrigEdgeGrp2, TriggerEdgeSel2});
    SharedThresholdEnable();
}

void TMainForm::GateModesEnable()
{
    Apply(GateControlsEnabled(Session->Mirrors.Gate1Mode),
          {GateThresholdGrp1, GateThresholdAdj1, GateLogicGrp1, GateLogicSel1});
    Apply(GateControlsEnabled(Session->Mirrors.Gate2Mode), {GateLogicGrp2, GateLogicSel2});
    SharedThresholdEnable();
    // Only the two lists, not their group boxes.
    const bool channelGates = ChannelGateListsEnabled(Session->Mirrors.Gate1Mode, Session->Mirrors.Gate2Mode);
    for (int n = 1; n <= qMin(Session->ChannelCount, int(MaxChannels)); ++n)
        Apply(channelGates, {ChGateModeSel[n], ChGateLogicSel[n]});
}

void TMainForm::SetResolutionRanges()
{
    const TTimingLimits &t = Session->TimingLimits;
    PeriodAdj->SetIncrement(t.PeriodIncrement);
    PeriodAdj->SetDecimals(t.PeriodDecimals);
    PeriodAdj->SetMaxValue(t.PeriodMax);
    PeriodAdj->SetMinValue(t.PeriodMin);

    SysBurstAdj->SetMaxValue(double(t.SysBurstMax));
    SysDutyOnAdj->SetMaxValue(double(t.SysDutyMax));
    SysDutyOffAdj->SetMaxValue(double(t.SysDutyMax));
    SysCycleCountAdj->SetMaxValue(double(t.SysCycleCountMax));

    for (int n = 1; n <= qMin(Session->ChannelCount, int(MaxChannels)); ++n) {
        if (TPlusSpinEdit *delay = ChDelayAdj[n]) {
            delay->SetIncrement(t.DelayIncrement);
            delay->SetMaxValue(t.DelayMax);
            delay->SetMinValue(t.DelayMin);
            delay->SetDecimals(t.DelayDecimals);
        }
        if (TPlusSpinEdit *width = ChWidthAdj[n]) {
            width->SetIncrement(t.WidthIncrement);
            width->SetMaxValue(t.WidthMax);
            width->SetMinValue(t.WidthMin);
            width->SetDecimals(t.WidthDecimals);
        }
        if (ChBurstAdj[n])
            ChBurstAdj[n]->SetMaxValue(double(t.ChBurstMax));
        if (ChDutyOnAdj[n])
            ChDutyOnAdj[n]->SetMaxValue(double(t.ChDutyMax));
        if (ChDutyOffAdj[n])
            ChDutyOffAdj[n]->SetMaxValue(double(t.ChDutyMax));
        if (ChWaitCountAdj[n])
            ChWaitCountAdj[n]->SetMaxValue(double(t.ChWaitCountMax));
    }
}
