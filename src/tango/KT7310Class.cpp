#include "tango/KT7310Class.h"

#include "tango/KT7310.h"
#include "tango/KT7310Command.h"

namespace KT7310_ns {

KT7310Class *KT7310Class::FInstance = nullptr;

KT7310Class::KT7310Class(std::string &name) : Tango::DeviceClass(name)
{
}

KT7310Class *KT7310Class::init(const char *name)
{
    if (!FInstance) {
        std::string s(name);
        FInstance = new KT7310Class(s);
    }
    return FInstance;
}

KT7310Class *KT7310Class::instance()
{
    return FInstance;
}

void KT7310Class::command_factory()
{
    using C = KT7310Command;
    command_list.push_back(new C(C::Start, "Start", Tango::DEV_VOID, Tango::DEV_VOID, "",
                                 "", Tango::OPERATOR));
    command_list.push_back(new C(C::Stop, "Stop", Tango::DEV_VOID, Tango::DEV_VOID, "", ""));
    command_list.push_back(new C(C::Refresh, "Refresh", Tango::DEV_VOID, Tango::DEV_VOID, "",
                                 ""));
    command_list.push_back(new C(C::SaveToBin, "SaveToBin", Tango::DEV_SHORT, Tango::DEV_VOID,
                                 "The storage bin, 1 to the model's channel count", ""));
    command_list.push_back(new C(C::RecallBin, "RecallBin", Tango::DEV_SHORT, Tango::DEV_VOID,
                                 "The storage bin, 1 to the model's channel count", ""));
    command_list.push_back(new C(C::SaveSettings, "SaveSettings", Tango::DEV_STRING,
                                 Tango::DEV_VOID,
                                 "The settings file's name in the device's SettingsFolder", ""));
    command_list.push_back(new C(C::LoadSettings, "LoadSettings", Tango::DEV_STRING,
                                 Tango::DEV_STRING,
                                 "The settings file's name in the device's SettingsFolder",
                                 "The differences the read-back found, one per line; empty when "
                                 "the instrument confirms the file"));
    command_list.push_back(new C(C::ListSettings, "ListSettings", Tango::DEV_VOID,
                                 Tango::DEVVAR_STRINGARRAY, "",
                                 "The settings files LoadSettings takes, by name"));
    command_list.push_back(new C(C::SendLine, "SendLine", Tango::DEV_STRING, Tango::DEV_STRING,
                                 "A command line as the instrument takes it", "The reply",
                                 Tango::EXPERT));
}

// Called at start with every device of the server, and by a restart (DevRestart, the
// admin's RestartServer) with the devices made again: only those are exported, the
// others keep running untouched.
void KT7310Class::device_factory(const Tango::DevVarStringArray *devices)
{
    std::vector<Tango::DeviceImpl *> created;
    for (CORBA::ULong i = 0; i < devices->length(); ++i) {
        device_list.push_back(new KT7310(this, (*devices)[i]));
        created.push_back(device_list.back());
    }
    for (Tango::DeviceImpl *device : created) {
        if (Tango::Util::_UseDb && !Tango::Util::_FileDb)
            export_device(device);
        else
            export_device(device, device->get_name().c_str());
    }
}

} // namespace KT7310_ns
