#pragma once

// The device class KT7310: its properties, its commands, and its devices as the database
// (or the file database) names them. Its attributes are made per device once the
// connected model is known.

#include <tango.h>

namespace KT7310_ns {

class KT7310Class : public Tango::DeviceClass
{
public:
    static KT7310Class *init(const char *name);
    static KT7310Class *instance();

protected:
    explicit KT7310Class(std::string &name);
    void attribute_factory(std::vector<Tango::Attr *> &) override {}
    void command_factory() override;
    void device_factory(const Tango::DevVarStringArray *devices) override;

private:
    static KT7310Class *FInstance;
};

} // namespace KT7310_ns
