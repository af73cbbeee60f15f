#include "protocol/ConfigurationQueries.h"

#include "base/DateTimeText.h"
#include "protocol/ConfigRecords.h"
#include "protocol/ModelTable.h"
#include "protocol/SettingCommands.h"
#include "protocol/SettingTable.h"

namespace {
QString RecordName(int record)
{
    switch (record) {
    case 0:
        return QStringLiteral("system");
    case 90:
        return QStringLiteral("trigger 1");
    case 91:
        return QStringLiteral("trigger 2");
    case 92:
        return QStringLiteral("gate 1");
    case 93:
        return QStringLiteral("gate 2");
    default:
        return QStringLiteral("channel ") + QString::number(record);
    }
}

// A single value's query as the setting table gives it: its spelling, whether its reply
// is a number and its name in reports.
TConfigQuery SettingQuery(TConfigItem item, const char *setting)
{
    const TSettingRow &row = SettingRow(TSettingScope::System, QLatin1String(setting));
    return {item, -1, row.Query.toLatin1(), !row.TokenReply, true, row.ReportName};
}

// The single-value queries, in the order they are asked. The security state is no
// setting: it is asked as a number and not recorded.
const QList<TConfigQuery> &SystemQueries()
{
    static const QList<TConfigQuery> queries{
        {TConfigItem::SecurityState, -1, SecurityQuery().toLatin1(), true, false,
         QStringLiteral("Security")},
        SettingQuery(TConfigItem::AutoStart, "AutoStart"),
        SettingQuery(TConfigItem::InputClock, "InputClock"),
        SettingQuery(TConfigItem::OutputClock, "OutputClock"),
        SettingQuery(TConfigItem::SyncOutput, "SyncOutput"),
        SettingQuery(TConfigItem::CounterEnable, "CounterEnabled"),
        SettingQuery(TConfigItem::CounterSource, "CounterSource"),
    };
    return queries;
}
} // namespace

TConfigQuery RecordQueryFor(int record)
{
    const TConfigItem item = record == 0                    ? TConfigItem::SystemRecord
                             : record >= 90 && record <= 93 ? TConfigItem::InputRecord
                                                            : TConfigItem::ChannelRecord;
    return {item, record, RecordQuery(record).toLatin1(), false, true, RecordName(record)};
}

QList<TConfigQuery> ConfigurationQueries(int channelCount)
{
    QList<TConfigQuery> queries;
    for (int record : {0, 90, 91, 92, 93})
        queries << RecordQueryFor(record);
    queries << SystemQueries();
    for (int chnum = 1; chnum <= channelCount; ++chnum)
        queries << RecordQueryFor(chnum);
    return queries;
}

QString SettingsLine(const TConfigQuery &query, const TConfigReply &reply)
{
    if (query.Record >= 0)
        return RecordSettingsLine(query.Record, reply.Text);
    return QString::fromLatin1(query.Mnemonic) + u' ' + reply.Text;
}

std::optional<TParsedSettingsLine> ParseSettingsLine(const QString &line)
{
    if (const auto record = ParseRecordSettingsLine(line))
        return TParsedSettingsLine{RecordQueryFor(record->Record), record->Reply};
    for (const TConfigQuery &query : SystemQueries()) {
        const QString head = QString::fromLatin1(query.Mnemonic) + u' ';
        if (query.Kept && line.startsWith(head))
            return TParsedSettingsLine{query, line.mid(head.size())};
    }
    return std::nullopt;
}

TIdentityTexts IdentityTexts(const TIdentityRecord &identity, const QString &softwareVersion,
                             int port, int baud)
{
    return IdentityTexts(identity, softwareVersion, QString::number(port), baud);
}

TIdentityTexts IdentityTexts(const TIdentityRecord &identity, const QString &softwareVersion,
                             const QString &port, int baud)
{
    // Two blanks before "SW Version:".
    return {CompanyName(identity.Company) + QStringLiteral(" Model ") + identity.ModelNumber +
                QStringLiteral("  SW Version: ") + softwareVersion + QStringLiteral(" ComPort: ") +
                port + QStringLiteral(" Baud: ") + QString::number(baud),
            QStringLiteral("Serial Number: ") + QString::number(identity.SerialNumber),
            QStringLiteral("Firmware Ver: ") + identity.FirmwareVersion,
            QStringLiteral("FPGA Ver: ") + identity.FPGAVersion};
}

QString SettingsDateLine()
{
    return QStringLiteral("// ") + LocalDateTimeText();
}

QStringList SettingsIdentityLines(const TIdentityTexts &texts)
{
    const QString comment = QStringLiteral("// ");
    return {comment + texts.Caption, comment + texts.SerialNumber, comment + texts.Firmware,
            comment + texts.FPGA};
}
