#include "tango/KT7310Attribute.h"

#include "tango/KT7310.h"

#include <sys/time.h>

namespace KT7310_ns {

namespace {
long TangoType(TDeviceAttribute::TType type)
{
    switch (type) {
    case TDeviceAttribute::Boolean:
        return Tango::DEV_BOOLEAN;
    case TDeviceAttribute::Enum:
        return Tango::DEV_ENUM;
    case TDeviceAttribute::Double:
        return Tango::DEV_DOUBLE;
    case TDeviceAttribute::Long:
        return Tango::DEV_LONG;
    case TDeviceAttribute::Long64:
        return Tango::DEV_LONG64;
    case TDeviceAttribute::String:
        break;
    }
    return Tango::DEV_STRING;
}
} // namespace

KT7310Attribute::KT7310Attribute(const TDeviceAttribute &d)
    : Tango::Attr(d.Name.c_str(), TangoType(d.Type), d.Writable ? Tango::READ_WRITE : Tango::READ),
      FDescription(d)
{
    Tango::UserDefaultAttrProp properties;
    properties.set_label(d.Label.c_str());
    properties.set_description(d.Description.c_str());
    if (!d.Unit.empty()) {
        properties.set_unit(d.Unit.c_str());
        properties.set_display_unit(d.Unit.c_str());
    }
    if (!d.StandardUnit.empty())
        properties.set_standard_unit(d.StandardUnit.c_str());
    if (!d.Format.empty())
        properties.set_format(d.Format.c_str());
    if (!d.Min.empty())
        properties.set_min_value(d.Min.c_str());
    if (!d.Max.empty())
        properties.set_max_value(d.Max.c_str());
    if (d.Type == TDeviceAttribute::Enum) {
        std::vector<std::string> labels = d.EnumLabels;
        properties.set_enum_labels(labels);
    }
    set_default_properties(properties);
    // Every change is pushed by the device itself, whoever made it.
    set_change_event(true, false);
}

namespace {
// The value in the buffer of its type, handed to use as a pointer to it (a read's
// set_value, an event's push).
template <typename Use>
void WithBuffer(TDeviceAttribute::TType type, const TDeviceValue &value, TValueBuffer &b, Use use)
{
    switch (type) {
    case TDeviceAttribute::Boolean:
        b.Boolean = value.Number != 0;
        use(&b.Boolean);
        break;
    case TDeviceAttribute::Enum:
        b.Short = Tango::DevShort(value.Number);
        use(&b.Short);
        break;
    case TDeviceAttribute::Double:
        b.Double = value.Number;
        use(&b.Double);
        break;
    case TDeviceAttribute::Long:
        b.Long = Tango::DevLong(value.Number);
        use(&b.Long);
        break;
    case TDeviceAttribute::Long64:
        b.Long64 = value.Whole;
        use(&b.Long64);
        break;
    case TDeviceAttribute::String:
        b.Text = value.Text;
        b.TextPointer = const_cast<char *>(b.Text.c_str());
        use(&b.TextPointer);
        break;
    }
}
} // namespace

void KT7310Attribute::Fill(Tango::Attribute &attribute, TDeviceAttribute::TType type,
                           const TDeviceValue &value, bool valid, TValueBuffer &b)
{
    if (!valid || !value.Valid) {
        attribute.set_quality(Tango::ATTR_INVALID);
        return;
    }
    WithBuffer(type, value, b, [&attribute](auto *data) { attribute.set_value(data); });
    attribute.set_quality(Tango::ATTR_VALID);
}

void KT7310Attribute::Push(Tango::DeviceImpl &device, const TDeviceAttribute &description,
                           const TDeviceValue &value, bool valid, TValueBuffer &b)
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    // No value to show: the event says so with its quality.
    const Tango::AttrQuality quality = valid && value.Valid ? Tango::ATTR_VALID : Tango::ATTR_INVALID;
    WithBuffer(description.Type, value, b, [&](auto *data) {
        device.push_change_event(description.Name, data, now, quality);
    });
}

void KT7310Attribute::read(Tango::DeviceImpl *device, Tango::Attribute &attribute)
{
    auto &kt = static_cast<KT7310 &>(*device);
    TDeviceValue value;
    if (!kt.Link().Snapshot().Find(FDescription.Name, nullptr, &value))
        Tango::Except::throw_exception("KT7310_NoSuchAttribute",
                                       FDescription.Name + " is gone: the model changed.",
                                       "KT7310Attribute::read");
    Fill(attribute, FDescription.Type, value, kt.Link().Snapshot().State() != TDeviceState::Fault,
         kt.Buffer(FDescription.Name));
}

void KT7310Attribute::write(Tango::DeviceImpl *device, Tango::WAttribute &attribute)
{
    TDeviceValue value;
    value.Valid = true;
    switch (FDescription.Type) {
    case TDeviceAttribute::Boolean: {
        Tango::DevBoolean v = false;
        attribute.get_write_value(v);
        value.Number = v ? 1 : 0;
        break;
    }
    case TDeviceAttribute::Enum: {
        Tango::DevShort v = 0;
        attribute.get_write_value(v);
        value.Number = v;
        break;
    }
    case TDeviceAttribute::Double: {
        Tango::DevDouble v = 0;
        attribute.get_write_value(v);
        value.Number = v;
        break;
    }
    case TDeviceAttribute::Long: {
        Tango::DevLong v = 0;
        attribute.get_write_value(v);
        value.Number = v;
        break;
    }
    case TDeviceAttribute::Long64: {
        Tango::DevLong64 v = 0;
        attribute.get_write_value(v);
        value.Number = double(v); // counts end below 2^32: exact
        break;
    }
    case TDeviceAttribute::String:
        Tango::Except::throw_exception("KT7310_ReadOnly", FDescription.Name + " is read-only.",
                                       "KT7310Attribute::write");
    }
    const TDeviceResult result = static_cast<KT7310 &>(*device).Link().Write(FDescription.Name, value);
    if (!result.Ok)
        Tango::Except::throw_exception(result.Reason, result.Text, "KT7310Attribute::write");
}

} // namespace KT7310_ns
