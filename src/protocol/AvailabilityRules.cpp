#include "protocol/AvailabilityRules.h"

TModeAvailability ModeAvailability(int mode)
{
    switch (mode) {
    case 0:
    case 1:
        return {TEnableChange::Disable, TEnableChange::Disable};
    case 2:
        return {TEnableChange::Enable, TEnableChange::Disable};
    case 3:
        return {TEnableChange::Disable, TEnableChange::Enable};
    default:
        return {TEnableChange::Unchanged, TEnableChange::Unchanged};
    }
}

namespace {
TEnableChange offOnOrUnchanged(int index)
{
    switch (index) {
    case 0:
        return TEnableChange::Disable;
    case 1:
        return TEnableChange::Enable;
    default:
        return TEnableChange::Unchanged;
    }
}
} // namespace

TEnableChange OutputModeAvailability(int outputMode)
{
    return offOnOrUnchanged(outputMode);
}

TEnableChange TriggerAvailability(int triggerMode)
{
    return offOnOrUnchanged(triggerMode);
}

bool GateControlsEnabled(int gateMode)
{
    return gateMode != 0;
}

bool SharedThresholdEnabled(int trigger2Mode, int gate2Mode)
{
    return trigger2Mode != 0 || gate2Mode != 0;
}

bool ChannelGateListsEnabled(int gate1Mode, int gate2Mode)
{
    return gate1Mode == 3 || gate2Mode == 3;
}
