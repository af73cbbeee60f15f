#pragma once

// The device's commands, each handed to the instrument's session.

#include <tango.h>

namespace KT7310_ns {

class KT7310Command : public Tango::Command
{
public:
    enum TKind
    {
        Start,
        Stop,
        Refresh,
        SaveToBin,
        RecallBin,
        SaveSettings,
        LoadSettings,
        ListSettings,
        SendLine,
    };
    KT7310Command(TKind kind, const char *name, Tango::CmdArgType in, Tango::CmdArgType out,
                  const char *inDescription, const char *outDescription,
                  Tango::DispLevel level = Tango::OPERATOR);

    CORBA::Any *execute(Tango::DeviceImpl *device, const CORBA::Any &in) override;

private:
    const TKind FKind;
};

} // namespace KT7310_ns
