#include "comm/ConfigurationReader.h"

#include "base/ErrorReport.h"
#include "base/ReadableText.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/ConfigRecords.h"
#include "protocol/Conversions.h"
#include "protocol/SettingTable.h"

ConfigurationReader::ConfigurationReader(Communication &comm, QStringList &settingsList)
    : Abandoned([&comm] { return comm.ComPort().Abandoned(); }), FComm(comm),
      FSettingsList(settingsList)
{
}

std::optional<TConfigReply> ConfigurationReader::Ask(const TConfigQuery &query)
{
    if (Asking)
        Asking(query);
    TConfigReply reply;
    reply.Text = FComm.QueryPort(query.Mnemonic);
    // Transactions return at once, empty, once the run is ending: not a reply.
    if (Abandoned && Abandoned())
        return std::nullopt;
    if (query.Numeric) {
        // A number is recorded as the number read, in decimal; a reply that is none
        // keeps its text for the report (Unreadable), but one no settings line records.
        const std::optional<qint32> number = TryStrToInt(TrimBoth(reply.Text));
        reply.Number = number.value_or(0);
        if (number || !query.Kept)
            reply.Text = QString::number(reply.Number);
    }
    if (query.Kept)
        FSettingsList << SettingsLine(query, reply);
    return reply;
}

bool ConfigurationReader::ReadAll(int channelCount, const Replied &replied)
{
    for (const TConfigQuery &query : ConfigurationQueries(channelCount)) {
        const std::optional<TConfigReply> reply = Ask(query);
        if (!reply)
            return false;
        const QString reason = Unreadable(query, reply->Text);
        if (replied && (reason.isEmpty() || query.Record >= 0)) {
            try {
                replied(query, *reply);
            } catch (const EConvertError &error) {
                throw EConvertError(UnreadableText(query.Mnemonic, reply->Text, error.Message));
            }
        }
        if (!reason.isEmpty())
            throw EConvertError(UnreadableText(query.Mnemonic, reply->Text, reason));
        if (Abandoned && Abandoned())
            return false;
    }
    return true;
}

namespace {
// The setting row a single-value query reads; none for one outside the setting table.
const TSettingRow *SystemRowFor(const TConfigQuery &query)
{
    for (const TSettingRow &row : SettingTable())
        if (row.Record == NoRecord && row.Query == QLatin1String(query.Mnemonic))
            return &row;
    return nullptr;
}

QString NotOneOf(const QStringList &tokens)
{
    return QStringLiteral("not one of ") + tokens.join(QStringLiteral(", "));
}
} // namespace

QString ConfigurationReader::Unreadable(const TConfigQuery &query, const QString &reply)
{
    // A value no settings line records (the security state) keeps the transactions'
    // reading: a reply that is no number reads 0.
    if (!query.Kept)
        return QString();
    if (query.Record < 0) {
        const TSettingRow *row = SystemRowFor(query);
        if (reply.isEmpty() || query.Numeric) {
            const QString reason = UnreadableNumber(reply);
            if (!reason.isEmpty() || !row || row->Kind != TSettingKind::Switch)
                return reason;
            const qint32 value = StrToInt(TrimBoth(reply));
            return value == 0 || value == 1 ? QString() : QStringLiteral("not a number from 0 to 1");
        }
        return row && !row->ReadTokens.contains(reply) ? NotOneOf(row->ReadTokens)
                                                        : QString();
    }
    if (reply.isEmpty())
        return UnreadableNumber(reply);
    try {
        // The record readers on scratch mirrors: whatever they reject, the window does.
        TSystemMirrors mirrors;
        switch (query.Item) {
        case TConfigItem::SystemRecord: {
            TSystemCounts counts;
            ReadSystemRecord(reply, mirrors, counts, [](TSystemField, bool) {});
            break;
        }
        case TConfigItem::InputRecord: {
            double threshold = 0;
            ReadInputRecord(query.Record, reply, mirrors, threshold, [](TInputField, bool) {});
            break;
        }
        case TConfigItem::ChannelRecord: {
            ChannelConfig config;
            ReadChannelRecord(reply, config, [](TChannelField, bool) {});
            break;
        }
        default:
            break;
        }
    } catch (const EConvertError &error) {
        return error.Message;
    }
    // Numbers the readers took. A field too many or too few ends as a token or number out
    // of place: the last field is the rest of the record.
    const QList<TRecordField> fields = ReadRecordFields(query.Record, reply);
    for (const TRecordField &field : fields) {
        if (!field.Matched)
            return QStringLiteral("%1: %2").arg(field.Row->ReportName,
                                                NotOneOf(field.Row->ReadTokens));
        if (field.Row->Kind == TSettingKind::Switch && field.Value != 0 && field.Value != 1)
            return field.Row->ReportName + QStringLiteral(": not a number from 0 to 1");
    }
    return QString();
}

QString ConfigurationReader::UnreadableNumber(const QString &reply)
{
    if (reply.isEmpty())
        return QStringLiteral("no reply");
    try {
        StrToInt(TrimBoth(reply));
    } catch (const EConvertError &error) {
        return error.Message;
    }
    return QString();
}

QString ConfigurationReader::UnreadableText(const QByteArray &mnemonic, const QString &reply,
                                            const QString &reason)
{
    return ReadableText(QStringLiteral("The reply to \"%1?\" cannot be read: \"%2\" (%3).")
                            .arg(QString::fromLatin1(mnemonic), reply, reason));
}
