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

// A single value's query as the setting table spells it.
QByteArray QueryOf(const char *setting)
{
    return SettingRow(TSettingScope::System, QLatin1String(setting)).Query.toLatin1();
}

// The single-value queries, in the order they are asked.
const QList<TConfigQuery> &SystemQueries()
{
    static const QList<TConfigQuery> queries{
        {TConfigItem::SecurityState, -1, SecurityQuery().toLatin1(), true, false, QStringLiteral("Security")},
        {TConfigItem::AutoStart, -1, QueryOf("AutoStart"), true, true, QStringLiteral("AutoStart")},
        {TConfigItem::InputClock, -1, QueryOf("InputClock"), false, true,
         QStringLiteral("InputClock")},
        {TConfigItem::OutputClock, -1, QueryOf("OutputClock"), false, true,
         QStringLiteral("OutputClock")},
        {TConfigItem::SyncOutput, -1, QueryOf("SyncOutput"), false, true,
         QStringLiteral("SyncOutput")},
        {TConfigItem::CounterEnable, -1, QueryOf("CounterEnabled"), true, true,
         QStringLiteral("ShotCounter")},
        {TConfigItem::CounterSource, -1, QueryOf("CounterSource"), false, true,
         QStringLiteral("CounterSource")},
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
    static const QString recordHead = QStringLiteral("*CFG ");
    if (line.startsWith(recordHead)) {
        const qsizetype blank = line.indexOf(u' ', recordHead.size());
        const QString number =
            line.mid(recordHead.size(), blank < 0 ? -1 : blank - recordHead.size());
        bool ok = false;
        const int record = number.toInt(&ok);
        const bool known = ok && number == QString::number(record) &&
                           (record == 0 || (record >= 90 && record <= 93) ||
                            (record >= 1 && record <= MaxChannels));
        if (!known)
            return std::nullopt;
        return TParsedSettingsLine{RecordQueryFor(record),
                                   blank < 0 ? QString() : line.mid(blank + 1)};
    }
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
    // Two blanks before "SW Version:".
    return {CompanyName(identity.Company) + QStringLiteral(" Model ") + identity.ModelNumber +
                QStringLiteral("  SW Version: ") + softwareVersion + QStringLiteral(" ComPort: ") +
                QString::number(port) + QStringLiteral(" Baud: ") + QString::number(baud),
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
