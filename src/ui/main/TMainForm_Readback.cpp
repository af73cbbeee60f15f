// The configuration read-back into the controls: the session stores each value it reads
// and reports it before the next one is split off; its control is set from the state here.

#include "protocol/ConfigRecords.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"

#include <QGroupBox>

void TMainForm::ShowSystemField(TSystemField field)
{
    const TSystemCounts &counts = Session->SystemValues.Counts;
    switch (field) {
    case TSystemField::RunState:
        break; // the run state follows RunStateChanged
    case TSystemField::Period:
        PeriodAdj->AssignValue(Session->Mirrors.SystemPeriod);
        break;
    case TSystemField::Mode:
        SystemModeSel->setCurrentIndex(Session->Mirrors.SystemMode);
        break;
    case TSystemField::BurstCount:
        SysBurstAdj->AssignValue(double(counts.BurstCount));
        break;
    case TSystemField::DutyOnCount:
        SysDutyOnAdj->AssignValue(double(counts.DutyOnCount));
        break;
    case TSystemField::DutyOffCount:
        SysDutyOffAdj->AssignValue(double(counts.DutyOffCount));
        break;
    case TSystemField::CycleCount:
        SysCycleCountAdj->AssignValue(double(counts.CycleCount));
        break;
    }
}

void TMainForm::ShowInputField(int record, TInputField field)
{
    struct InputControls
    {
        int Record;
        TComboBox *Mode;
        TComboBox *EdgeOrLogic;
        TPlusSpinEdit *Threshold;
        TComboBox *Debounce;
        const qint32 &ModeMirror;
        const qint32 &EdgeOrLogicMirror;
        const qint32 &DebounceMirror;
    };
    // Trigger 2 and gate 2 share one threshold field: record 93's value is the one shown.
    const InputControls inputs[] = {
        {90, TrigModeSel1, TriggerEdgeSel1, TrigThresholdAdj1, TrigDebounceSel1,
         Session->Mirrors.Trigger1Mode, Session->Mirrors.Trigger1Edge, Session->Mirrors.Trigger1Debounce},
        {91, TrigModeSel2, TriggerEdgeSel2, TrigGateThresholdAdj2, TrigDebounceSel2,
         Session->Mirrors.Trigger2Mode, Session->Mirrors.Trigger2Edge, Session->Mirrors.Trigger2Debounce},
        {92, GateModeSel1, GateLogicSel1, GateThresholdAdj1, GateDebounceSel1, Session->Mirrors.Gate1Mode,
         Session->Mirrors.Gate1Logic, Session->Mirrors.Gate1Debounce},
        {93, GateModeSel2, GateLogicSel2, TrigGateThresholdAdj2, GateDebounceSel2,
         Session->Mirrors.Gate2Mode, Session->Mirrors.Gate2Logic, Session->Mirrors.Gate2Debounce},
    };
    for (const InputControls &in : inputs) {
        if (in.Record != record)
            continue;
        switch (field) {
        case TInputField::Mode:
            in.Mode->setCurrentIndex(in.ModeMirror);
            break;
        case TInputField::EdgeOrLogic:
            in.EdgeOrLogic->setCurrentIndex(in.EdgeOrLogicMirror);
            break;
        case TInputField::Threshold:
            in.Threshold->AssignValue(Session->SystemValues.Thresholds[std::size_t(record - 90)]);
            break;
        case TInputField::Debounce:
            in.Debounce->setCurrentIndex(in.DebounceMirror);
            break;
        }
    }
}

void TMainForm::ShowChannelField(int chnum, TChannelField field, bool matched)
{
    const ChannelConfig &config = Session->ChannelConfigs[chnum];
    switch (field) {
    case TChannelField::Enabled:
        ChEnablebox[chnum]->setChecked(config.Enabled == 1);
        break;
    case TChannelField::Delay:
        ChDelayAdj[chnum]->AssignValue(config.Delay);
        break;
    case TChannelField::Width:
        ChWidthAdj[chnum]->AssignValue(config.Width);
        break;
    case TChannelField::Mode:
        ChModeSel[chnum]->setCurrentIndex(config.Mode);
        break;
    case TChannelField::BurstCount:
        ChBurstAdj[chnum]->AssignValue(config.BurstCount);
        break;
    case TChannelField::DutyOnCount:
        ChDutyOnAdj[chnum]->AssignValue(config.DutyOnCount);
        break;
    case TChannelField::DutyOffCount:
        ChDutyOffAdj[chnum]->AssignValue(config.DutyOffCount);
        break;
    case TChannelField::WaitCount:
        ChWaitCountAdj[chnum]->AssignValue(config.WaitCount);
        break;
    case TChannelField::OutputMode:
        // An unrecognised token changes neither the amplitude's availability nor the list.
        if (matched)
            OutputModeEnable(chnum, config.OutputMode);
        ChOutputModeSel[chnum]->setCurrentIndex(config.OutputMode);
        break;
    case TChannelField::Polarity:
        ChPolaritySel[chnum]->setCurrentIndex(config.Polarity);
        break;
    case TChannelField::Amplitude:
        ChAmplitudeAdj[chnum]->AssignValue(config.Amplitude);
        break;
    case TChannelField::MuxMask:
        UpdateChMux(chnum);
        break;
    case TChannelField::ControlMode:
        ChControlSel[chnum]->setCurrentIndex(config.ControlMode);
        break;
    case TChannelField::SyncSource:
        ChSyncSourceSel[chnum]->setCurrentIndex(config.SyncSource);
        break;
    case TChannelField::GateMode:
        ChGateModeSel[chnum]->setCurrentIndex(config.GateMode);
        break;
    case TChannelField::GateLogic:
        ChGateLogicSel[chnum]->setCurrentIndex(config.GateLogic);
        break;
    }
}

void TMainForm::ShowQueryValue(TConfigItem item, bool changed)
{
    const TSystemValues &values = Session->SystemValues;
    switch (item) {
    case TConfigItem::SecurityState:
        ServiceWindowMenu->setVisible(Session->SystemUnsecured);
        break;
    case TConfigItem::AutoStart:
        AutoStartEnbl->setChecked(values.AutoStart);
        break;
    case TConfigItem::InputClock:
        if (changed)
            ExternalInputClkSel->setCurrentIndex(values.InputClock);
        break;
    case TConfigItem::OutputClock:
        if (changed)
            ExternalOutputClkSel->setCurrentIndex(values.OutputClock);
        break;
    case TConfigItem::SyncOutput:
        if (changed)
            SyncOutputSel->setCurrentIndex(values.SyncOutput);
        break;
    case TConfigItem::CounterEnable:
        ShotCountEnbl->setChecked(values.CounterEnabled);
        break;
    case TConfigItem::CounterSource:
        if (changed)
            CounterSourceSel->setCurrentIndex(values.CounterSource);
        CounterSourceSel->setEnabled(true);
        break;
    case TConfigItem::SystemRecord:
    case TConfigItem::InputRecord:
    case TConfigItem::ChannelRecord:
        break; // reported field by field
    }
}

void TMainForm::UpdateChMux(int chnum)
{
    // Item 4 only where the list has it (12 channels and more); higher bits are ignored.
    TCheckListBox *list = ChMuxSelect[chnum];
    const qint32 mask = Session->ChannelConfigs[chnum].MuxMask;
    const int items = MuxItemCount(Session->ChannelCount);
    for (int i = 0; i < items; ++i)
        list->SetChecked(i, MuxItemChecked(mask, i));
}
