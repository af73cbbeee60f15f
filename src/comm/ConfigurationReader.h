#pragma once

// Runs the configuration queries (ConfigurationQueries) over the transactions and keeps
// the settings line of each reply. What a reply does beyond that (fill a window, compare
// with a file) is the caller's: it is handed every reply in order, each once its settings
// line is kept and before the next query goes out.

#include "protocol/ConfigurationQueries.h"

#include <QStringList>
#include <functional>
#include <optional>

class Communication;

class ConfigurationReader
{
public:
    // Settings lines are appended to settingsList.
    ConfigurationReader(Communication &comm, QStringList &settingsList);

    // The run is ending (restart or exit decided during a reply wait): the reply just
    // read is dropped and nothing further is asked. By default: the port was given up.
    std::function<bool()> Abandoned;
    // Called before each query goes out (progress).
    std::function<void(const TConfigQuery &query)> Asking;

    // One query: the transaction, then its settings line. Nothing when abandoned.
    std::optional<TConfigReply> Ask(const TConfigQuery &query);

    // The full read for channelCount channels; replied may throw, which ends the read
    // there (the reply's settings line is already kept). False when abandoned.
    using Replied = std::function<void(const TConfigQuery &query, const TConfigReply &reply)>;
    bool ReadAll(int channelCount, const Replied &replied);

private:
    Communication &FComm;
    QStringList &FSettingsList;
};
