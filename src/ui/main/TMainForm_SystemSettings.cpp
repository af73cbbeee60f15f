// The system setting handlers of the "System Options" and "Additional Options" pages.
// A mirror is written before its line is queued: queuing announces ConfigurationChanged,
// and what follows it (the timing diagram) must find the new value.

#include "protocol/CheckResolution.h"
#include "protocol/SettingCommands.h"
#include "protocol/SettingTable.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"

#include <QPushButton>


namespace {
const TSettingRow &SysRow(const char *name)
{
    return SettingRow(TSettingScope::System, QString::fromLatin1(name));
}
} // namespace

void TMainForm::CreateSystemSettingHandlers()
{
    PeriodAdj->SetOnChange(Handler(&TMainForm::PeriodAdjChange));
    SystemModeSel->SetOnChange(Handler(&TMainForm::SystemModeSelChange));
    SysBurstAdj->SetOnChange(Handler(&TMainForm::SysBurstAdjChange));
    SysDutyOnAdj->SetOnChange(Handler(&TMainForm::SysDutyOnAdjChange));
    SysDutyOffAdj->SetOnChange(Handler(&TMainForm::SysDutyOffAdjChange));
    SysCycleCountAdj->SetOnChange(Handler(&TMainForm::SysCycleCountAdjChange));
    AutoStartEnbl->SetOnClick(Handler(&TMainForm::AutoStartEnblClick));
    SyncOutputSel->SetOnChange(Handler(&TMainForm::SyncOutputSelChange));
    ExternalInputClkSel->SetOnChange(Handler(&TMainForm::ExternalInputClkSelChange));
    ExternalOutputClkSel->SetOnChange(Handler(&TMainForm::ExternalOutputClkSelChange));
    ShotCountEnbl->SetOnClick(Handler(&TMainForm::ShotCountEnblClick));
    connect(ClearShotCount, &QPushButton::clicked, this,
            [this] { ClearShotCountClick(ClearShotCount); });
    CounterSourceSel->SetOnChange(Handler(&TMainForm::CounterSourceSelChange));
}

// A period off the instrument's grid is not sent: the field goes back to the last
// accepted period, and the Value setter raises this handler again with it.
void TMainForm::PeriodAdjChange(QObject *)
{
    const double v = PeriodAdj->Value();
    if (CheckResolution(v, Session->TimingLimits.PeriodIncrement)) {
        Session->ChangeSetting(SysRow("Period"), v);
    } else {
        PeriodAdj->AssignValue(Session->Mirrors.SystemPeriod);
    }
}

void TMainForm::SystemModeSelChange(QObject *)
{
    const int item = SystemModeSel->currentIndex();
    Session->ChangeSetting(SysRow("PulseMode"), item);
    SystemModesEnable();
}

void TMainForm::SysBurstAdjChange(QObject *)
{
    Session->ChangeSetting(SysRow("BurstCount"), SysBurstAdj->Value());
}

void TMainForm::SysDutyOnAdjChange(QObject *)
{
    Session->ChangeSetting(SysRow("DutyCycleOnCounts"), SysDutyOnAdj->Value());
}

void TMainForm::SysDutyOffAdjChange(QObject *)
{
    Session->ChangeSetting(SysRow("DutyCycleOffCounts"), SysDutyOffAdj->Value());
}

void TMainForm::SysCycleCountAdjChange(QObject *)
{
    Session->ChangeSetting(SysRow("CycleCounts"), SysCycleCountAdj->Value());
}

void TMainForm::AutoStartEnblClick(QObject *)
{
    Session->ChangeSetting(SysRow("AutoStart"), AutoStartEnbl->isChecked());
}

void TMainForm::SyncOutputSelChange(QObject *)
{
    Session->ChangeSetting(SysRow("SyncOutput"), SyncOutputSel->currentIndex());
}

void TMainForm::ExternalInputClkSelChange(QObject *)
{
    Session->ChangeSetting(SysRow("InputClock"), ExternalInputClkSel->currentIndex());
}

void TMainForm::ExternalOutputClkSelChange(QObject *)
{
    Session->ChangeSetting(SysRow("OutputClock"), ExternalOutputClkSel->currentIndex());
}

void TMainForm::ShotCountEnblClick(QObject *)
{
    Session->ChangeSetting(SysRow("CounterEnabled"), ShotCountEnbl->isChecked());
}

void TMainForm::ClearShotCountClick(QObject *)
{
    Session->QueuedCommandToPort(ClearShotCountCommand());
}

void TMainForm::CounterSourceSelChange(QObject *)
{
    Session->ChangeSetting(SysRow("CounterSource"), CounterSourceSel->currentIndex());
}
