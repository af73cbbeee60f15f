#include "tango/KT7310.h"

#include "comm/PortName.h"

#include "tango/SettingsFolder.h"

#include <mutex>

namespace KT7310_ns {

namespace {
// Tango keeps the attributes a device adds in its class as well, and the properties a
// device sets in one database object for the whole server; Tango's own serialisation
// keeps only one device's requests apart. The devices' event threads, which add, remove
// and push outside it, therefore take turns there. A device's end (its event thread
// already gone) takes its turn while holding its monitor.
std::mutex &SharedTangoState()
{
    static std::mutex mutex;
    return mutex;
}

Tango::DevState TangoState(TDeviceState state)
{
    switch (state) {
    case TDeviceState::Init:
        return Tango::INIT;
    case TDeviceState::On:
        return Tango::ON;
    case TDeviceState::Running:
        return Tango::RUNNING;
    case TDeviceState::Fault:
        break;
    }
    return Tango::FAULT;
}
} // namespace

KT7310::KT7310(Tango::DeviceClass *deviceClass, const char *name)
    : Tango::Device_5Impl(deviceClass, name)
{
    init_device();
}

KT7310::~KT7310()
{
    delete_device();
}

TDeviceOptions KT7310::ReadProperties()
{
    TDeviceOptions options;
    options.Name = get_name();
    Tango::DbData data;
    for (const char *name :
         {"Port", "Baud", "PollPeriod", "RetryPeriod", "SettingsFolder", "ServiceCommands"})
        data.push_back(Tango::DbDatum(name));
    if (Tango::Util::instance()->_UseDb)
        get_db_device()->get_property(data);
    // Port: a name as kt7310 --port takes it; a number still means COMn.
    std::string port;
    if (!data[0].is_empty() && (data[0] >> port) && !port.empty()) {
        PortName name;
        QString why;
        if (!PortName::Parse(QString::fromStdString(port), name, &why))
            options.PortError = why.toStdString();
        else if (name.IsNetwork())
            options.Network = name.Text().toStdString();
        else
            options.Port = name.Number;
    }
    int *targets[] = {nullptr, &options.Baud, &options.PollPeriodMs, &options.RetryPeriodMs};
    for (std::size_t i = 1; i < std::size(targets); ++i) {
        Tango::DevLong value = 0;
        if (!data[i].is_empty() && (data[i] >> value) && value > 0)
            *targets[i] = int(value);
    }
    std::string folder;
    if (!data[4].is_empty())
        data[4] >> folder;
    options.SettingsFolder = folder.empty() ? SettingsFolder::DefaultFolder(get_name()).toStdString()
                                            : folder;
    bool service = false;
    if (!data[5].is_empty() && (data[5] >> service))
        options.ServiceCommands = service;
    return options;
}

void KT7310::init_device()
{
    set_state(Tango::INIT);
    set_status("Looking for the instrument.");
    set_change_event("State", true, false);
    set_change_event("Status", true, false);
    FClosing = false;
    FLink = std::make_unique<DeviceLink>(ReadProperties());
    FEvents = std::thread([this] { PushChanges(); });
}

void KT7310::delete_device()
{
    if (!FLink)
        return;
    FClosing = true;
    FLink->Snapshot().Close();
    if (FEvents.joinable())
        FEvents.join();
    FLink.reset();
    const std::lock_guard<std::mutex> shared(SharedTangoState());
    for (auto &[name, attribute] : FAttributes) {
        std::string n = name;
        try {
            remove_attribute(n, true, false);
        } catch (const Tango::DevFailed &) {
        }
    }
    FAttributes.clear();
}

Tango::DevState KT7310::dev_state()
{
    const Tango::DevState state = TangoState(FLink->Snapshot().State());
    set_state(state);
    return state;
}

Tango::ConstDevString KT7310::dev_status()
{
    FStatus = FLink->Snapshot().Status();
    set_status(FStatus);
    return FStatus.c_str();
}

void KT7310::Check(const TDeviceResult &result, const char *origin)
{
    if (!result.Ok)
        Tango::Except::throw_exception(result.Reason, result.Text, origin);
}

// The event thread. Tango's device monitor keeps the pushes apart from the requests;
// a batch that cannot get it in time (a long request holds it) is kept and pushed once
// it can, so that no change is lost.
void KT7310::PushChanges()
{
    omni_thread::create_dummy(); // the monitor knows omniORB's threads only
    bool attributes = false;
    bool state = false;
    std::set<std::string> values;
    for (;;) {
        const bool pending = attributes || state || !values.empty();
        TDeviceChanges changes = FLink->Snapshot().WaitChanges(pending ? 50 : 500);
        if (changes.Closed || FClosing)
            break;
        attributes |= changes.Attributes;
        state |= changes.State;
        values.insert(changes.Values.begin(), changes.Values.end());
        if (!attributes && !state && values.empty())
            continue;
        try {
            // Turns first, then this device's monitor: a request to this device waits
            // only for this device's own pushes, never for another device's.
            const std::lock_guard<std::mutex> shared(SharedTangoState());
            Tango::AutoTangoMonitor sync(this);
            if (FClosing)
                break;
            if (attributes) {
                ApplyAttributes();
                attributes = false;
                for (const auto &[name, attribute] : FAttributes)
                    values.insert(name);
            }
            if (state) {
                PushState();
                state = false;
            }
            const bool valid = FLink->Snapshot().State() != TDeviceState::Fault;
            for (const std::string &name : values) {
                const auto found = FAttributes.find(name);
                TDeviceValue value;
                if (found == FAttributes.end() ||
                    !FLink->Snapshot().Find(name, nullptr, &value))
                    continue;
                try {
                    KT7310Attribute::Push(*this, found->second, value, valid, Buffer(name));
                } catch (const Tango::DevFailed &) {
                    // Nobody subscribed, or the attribute is on its way out: nothing to push.
                }
            }
            values.clear();
        } catch (const Tango::DevFailed &) {
            // The monitor was not free in time: try again with the batch kept.
        }
    }
    omni_thread::release_dummy();
}

namespace {
// Same attribute apart from its limits: the multiplexer's bits of another model, say.
bool SameButLimits(const TDeviceAttribute &a, const TDeviceAttribute &b)
{
    TDeviceAttribute c = b;
    c.Min = a.Min;
    c.Max = a.Max;
    return a == c;
}

// The limit a property holds, if it reads as a number.
template <typename T>
bool SameLimit(Tango::AttrProp<T> &property, const std::string &wanted)
{
    try {
        return std::stod(property.get_str()) == std::stod(wanted);
    } catch (const std::exception &) {
        return false;
    }
}

// The description's limits on this device's attribute. Tango keeps limits set at run time
// in the database, and gives them back when the attribute is made again: they are set
// only where they differ, so that an unchanged model writes nothing there.
template <typename T>
void EnsureLimits(Tango::Attribute &attribute, const TDeviceAttribute &a)
{
    Tango::MultiAttrProp<T> properties;
    attribute.get_properties(properties);
    bool changed = false;
    if (!a.Min.empty() && !SameLimit(properties.min_value, a.Min)) {
        properties.min_value = T(std::stod(a.Min));
        changed = true;
    }
    if (!a.Max.empty() && !SameLimit(properties.max_value, a.Max)) {
        properties.max_value = T(std::stod(a.Max));
        changed = true;
    }
    if (changed)
        attribute.set_properties(properties);
}
} // namespace

// The attribute list of the model now connected: attributes the model lacks (or whose
// description changed) go, new ones come, and an attribute that differs in its limits
// only gets them on this device. Unchanged ones stay, and so do their subscribers.
void KT7310::ApplyAttributes()
{
    const std::vector<TDeviceAttribute> list = FLink->Snapshot().Attributes();
    std::map<std::string, const TDeviceAttribute *> wanted;
    for (const TDeviceAttribute &a : list)
        wanted[a.Name] = &a;
    for (auto it = FAttributes.begin(); it != FAttributes.end();) {
        const auto found = wanted.find(it->first);
        if (found != wanted.end() && *found->second == it->second) {
            ++it;
            continue;
        }
        if (found != wanted.end() && SameButLimits(*found->second, it->second)) {
            it->second = *found->second;
            EnsureLimits(it->second);
            ++it;
            continue;
        }
        std::string name = it->first;
        remove_attribute(name, true, false);
        it = FAttributes.erase(it);
    }
    for (const TDeviceAttribute &a : list) {
        if (FAttributes.count(a.Name))
            continue;
        add_attribute(new KT7310Attribute(a)); // Tango owns it from here on
        FAttributes[a.Name] = a;
        EnsureLimits(a);
    }
}

void KT7310::EnsureLimits(const TDeviceAttribute &a)
{
    Tango::Attribute &attribute = get_device_attr()->get_attr_by_name(a.Name.c_str());
    switch (a.Type) {
    case TDeviceAttribute::Double:
        KT7310_ns::EnsureLimits<Tango::DevDouble>(attribute, a);
        break;
    case TDeviceAttribute::Long:
        KT7310_ns::EnsureLimits<Tango::DevLong>(attribute, a);
        break;
    case TDeviceAttribute::Long64:
        KT7310_ns::EnsureLimits<Tango::DevLong64>(attribute, a);
        break;
    default:
        break;
    }
}

void KT7310::PushState()
{
    set_state(TangoState(FLink->Snapshot().State()));
    FStatus = FLink->Snapshot().Status();
    set_status(FStatus);
    push_change_event("State");
    push_change_event("Status");
}

} // namespace KT7310_ns
