#include "app/CommandLine.h"

namespace {
const QString ProgramName = QStringLiteral("KT7310_GUI");

// "log" introduced by "-" or "/", matched in any letter case.
bool isLogSwitch(const QString &argument)
{
    if (argument.compare(QLatin1String("--log"), Qt::CaseInsensitive) == 0)
        return true;
    return argument.size() == 4 &&
           (argument[0] == QLatin1Char('-') || argument[0] == QLatin1Char('/')) &&
           argument.mid(1).compare(QLatin1String("log"), Qt::CaseInsensitive) == 0;
}
} // namespace

TCommandLine ParseCommandLine(const QStringList &arguments)
{
    TCommandLine result;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && isLogSwitch(argument)) {
            result.Log = true;
        } else if (!optionsEnded && argument == QLatin1String("--pick-port")) {
            result.PickPort = true;
        } else if (!optionsEnded && argument == QLatin1String("--demo")) {
            result.Demo = true;
        } else if (!optionsEnded &&
                   (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            result.Help = true;
        } else if (!optionsEnded && argument == QLatin1String("--version")) {
            result.Version = true;
        } else if (!optionsEnded && argument.size() > 1 &&
                   (argument.startsWith(QLatin1Char('-')) ||
                    argument.startsWith(QLatin1Char('/')))) {
            result.Ignored << QStringLiteral("unrecognized option '%1'").arg(argument);
        } else {
            result.Ignored << QStringLiteral("unexpected argument '%1'").arg(argument);
        }
    }
    return result;
}

QString HelpText()
{
    return QStringLiteral(
               "Usage: %1 [OPTION]...\n"
               "Control panel for the 7310, 462K and 410 digital delay and pulse generators.\n"
               "Without options it scans the serial ports and line speeds for the instrument,\n"
               "then reads its whole configuration into the window.\n"
               "\n"
               "      --pick-port  choose the serial port by hand (as holding Space at start)\n"
               "      --demo       demonstration mode without an instrument\n"
               "                   (as holding Left Shift at start)\n"
               "  -log, /log       write every line sent and received to a log file in the\n"
               "                   working folder (any letter case)\n"
               "  -h, --help       display this help and exit\n"
               "      --version    output version information and exit\n")
        .arg(ProgramName);
}

QString VersionText()
{
    return ProgramName + QLatin1Char(' ') + QStringLiteral(KT7310_VERSION) + QLatin1Char('\n');
}

QString IgnoredText(const TCommandLine &commandLine)
{
    QString text;
    for (const QString &what : commandLine.Ignored)
        text += QStringLiteral("%1: ignoring %2\n").arg(ProgramName, what);
    if (!text.isEmpty())
        text += QStringLiteral("Try '%1 --help' for more information.\n").arg(ProgramName);
    return text;
}

QStringList RestartOptions(const TCommandLine &commandLine)
{
    QStringList options;
    if (commandLine.PickPort)
        options << QStringLiteral("--pick-port");
    if (commandLine.Demo)
        options << QStringLiteral("--demo");
    return options;
}

TStartupPath ChooseStartupPath(const TStartupKeys &keys, const TCommandLine &commandLine)
{
    if (keys.SpaceHeld || commandLine.PickPort)
        return TStartupPath::PickPort;
    if (keys.LeftShiftHeld || commandLine.Demo)
        return TStartupPath::Demo;
    return TStartupPath::Discovery;
}
