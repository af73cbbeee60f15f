#pragma once

// One scalar attribute of the device, made from its description in the snapshot: reads
// come from the snapshot, writes go to the session's thread. Tango may share one such
// object among the devices of a server; the values sent live in the device's buffers.

#include "tango/DeviceSnapshot.h"

#include <tango.h>

namespace KT7310_ns {

// Where a value waits while Tango sends it: one per attribute and device.
struct TValueBuffer
{
    Tango::DevBoolean Boolean = false;
    Tango::DevShort Short = 0;
    Tango::DevDouble Double = 0;
    Tango::DevLong Long = 0;
    Tango::DevLong64 Long64 = 0;
    std::string Text;
    Tango::DevString TextPointer = nullptr;
};

class KT7310Attribute : public Tango::Attr
{
public:
    explicit KT7310Attribute(const TDeviceAttribute &description);

    void read(Tango::DeviceImpl *device, Tango::Attribute &attribute) override;
    void write(Tango::DeviceImpl *device, Tango::WAttribute &attribute) override;

    const TDeviceAttribute &Description() const { return FDescription; }

    // Sets the value (or INVALID) on a Tango attribute, or pushes it as a change event.
    static void Fill(Tango::Attribute &attribute, TDeviceAttribute::TType type,
                     const TDeviceValue &value, bool valid, TValueBuffer &buffer);
    static void Push(Tango::DeviceImpl &device, const TDeviceAttribute &description,
                     const TDeviceValue &value, bool valid, TValueBuffer &buffer);

private:
    const TDeviceAttribute FDescription;
};

} // namespace KT7310_ns
