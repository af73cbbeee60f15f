// kt7310: the control panel's companion for the shell. The same discovery, transactions,
// configuration queries and files as the window, without widgets.

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "comm/Communication.h"

#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kt7310"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KT7310_VERSION));
    QLocale::setDefault(QLocale::c());
    CliOutput out;

    const CliArguments args = CliArguments::Parse(app.arguments().mid(1));
    if (!args.Error.isEmpty()) {
        out.Error(args.Error);
        return ExitStatus(CliExitCode::BadArguments);
    }
    if (args.Version) {
        out.Line(QStringLiteral("kt7310 ") + QStringLiteral(KT7310_VERSION));
        return ExitStatus(CliExitCode::Ok);
    }
    if (args.Help) {
        std::fputs(CliArguments::HelpText(args.Command).toLocal8Bit().constData(), stdout);
        return ExitStatus(CliExitCode::Ok);
    }

    CliSession session(out);
    CliCommands commands(args, session, out);
    if (const CliExitCode prepared = commands.Prepare(); prepared != CliExitCode::Ok)
        return ExitStatus(prepared);
    if (!session.Connect(args.Port, args.Baud))
        return ExitStatus(session.ExitCode());
    if (args.Log) {
        // Named, as the window's log, after the moment the instrument was found.
        session.Comm().StampStartTime();
        session.Comm().ToggleLoggingState();
    }
    return ExitStatus(commands.Run());
}
