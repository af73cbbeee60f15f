#pragma once

// The device: one instrument. Its attributes follow the connected model (added once the
// instrument is known, changed when another model answers); its state and status and
// every attribute's changes are pushed as change events by a thread of its own, from the
// snapshot the session's thread keeps.

#include "tango/DeviceLink.h"
#include "tango/KT7310Attribute.h"

#include <tango.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace KT7310_ns {

class KT7310 : public Tango::Device_5Impl
{
public:
    KT7310(Tango::DeviceClass *deviceClass, const char *name);
    ~KT7310() override;

    void init_device() override;
    void delete_device() override;
    Tango::DevState dev_state() override;
    Tango::ConstDevString dev_status() override;

    DeviceLink &Link() { return *FLink; }
    // A request's failure as the client's exception.
    static void Check(const TDeviceResult &result, const char *origin);
    // The attribute's value buffer on this device (requests and pushes hold the monitor).
    TValueBuffer &Buffer(const std::string &name) { return FBuffers[name]; }

private:
    TDeviceOptions ReadProperties();
    void PushChanges();
    void ApplyAttributes();
    void EnsureLimits(const TDeviceAttribute &attribute);
    void PushState();

    std::unique_ptr<DeviceLink> FLink;
    std::thread FEvents;
    std::atomic<bool> FClosing{false};
    std::map<std::string, TDeviceAttribute> FAttributes; // the dynamic attributes added
    std::map<std::string, TValueBuffer> FBuffers;
    std::string FStatus;
};

} // namespace KT7310_ns
