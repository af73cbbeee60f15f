// The configuration readback: each record is asked for and recorded as a settings line
// (ConfigurationReader), then taken apart field by field, every field's control being set before
// the next field is split off. A malformed number throws EConvertError out of here (see
// Initialize): the fields before it stay applied.

#include "comm/ConfigurationReader.h"
#include "protocol/ConfigRecords.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"

#include <QGroupBox>

ConfigurationReader TMainForm::ReadbackReader()
{
    ConfigurationReader reader(*Comm, SettingsList);
    reader.Abandoned = [this] { return InitializeAbandoned(); };
    return reader;
}

void TMainForm::ParseSystemParameters()
{
    if (const auto reply = ReadbackReader().Ask(RecordQueryFor(0)))
        ApplySystemRecord(reply->Text);
}

void TMainForm::ApplySystemRecord(const QString &reply)
{
    TSystemCounts counts;
    ReadSystemRecord(reply, Mirrors, counts, [&](TSystemField field, bool) {
        switch (field) {
        case TSystemField::RunState:
            // A settings file, a recall or a Refresh may find the output running
            // before the poll does: the button must not offer to start it.
            Session->SetRunState(Mirrors.SystemRunning);
            break;
        case TSystemField::Period:
            PeriodAdj->AssignValue(Mirrors.SystemPeriod);
            break;
        case TSystemField::Mode:
            SystemModeSel->setCurrentIndex(Mirrors.SystemMode);
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
    });
}

void TMainForm::ParseTrigGateParameters()
{
    ConfigurationReader reader = ReadbackReader();
    for (int record : {90, 91, 92, 93}) {
        const auto reply = reader.Ask(RecordQueryFor(record));
        if (!reply)
            return;
        ApplyInputRecord(record, reply->Text);
    }
}

void TMainForm::ApplyInputRecord(int record, const QString &reply)
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
         Mirrors.Trigger1Mode, Mirrors.Trigger1Edge, Mirrors.Trigger1Debounce},
        {91, TrigModeSel2, TriggerEdgeSel2, TrigGateThresholdAdj2, TrigDebounceSel2,
         Mirrors.Trigger2Mode, Mirrors.Trigger2Edge, Mirrors.Trigger2Debounce},
        {92, GateModeSel1, GateLogicSel1, GateThresholdAdj1, GateDebounceSel1, Mirrors.Gate1Mode,
         Mirrors.Gate1Logic, Mirrors.Gate1Debounce},
        {93, GateModeSel2, GateLogicSel2, TrigGateThresholdAdj2, GateDebounceSel2,
         Mirrors.Gate2Mode, Mirrors.Gate2Logic, Mirrors.Gate2Debounce},
    };
    for (const InputControls &in : inputs) {
        if (in.Record != record)
            continue;
        double threshold = 0;
        ReadInputRecord(in.Record, reply, Mirrors, threshold, [&](TInputField field, bool) {
            switch (field) {
            case TInputField::Mode:
                in.Mode->setCurrentIndex(in.ModeMirror);
                break;
            case TInputField::EdgeOrLogic:
                in.EdgeOrLogic->setCurrentIndex(in.EdgeOrLogicMirror);
                break;
            case TInputField::Threshold:
                in.Threshold->AssignValue(threshold);
                break;
            case TInputField::Debounce:
                in.Debounce->setCurrentIndex(in.DebounceMirror);
                break;
            }
        });
    }
}

void TMainForm::ParseChannelParameters(int chnum)
{
    if (const auto reply = ReadbackReader().Ask(RecordQueryFor(chnum)))
        ApplyChannelRecord(chnum, reply->Text);
}

void TMainForm::ApplyChannelRecord(int chnum, const QString &reply)
{
    ChannelConfig &config = ChannelConfigs[chnum];
    ReadChannelRecord(reply, config, [&](TChannelField field, bool matched) {
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
            // An unrecognised token changes neither the amplitude's availability nor
            // the list.
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
    });
}

void TMainForm::UpdateChMux(int chnum)
{
    // Item 4 only where the list has it (12 channels and more); higher bits are ignored.
    TCheckListBox *list = ChMuxSelect[chnum];
    const qint32 mask = ChannelConfigs[chnum].MuxMask;
    const int items = MuxItemCount(ChannelCount);
    for (int i = 0; i < items; ++i)
        list->SetChecked(i, MuxItemChecked(mask, i));
}
