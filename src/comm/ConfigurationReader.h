#pragma once

// Runs the configuration queries (ConfigurationQueries) over the transactions and keeps
// the settings line of each reply. What a reply does beyond that (fill a window, compare
// with a file) is the caller's: it is handed every reply in order, each once its settings
// line is kept and before the next query goes out.
//
// A reply the program cannot read ends the full read: a record the record reader
// rejects (a number field that is empty or no number), a record with a token its field
// does not have (also one with a field too many or too few), an empty reply, a reply to a
// numeric query that is no number (or, for an off/on setting, neither 0 nor 1), or a
// reply to a token query that is none of its setting's tokens. Such a read is not complete, and nothing may take it
// for one (a settings file written from it would look whole and is not). The security
// state, which no settings line records, reads 0 (unsecured) for a reply that is no
// number, as every numeric transaction does.

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

    // One query: the transaction, then its settings line. Nothing when abandoned. A
    // reply that cannot be read is still returned (a number that is none reads 0); see
    // Unreadable.
    std::optional<TConfigReply> Ask(const TConfigQuery &query);

    // The full read for channelCount channels. False when abandoned. Throws EConvertError
    // with UnreadableText when a reply cannot be read: a record's reply is still handed
    // to replied first, so that its fields before the bad one are applied, a single
    // value's is not. replied may throw EConvertError itself, which ends the read there
    // with that error in the same form (the reply's settings line is already kept).
    using Replied = std::function<void(const TConfigQuery &query, const TConfigReply &reply)>;
    bool ReadAll(int channelCount, const Replied &replied);

    // Why the reply text to query cannot be read ("'' is not a valid integer value"), or
    // an empty text when it can.
    static QString Unreadable(const TConfigQuery &query, const QString &reply);
    // The same for a reply that must be a number: "no reply", or why it is none.
    static QString UnreadableNumber(const QString &reply);
    // The report of such a reply to the query mnemonic (as handed to the transaction,
    // which appends the "?"): the query as it went over the wire and the reply, control
    // characters shown (see ReadableText),
    // "The reply to "*CFG?3?" cannot be read: "garbage" ('' is not a valid integer value)."
    static QString UnreadableText(const QByteArray &mnemonic, const QString &reply,
                                  const QString &reason);

private:
    Communication &FComm;
    QStringList &FSettingsList;
};
