#pragma once

// The device's attributes for the connected model, generated from the setting table: the
// identity, every system and input setting, the shot count, and each setting of the
// model's channels (Ch1Delay ... Ch36Multiplexer), with the unit, format, limits and list
// labels Tango clients show. And each attribute's value as the session's state holds it.

#include "tango/DeviceSnapshot.h"

#include <vector>

class InstrumentSession;

std::vector<TDeviceAttribute> DeviceAttributeList(const InstrumentSession &session);
TDeviceValue DeviceAttributeValue(const InstrumentSession &session, const TDeviceAttribute &attribute);
