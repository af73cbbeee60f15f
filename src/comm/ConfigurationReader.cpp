#include "comm/ConfigurationReader.h"

#include "base/ErrorReport.h"
#include "base/ReadableText.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/ConfigRecords.h"
#include "protocol/Conversions.h"

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

QString ConfigurationReader::Unreadable(const TConfigQuery &query, const QString &reply)
{
    // A value no settings line records (the security state) keeps the transactions'
    // reading: a reply that is no number reads 0.
    if (!query.Kept)
        return QString();
    if (reply.isEmpty() || (query.Numeric && query.Record < 0))
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
