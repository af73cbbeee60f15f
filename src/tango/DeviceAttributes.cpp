#include "tango/DeviceAttributes.h"

#include "protocol/ModelTable.h"
#include "protocol/SettingTable.h"
#include "session/InstrumentSession.h"

#include <QRegularExpression>
#include <cmath>

namespace {
std::string Std(const QString &text)
{
    return text.toStdString();
}

// A limit as Tango's properties take it: C-locale digits, exact for counts.
std::string LimitText(double value)
{
    return Std(QString::number(value, 'g', 17));
}

// "DutyCycleOn" -> "duty cycle on".
QString Words(const QString &name)
{
    static const QRegularExpression wordStart(QStringLiteral("([a-z0-9])([A-Z])"));
    QString words = name;
    words.replace(wordStart, QStringLiteral("\\1 \\2"));
    return words.toLower();
}

TDeviceAttribute Identity(const char *name, TDeviceAttribute::TType type,
                          TDeviceAttribute::TSource source, const char *description)
{
    TDeviceAttribute a;
    a.Name = name;
    a.Label = name;
    a.Type = type;
    a.Source = source;
    a.Description = description;
    a.Format = type == TDeviceAttribute::String ? "%s" : "%d";
    return a;
}

TDeviceAttribute FromRow(const InstrumentSession &session, int index, int number)
{
    const TSettingRow &row = SettingTable().at(index);
    TDeviceAttribute a;
    a.SettingIndex = index;
    a.Number = number;
    a.Writable = true;
    const bool channel = row.Scope == TSettingScope::Channel;
    a.Name = Std((channel ? QStringLiteral("Ch%1").arg(number) : QString()) + row.Name);
    a.Label = channel ? Std(QStringLiteral("Ch%1 %2").arg(number).arg(Words(row.Name))) : a.Name;
    const QString owner = channel ? QStringLiteral("Channel %1's ").arg(number)
                                  : row.Scope == TSettingScope::Input ? QString()
                                                                      : QStringLiteral("The system's ");
    QString description = owner + Words(row.Name);
    if (!channel && row.Scope == TSettingScope::Input)
        description[0] = description[0].toUpper();
    description += QStringLiteral(", set with \"%1%2\"").arg(SettingHead(row, number), row.Mnemonic);
    const InstrumentSession::TSettingRange range = session.SettingRange(row);
    switch (row.Kind) {
    case TSettingKind::Time:
    case TSettingKind::Volts:
        a.Type = TDeviceAttribute::Double;
        a.Unit = Std(row.Unit);
        a.StandardUnit = "1";
        a.Format = Std(QStringLiteral("%.%1f").arg(row.Decimals));
        a.Min = LimitText(range.Min);
        a.Max = LimitText(range.Max);
        if (range.Step > 0)
            description += QStringLiteral("; a multiple of %1 s").arg(range.Step, 0, 'g', 6);
        break;
    case TSettingKind::Count:
        a.Type = TDeviceAttribute::Long64;
        a.Format = "%d";
        a.Min = LimitText(range.Min);
        a.Max = LimitText(range.Max);
        break;
    case TSettingKind::Mask:
        a.Type = TDeviceAttribute::Long;
        a.Format = "%d";
        a.Min = LimitText(range.Min);
        a.Max = LimitText(range.Max);
        description += QStringLiteral("; bit i for multiplexer item i");
        break;
    case TSettingKind::Token:
        a.Type = TDeviceAttribute::Enum;
        for (const QString &label : row.Labels)
            a.EnumLabels.push_back(Std(label));
        break;
    case TSettingKind::Switch:
        a.Type = TDeviceAttribute::Boolean;
        break;
    }
    a.Description = Std(description);
    return a;
}
} // namespace

std::vector<TDeviceAttribute> DeviceAttributeList(const InstrumentSession &session)
{
    using A = TDeviceAttribute;
    std::vector<A> list{
        Identity("Model", A::String, A::Model, "The instrument's model, as it identifies itself"),
        Identity("SerialNumber", A::Long, A::SerialNumber, "The instrument's serial number"),
        Identity("Badge", A::String, A::Badge, "The badge the instrument carries"),
        Identity("FirmwareVersion", A::String, A::FirmwareVersion, "The firmware's version"),
        Identity("FpgaVersion", A::String, A::FpgaVersion, "The FPGA's version"),
        Identity("ChannelCount", A::Long, A::ChannelCount, "The model's output channels"),
    };
    const QList<TSettingRow> &table = SettingTable();
    for (int i = 0; i < table.size(); ++i) {
        const TSettingRow &row = table.at(i);
        // The run state is the device's state, set with Start and Stop.
        if (row.Scope == TSettingScope::Channel || row.Name == QLatin1String("RunState"))
            continue;
        list.push_back(FromRow(session, i, -1));
        if (row.Name == QLatin1String("CounterSource")) {
            A shots = Identity("ShotCount", A::Long64, A::ShotCount,
                               "The instrument's shot count, read by the status poll");
            list.push_back(shots);
        }
    }
    const int channels = qBound(1, session.ChannelCount, int(MaxChannels));
    for (int n = 1; n <= channels; ++n) {
        for (int i = 0; i < table.size(); ++i) {
            if (table.at(i).Scope == TSettingScope::Channel)
                list.push_back(FromRow(session, i, n));
        }
    }
    return list;
}

TDeviceValue DeviceAttributeValue(const InstrumentSession &session, const TDeviceAttribute &a)
{
    TDeviceValue v;
    v.Valid = true;
    const TIdentityRecord &id = session.Identity;
    switch (a.Source) {
    case TDeviceAttribute::Model:
        v.Text = Std(id.ModelNumber);
        return v;
    case TDeviceAttribute::SerialNumber:
        v.Number = id.SerialNumber;
        return v;
    case TDeviceAttribute::Badge:
        v.Text = Std(id.Company);
        return v;
    case TDeviceAttribute::FirmwareVersion:
        v.Text = Std(id.FirmwareVersion);
        return v;
    case TDeviceAttribute::FpgaVersion:
        v.Text = Std(id.FPGAVersion);
        return v;
    case TDeviceAttribute::ChannelCount:
        v.Number = session.ChannelCount;
        return v;
    case TDeviceAttribute::ShotCount:
        v.Whole = session.WholeShotCount();
        return v;
    case TDeviceAttribute::Setting:
        break;
    }
    const std::optional<double> value = session.SettingValue(SettingTable().at(a.SettingIndex), a.Number);
    if (!value || (a.Type == TDeviceAttribute::Enum &&
                   (*value < 0 || *value >= double(a.EnumLabels.size())))) {
        v.Valid = false;
        return v;
    }
    v.Number = *value;
    v.Whole = std::llround(*value);
    return v;
}
