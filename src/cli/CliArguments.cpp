#include "cli/CliArguments.h"

#include "comm/InstrumentScanner.h"

namespace {
struct CommandHelp
{
    const char *Name;
    const char *Synopsis;
    const char *Text;
    bool TakesLines; // one or more LINE operands
    bool TakesFile;  // exactly one FILE operand
    bool Json;
};

// clang-format off
const CommandHelp CommandTable[] = {
    {"find", "kt7310 find [--port N] [--baud B] [--json]",
     "Scans the serial ports COM1 to COM100 and the line speeds 115200, 57600, 38400,\n"
     "19200, 9600 and 4800 for an instrument with a known model, as the window does at\n"
     "start, and prints the port, the speed and the instrument's identity.\n",
     false, false, true},
    {"query", "kt7310 query LINE... [--json]",
     "Asks each LINE as a query, one transaction each, and prints each reply on its own\n"
     "line. The \"?\" is added as the window adds it (a trailing \"?\" given is not\n"
     "doubled): \"kt7310 query :PULS1:DEL\" sends \":PULS1:DEL?\".\n",
     true, false, true},
    {"send", "kt7310 send LINE...",
     "Sends each LINE unchanged as a command, one transaction each, and prints each\n"
     "reply (\"OK\", or the instrument's error) on its own line. The exit code says\n"
     "whether every line was answered, not what the answer was: a script checks the\n"
     "replies (or uses \"load --verify\").\n",
     true, false, false},
    {"save", "kt7310 save FILE",
     "Reads the whole configuration and writes the settings file FILE, line for line as\n"
     "the window's \"Save Settings To File\" writes it.\n",
     false, true, false},
    {"load", "kt7310 load FILE [--verify]",
     "Sends the command lines of the settings file FILE, 30 ms apart, as the window's\n"
     "\"Restore Settings From File\" does (lines containing \"//\" are comments), and\n"
     "prints, by line number, every line the instrument answered with an error. With\n"
     "--verify it then reads the configuration back and prints, by line number, every\n"
     "other line of the file the read-back does not confirm: a record field or setting\n"
     "that differs (by channel and field name), and any line that sets nothing the\n"
     "read-back reports. A file without command lines (empty, or only comments), or one\n"
     "larger than 16 MiB, is refused. Ctrl-C stops the load before its next line and\n"
     "says how many lines were sent.\n",
     false, true, false},
    {"run", "kt7310 run", "Starts the pulse output (\":PULS0:STAT ON\").\n", false, false, false},
    {"stop", "kt7310 stop", "Stops the pulse output (\":PULS0:STAT OFF\").\n", false, false, false},
    {"status", "kt7310 status [--json]",
     "Prints the run state (\"running\" or \"stopped\") and the shot count; a reply\n"
     "that cannot be read is an error (exit code 8).\n",
     false, false, true},
};
// clang-format on

const CommandHelp *FindCommand(const QString &name)
{
    for (const CommandHelp &c : CommandTable)
        if (name == QLatin1String(c.Name))
            return &c;
    return nullptr;
}

const char *CommonOptions =
    "Options for every subcommand:\n"
    "  --port N   use COMN only (no scan over the ports); also tcp://HOST:PORT (a\n"
    "             serial device server passing raw bytes at its own line speed: no\n"
    "             speed is tried) or rfc2217://HOST:PORT (Telnet COM-port control:\n"
    "             the speeds are tried as on a local port)\n"
    "  --baud B   use the line speed B only (no scan over the speeds); with --port,\n"
    "             any instrument that identifies itself is used\n"
    "  --log      write the communication log SystemLogFile_<user>_<start time>.txt in\n"
    "             the working folder, as the window's -log does\n"
    "  --help     this text\n"
    "Ports are numbered as in the window; KT7310_PORT_DIR=DIR makes COMn the file\n"
    "DIR/COMn.\n";

const char *ExitCodes = "Exit codes:\n"
                        "  0  done\n"
                        "  1  another error\n"
                        "  2  bad arguments\n"
                        "  3  no instrument found\n"
                        "  4  time-out: the instrument stopped answering\n"
                        "  5  the serial port was lost\n"
                        "  6  load --verify: the instrument differs from the file\n"
                        "  7  the file cannot be read or written, or has no command line\n"
                        "  8  the instrument's reply could not be read\n"
                        "  9  load: the instrument refused lines of the file\n"
                        "  130  load interrupted (Ctrl-C); the lines sent are reported\n";

// Why a LINE operand cannot go over the wire as given, or nothing. The wire is Latin-1,
// one line per transaction.
QString LineRefused(const QString &line)
{
    QString shown = line;
    shown.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
    if (line.contains(u'\r') || line.contains(u'\n'))
        return QStringLiteral("The line \"%1\" holds a line break; give each line as an "
                              "argument of its own.")
            .arg(shown);
    for (const QChar c : line)
        if (c.unicode() > 0xFF)
            return QStringLiteral("The line \"%1\" holds the character U+%2, which the "
                                  "instrument's character set (Latin-1) lacks.")
                .arg(shown)
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return QString();
}

std::optional<int> Number(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}
} // namespace

QStringList CliArguments::Commands()
{
    QStringList names;
    for (const CommandHelp &c : CommandTable)
        names << QLatin1String(c.Name);
    return names;
}

QString CliArguments::HelpText(const QString &command)
{
    if (const CommandHelp *c = FindCommand(command))
        return QStringLiteral("Usage: ") + QLatin1String(c->Synopsis) + QStringLiteral("\n\n") +
               QLatin1String(c->Text) + u'\n' + QLatin1String(CommonOptions) + u'\n' +
               QLatin1String(ExitCodes);
    QString text = QStringLiteral(
        "Usage: kt7310 COMMAND [ARGUMENTS] [OPTIONS]\n\n"
        "Drives a 7310/462K/410 delay and pulse generator from the shell, with the same\n"
        "discovery, transactions and files as the control panel.\n\nCommands:\n");
    for (const CommandHelp &c : CommandTable)
        text += QStringLiteral("  ") + QLatin1String(c.Synopsis) + u'\n';
    text += QStringLiteral("\n\"kt7310 COMMAND --help\" describes one command.\n\n") +
            QLatin1String(CommonOptions) + QStringLiteral("  --version  the version\n\n") +
            QLatin1String(ExitCodes);
    return text;
}

CliArguments CliArguments::Parse(const QStringList &arguments)
{
    CliArguments a;
    auto fail = [&a](const QString &error) {
        if (a.Error.isEmpty())
            a.Error = error;
    };
    bool operandsOnly = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (operandsOnly || !arg.startsWith(QLatin1String("--"))) {
            if (a.Command.isEmpty())
                a.Command = arg;
            else
                a.Operands << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            operandsOnly = true; // lines that begin with "--" follow
            continue;
        }
        QString name = arg;
        QString value;
        bool hasValue = false;
        if (const qsizetype eq = arg.indexOf(u'='); eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments[++i];
            return true;
        };
        if (name == QLatin1String("--port")) {
            PortName port;
            QString why;
            if (!takeValue())
                fail(QStringLiteral("--port needs a port number from 1 to 100, "
                                    "tcp://HOST:PORT or rfc2217://HOST:PORT."));
            else if (!PortName::Parse(value, port, &why))
                fail(QStringLiteral("--port: %1").arg(why));
            else
                a.Port = port;
        } else if (name == QLatin1String("--baud")) {
            const QList<int> &bauds = InstrumentScanner::ScanBauds();
            if (!takeValue())
                fail(QStringLiteral("--baud needs a line speed."));
            else if (!(a.Baud = Number(value, 1, 1000000000)) || !bauds.contains(*a.Baud))
                fail(QStringLiteral("--baud needs one of the line speeds 115200, 57600, 38400, "
                                    "19200, 9600 and 4800, not \"%1\".")
                         .arg(value));
        } else if (!hasValue && name == QLatin1String("--log")) {
            a.Log = true;
        } else if (!hasValue && name == QLatin1String("--json")) {
            a.Json = true;
        } else if (!hasValue && name == QLatin1String("--verify")) {
            a.Verify = true;
        } else if (!hasValue && name == QLatin1String("--help")) {
            a.Help = true;
        } else if (!hasValue && name == QLatin1String("--version")) {
            a.Version = true;
        } else {
            fail(QStringLiteral("Unknown option \"%1\"; \"kt7310 --help\" lists the options.")
                     .arg(arg));
        }
    }
    if (!a.Error.isEmpty() || a.Help || a.Version)
        return a;

    const CommandHelp *c = FindCommand(a.Command);
    if (a.Command.isEmpty())
        fail(QStringLiteral("No command given; \"kt7310 --help\" lists the commands."));
    else if (!c)
        fail(QStringLiteral("Unknown command \"%1\"; \"kt7310 --help\" lists the commands.")
                 .arg(a.Command));
    else if (c->TakesLines && a.Operands.isEmpty())
        fail(QStringLiteral("\"%1\" needs at least one line to send.").arg(a.Command));
    else if (c->TakesFile && a.Operands.size() != 1)
        fail(QStringLiteral("\"%1\" needs exactly one file name.").arg(a.Command));
    else if (!c->TakesLines && !c->TakesFile && !a.Operands.isEmpty())
        fail(QStringLiteral("\"%1\" takes no argument, but \"%2\" was given.")
                 .arg(a.Command, a.Operands.first()));
    else if (a.Json && !c->Json)
        fail(QStringLiteral("--json applies to find, query and status only."));
    else if (a.Verify && a.Command != QLatin1String("load"))
        fail(QStringLiteral("--verify applies to load only."));
    // Refused before anything is sent, not half sent.
    if (c && c->TakesLines)
        for (const QString &line : std::as_const(a.Operands))
            if (const QString refused = LineRefused(line); !refused.isEmpty())
                fail(refused);
    return a;
}
