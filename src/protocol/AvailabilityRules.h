#pragma once

// Which controls make sense in the selected modes, as decisions; the main window applies
// them to its group boxes and fields. Controls are disabled, never hidden. A mode value
// outside its list leaves the controls as they are where the rule says "unchanged".
enum class TEnableChange
{
    Unchanged,
    Disable,
    Enable
};

// The burst count and duty-cycle controls of the system mode and of each channel's mode
// (same rule): Burst enables the burst count, Duty Cycle the duty-cycle counts, the
// other modes disable both.
struct TModeAvailability
{
    TEnableChange Burst;
    TEnableChange DutyCycle;
};
TModeAvailability ModeAvailability(int mode);

// A channel's amplitude group and field: 0 TTL/CMOS disables, 1 Adjustable enables.
TEnableChange OutputModeAvailability(int outputMode);

// Trigger input 1's threshold and edge, trigger input 2's edge: 0 Disabled disables,
// 1 Triggered enables.
TEnableChange TriggerAvailability(int triggerMode);

// Gate input 1's threshold and logic, gate input 2's logic: enabled unless the gate is
// disabled.
bool GateControlsEnabled(int gateMode);

// The second input's one threshold serves its trigger and its gate alike.
bool SharedThresholdEnabled(int trigger2Mode, int gate2Mode);

// Every channel's gate mode and gate logic lists: only when a gate input works in
// "Channel" mode (3).
bool ChannelGateListsEnabled(int gate1Mode, int gate2Mode);
