#include "tango/KT7310Command.h"

#include "tango/KT7310.h"

namespace KT7310_ns {

KT7310Command::KT7310Command(TKind kind, const char *name, Tango::CmdArgType in,
                             Tango::CmdArgType out, const char *inDescription,
                             const char *outDescription, Tango::DispLevel level)
    : Tango::Command(name, in, out, inDescription, outDescription, level), FKind(kind)
{
}

CORBA::Any *KT7310Command::execute(Tango::DeviceImpl *device, const CORBA::Any &in)
{
    DeviceLink &link = static_cast<KT7310 &>(*device).Link();
    const std::string origin = "KT7310::" + get_name();
    const auto check = [&origin](const TDeviceResult &result) {
        KT7310::Check(result, origin.c_str());
        return result;
    };
    const auto text = [&in, this] {
        Tango::DevString value = nullptr;
        extract(in, value);
        return std::string(value ? value : "");
    };
    const auto bin = [&in, this] {
        Tango::DevShort value = 0;
        extract(in, value);
        return int(value);
    };
    switch (FKind) {
    case Start:
        check(link.Run(true));
        break;
    case Stop:
        check(link.Run(false));
        break;
    case Refresh:
        check(link.Refresh());
        break;
    case SaveToBin:
        check(link.SaveToBin(bin()));
        break;
    case RecallBin:
        check(link.RecallBin(bin()));
        break;
    case SaveSettings:
        check(link.SaveSettings(text()));
        break;
    case LoadSettings:
        return insert(CORBA::string_dup(check(link.LoadSettings(text())).Text.c_str()));
    case ListSettings: {
        const TDeviceResult result = check(link.ListSettings());
        auto *names = new Tango::DevVarStringArray();
        names->length(CORBA::ULong(result.List.size()));
        for (CORBA::ULong i = 0; i < names->length(); ++i)
            (*names)[i] = CORBA::string_dup(result.List[i].c_str());
        return insert(names);
    }
    case SendLine:
        return insert(CORBA::string_dup(check(link.SendLine(text())).Text.c_str()));
    }
    return insert();
}

} // namespace KT7310_ns
