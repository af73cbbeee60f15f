// The trigger and gate setting handlers of the "External Trig/Gate" page.
// A mirror is written before its line is queued: queuing announces ConfigurationChanged,
// and what follows it (the timing diagram) must find the new value.

#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"
#include "protocol/SettingTable.h"


namespace {
const TSettingRow &InRow(const char *name)
{
    return SettingRow(TSettingScope::Input, QString::fromLatin1(name));
}
} // namespace

void TMainForm::CreateTriggerSettingHandlers()
{
    TrigModeSel1->SetOnChange(Handler(&TMainForm::TrigModeSel1Change));
    TrigModeSel2->SetOnChange(Handler(&TMainForm::TrigModeSel2Change));
    TriggerEdgeSel1->SetOnChange(Handler(&TMainForm::TriggerEdgeSel1Change));
    TriggerEdgeSel2->SetOnChange(Handler(&TMainForm::TriggerEdgeSel2Change));
    TrigDebounceSel1->SetOnChange(Handler(&TMainForm::TrigDebounceSel1Change));
    TrigDebounceSel2->SetOnChange(Handler(&TMainForm::TrigDebounceSel2Change));
    TrigThresholdAdj1->SetOnChange(Handler(&TMainForm::TrigThresholdAdj1Change));
    TrigGateThresholdAdj2->SetOnChange(Handler(&TMainForm::TrigGateThresholdAdj2Change));
    GateThresholdAdj1->SetOnChange(Handler(&TMainForm::GateThresholdAdj1Change));
    GateModeSel1->SetOnChange(Handler(&TMainForm::GateModeSel1Change));
    GateModeSel2->SetOnChange(Handler(&TMainForm::GateModeSel2Change));
    GateLogicSel1->SetOnChange(Handler(&TMainForm::GateLogicSel1Change));
    GateLogicSel2->SetOnChange(Handler(&TMainForm::GateLogicSel2Change));
    GateDebounceSel1->SetOnChange(Handler(&TMainForm::GateDebounceSel1Change));
    GateDebounceSel2->SetOnChange(Handler(&TMainForm::GateDebounceSel2Change));
}

void TMainForm::TrigModeSel1Change(QObject *)
{
    const int item = TrigModeSel1->currentIndex();
    Session->ChangeSetting(InRow("Trigger1Mode"), item);
    TriggerModesEnable();
}

void TMainForm::TrigModeSel2Change(QObject *)
{
    const int item = TrigModeSel2->currentIndex();
    Session->ChangeSetting(InRow("Trigger2Mode"), item);
    TriggerModesEnable();
}

void TMainForm::TriggerEdgeSel1Change(QObject *)
{
    const int item = TriggerEdgeSel1->currentIndex();
    Session->ChangeSetting(InRow("Trigger1Edge"), item);
}

void TMainForm::TriggerEdgeSel2Change(QObject *)
{
    const int item = TriggerEdgeSel2->currentIndex();
    Session->ChangeSetting(InRow("Trigger2Edge"), item);
}

void TMainForm::TrigDebounceSel1Change(QObject *)
{
    const int item = TrigDebounceSel1->currentIndex();
    Session->ChangeSetting(InRow("Trigger1Debounce"), item);
}

void TMainForm::TrigDebounceSel2Change(QObject *)
{
    const int item = TrigDebounceSel2->currentIndex();
    Session->ChangeSetting(InRow("Trigger2Debounce"), item);
}

void TMainForm::TrigThresholdAdj1Change(QObject *)
{
    Session->ChangeSetting(InRow("Trigger1Threshold"), TrigThresholdAdj1->Value());
}

// One threshold serves trigger 2 and gate 2; the instrument sets it as trigger 2's level.
void TMainForm::TrigGateThresholdAdj2Change(QObject *)
{
    Session->ChangeSetting(InRow("Trigger2Threshold"), TrigGateThresholdAdj2->Value());
}

void TMainForm::GateThresholdAdj1Change(QObject *)
{
    Session->ChangeSetting(InRow("Gate1Threshold"), GateThresholdAdj1->Value());
}

void TMainForm::GateModeSel1Change(QObject *)
{
    const int item = GateModeSel1->currentIndex();
    Session->ChangeSetting(InRow("Gate1Mode"), item);
    GateModesEnable();
}

void TMainForm::GateModeSel2Change(QObject *)
{
    const int item = GateModeSel2->currentIndex();
    Session->ChangeSetting(InRow("Gate2Mode"), item);
    GateModesEnable();
}

void TMainForm::GateLogicSel1Change(QObject *)
{
    const int item = GateLogicSel1->currentIndex();
    Session->ChangeSetting(InRow("Gate1Logic"), item);
}

void TMainForm::GateLogicSel2Change(QObject *)
{
    const int item = GateLogicSel2->currentIndex();
    Session->ChangeSetting(InRow("Gate2Logic"), item);
}

void TMainForm::GateDebounceSel1Change(QObject *)
{
    const int item = GateDebounceSel1->currentIndex();
    Session->ChangeSetting(InRow("Gate1Debounce"), item);
}

void TMainForm::GateDebounceSel2Change(QObject *)
{
    const int item = GateDebounceSel2->currentIndex();
    Session->ChangeSetting(InRow("Gate2Debounce"), item);
}
