#include "comm/ConfigurationReader.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"

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
    if (query.Numeric) {
        reply.Number = FComm.QueryPortInt(query.Mnemonic);
        reply.Text = QString::number(reply.Number);
    } else {
        reply.Text = FComm.QueryPort(query.Mnemonic);
    }
    // Transactions return at once, empty, once the run is ending: not a reply.
    if (Abandoned && Abandoned())
        return std::nullopt;
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
        if (replied)
            replied(query, *reply);
        if (Abandoned && Abandoned())
            return false;
    }
    return true;
}
