#include "tango/DeviceSnapshot.h"

#include <chrono>

void DeviceSnapshot::SetState(TDeviceState state, const std::string &status)
{
    {
        const std::lock_guard lock(FMutex);
        if (state == FState && status == FStatus)
            return;
        FState = state;
        FStatus = status;
        FPendingState = true;
    }
    FChanged.notify_all();
}

void DeviceSnapshot::SetAttributes(std::vector<TDeviceAttribute> attributes)
{
    {
        const std::lock_guard lock(FMutex);
        if (attributes == FAttributes)
            return;
        FAttributes = std::move(attributes);
        FValues.assign(FAttributes.size(), TDeviceValue());
        FIndex.clear();
        for (std::size_t i = 0; i < FAttributes.size(); ++i)
            FIndex[FAttributes[i].Name] = i;
        FPendingValues.clear();
        FPendingAttributes = true;
    }
    FChanged.notify_all();
}

void DeviceSnapshot::SetValues(const std::vector<TDeviceValue> &values)
{
    bool changed = false;
    {
        const std::lock_guard lock(FMutex);
        for (std::size_t i = 0; i < values.size() && i < FValues.size(); ++i) {
            if (values[i] == FValues[i])
                continue;
            FValues[i] = values[i];
            FPendingValues.insert(FAttributes[i].Name);
            changed = true;
        }
    }
    if (changed)
        FChanged.notify_all();
}

void DeviceSnapshot::Close()
{
    {
        const std::lock_guard lock(FMutex);
        FClosed = true;
    }
    FChanged.notify_all();
}

TDeviceState DeviceSnapshot::State() const
{
    const std::lock_guard lock(FMutex);
    return FState;
}

std::string DeviceSnapshot::Status() const
{
    const std::lock_guard lock(FMutex);
    return FStatus;
}

std::vector<TDeviceAttribute> DeviceSnapshot::Attributes() const
{
    const std::lock_guard lock(FMutex);
    return FAttributes;
}

bool DeviceSnapshot::Find(const std::string &name, TDeviceAttribute *attribute,
                          TDeviceValue *value) const
{
    const std::lock_guard lock(FMutex);
    const auto found = FIndex.find(name);
    if (found == FIndex.end())
        return false;
    if (attribute)
        *attribute = FAttributes[found->second];
    if (value)
        *value = FValues[found->second];
    return true;
}

TDeviceChanges DeviceSnapshot::WaitChanges(int timeoutMs)
{
    std::unique_lock lock(FMutex);
    FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return FClosed || FPendingAttributes || FPendingState || !FPendingValues.empty();
    });
    TDeviceChanges changes;
    changes.Closed = FClosed;
    changes.Attributes = FPendingAttributes;
    changes.State = FPendingState;
    changes.Values.assign(FPendingValues.begin(), FPendingValues.end());
    FPendingAttributes = FPendingState = false;
    FPendingValues.clear();
    return changes;
}
