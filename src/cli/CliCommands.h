#pragma once

#include "cli/CliArguments.h"
#include "cli/CliExitCode.h"

#include <QStringList>
#include <optional>

class CliOutput;
class CliSession;

// The subcommands, each on a connected session: find, query, send, save, load, run,
// stop, status. Each returns the run's exit code; errors are already reported.
class CliCommands
{
public:
    CliCommands(const CliArguments &arguments, CliSession &session, CliOutput &out);

    // What needs no instrument, done before it is looked for: load reads its file (an
    // empty one is refused).
    CliExitCode Prepare();
    CliExitCode Run();

    // The settings list of a full read, as the window's initialization builds it:
    // date, caption and identity comments, then one line per kept query. Empty when the
    // run ended on the way.
    QStringList ReadSettings();

private:
    CliExitCode Find();
    CliExitCode Query();
    CliExitCode Send();
    CliExitCode Save();
    CliExitCode Load();
    CliExitCode Status();
    CliExitCode Finished();
    // A number from low to high asked as a query; nothing, with the run ended, when the
    // reply is none (ReplyUnreadable) or the run ended while waiting.
    std::optional<qint64> AskNumber(const QByteArray &mnemonic, qint64 low, qint64 high);

    const CliArguments &FArgs;
    QStringList FFileLines; // load: the file, read by Prepare
    CliSession &FSession;
    CliOutput &FOut;
};
