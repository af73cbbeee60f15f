#include "emulator/TEmulatorOptions.h"

#include <QCommandLineParser>
#include <QDir>

#include <climits>

namespace {

bool ToInt(const QString &text, qint64 low, qint64 high, qint64 &value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= low && value <= high;
}

} // namespace

TEmulatorOptions::TResult TEmulatorOptions::Parse(const QStringList &arguments, TEmulatorOptions &o,
                                                  QString &message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulates a 7310/462K/410 pulse generator on a pseudo-terminal, as the instrument's\n"
        "serial line: the panel (or any serial terminal) talks to it as to the instrument.\n"
        "Every line ending in CR (an LF after the CR is ignored) gets exactly one reply\n"
        "ending in CR: the value asked for, \"OK\" for an accepted setting, or\n"
        "\"ERR <n>: <text>\" for an unknown command, a malformed or out-of-range\n"
        "argument, a channel the model does not have, or a secured command; a refused\n"
        "line changes nothing. Runs until SIGINT or SIGTERM, then removes its link and\n"
        "exits 0.\n"
        "\n"
        "Example (the panel finds the emulated instrument as COM3):\n"
        "  mkdir -p ports\n"
        "  kt7310-emulator --port-dir ports --com 3 --model 7310-24 &\n"
        "  KT7310_PORT_DIR=ports KT7310_GUI"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption model(
        QStringLiteral("model"),
        QStringLiteral("Model string of the identification reply (default 7310-12). Any "
                       "string is allowed; the channel count follows the family's model "
                       "table, 12 for an unknown model."),
        QStringLiteral("M"), QStringLiteral("7310-12"));
    const QCommandLineOption badge(QStringLiteral("badge"),
                                   QStringLiteral("Company badge, KT or MRD (default KT). Other "
                                                  "texts are reported as they are."),
                                   QStringLiteral("B"), QStringLiteral("KT"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Serial number (default 10234)."),
                                    QStringLiteral("N"), QStringLiteral("10234"));
    const QCommandLineOption firmware(
        QStringLiteral("firmware"),
        QStringLiteral("Firmware and FPGA versions joined by \"-\" (default 2.04-1.12)."),
        QStringLiteral("V"), QStringLiteral("2.04-1.12"));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("Line speed (default 115200). The emulator answers only while the "
                       "client has set the line to this speed, 8 data bits and no parity; "
                       "otherwise it stays silent. (A Linux pseudo-terminal always keeps 8 "
                       "data bits and no parity, so there the speed decides.)"),
        QStringLiteral("B"), QStringLiteral("115200"));
    const QCommandLineOption portDir(
        QStringLiteral("port-dir"),
        QStringLiteral("Folder in which to create the link COM<N> to the pseudo-terminal "
                       "(use with --com); a panel run with KT7310_PORT_DIR=DIR finds it as "
                       "port N. The link is removed on exit."),
        QStringLiteral("DIR"));
    const QCommandLineOption com(QStringLiteral("com"),
                                 QStringLiteral("Port number N of the link, 1 to 100."),
                                 QStringLiteral("N"));
    const QCommandLineOption transcript(
        QStringLiteral("transcript"),
        QStringLiteral("Writes every line received (RX) and every reply sent (TX), "
                       "time-stamped to the millisecond and flushed per line, to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption unsecured(
        QStringLiteral("unsecured"),
        QStringLiteral("Starts with the calibration, serial-number and badge commands "
                       "unlocked (otherwise \":SYST:SEC 48213\" unlocks them)."));
    const QCommandLineOption shotCount(
        QStringLiteral("shot-count"),
        QStringLiteral("Initial value of the shot counter (default 0); values above "
                       "4294967295 are allowed."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption replyDelay(QStringLiteral("reply-delay"),
                                        QStringLiteral("Fault: answers every line MS "
                                                       "milliseconds late."),
                                        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption slowAfter(
        QStringLiteral("slow-after"),
        QStringLiteral("Fault: with --reply-delay, answers K lines at once and only the "
                       "ones after them late."),
        QStringLiteral("K"));
    const QCommandLineOption slowLines(
        QStringLiteral("slow-lines"),
        QStringLiteral("Fault: with --reply-delay, answers late only the lines that begin "
                       "with PREFIX (in any letter case), the others at once."),
        QStringLiteral("PREFIX"));
    const QCommandLineOption lateFirst(
        QStringLiteral("late-first"),
        QStringLiteral("Fault: holds the answer to the first line until the next line "
                       "arrives, then sends both answers in order, as an instrument slower "
                       "than its client's wait appears to it."));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Fault: never answers."));
    const QCommandLineOption silentAfter(
        QStringLiteral("silent-after"),
        QStringLiteral("Fault: answers K lines (at the right line settings), then none."),
        QStringLiteral("K"));
    const QCommandLineOption split(
        QStringLiteral("split"),
        QStringLiteral("Fault: sends each reply in up to three pieces, 15 ms apart."));
    const QCommandLineOption unplugAfter(
        QStringLiteral("unplug-after"),
        QStringLiteral("Fault: answers K lines, then closes the line as a pulled USB cable "
                       "does: the device and its link disappear. The emulator runs on until "
                       "it is stopped."),
        QStringLiteral("K"));
    const QCommandLineOption reply(
        QStringLiteral("reply"),
        QStringLiteral("Fault: answers the exact incoming LINE with REPLY instead of "
                       "interpreting it (for example ':COUN:PULS?=abc'). Repeatable."),
        QStringLiteral("LINE=REPLY"));
    const QCommandLineOption replyOnce(
        QStringLiteral("reply-once"),
        QStringLiteral("Fault: as --reply, for the first receipt of LINE only; later ones "
                       "are interpreted. Repeatable."),
        QStringLiteral("LINE=REPLY"));
    parser.addOptions({help, model, badge, serial, firmware, baud, portDir, com, transcript,
                       unsecured, shotCount, replyDelay, slowAfter, slowLines, lateFirst, silent, silentAfter, split, unplugAfter,
                       reply, replyOnce});

    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return ExitError;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return ExitOk;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message =
            QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return ExitError;
    }
    const auto bad = [&message](const QString &text) {
        message = text;
        return ExitError;
    };
    qint64 value = 0;
    o.Identity.Model = parser.value(model).toLatin1();
    o.Identity.Badge = parser.value(badge).toLatin1();
    o.Identity.Firmware = parser.value(firmware).toLatin1();
    if (!ToInt(parser.value(serial), INT_MIN, INT_MAX, value))
        return bad(QStringLiteral("--serial needs a 32-bit integer"));
    o.Identity.SerialNumber = qint32(value);
    if (!ToInt(parser.value(baud), 50, 4000000, value))
        return bad(QStringLiteral("--baud needs a line speed in bits per second"));
    o.Baud = int(value);
    if (parser.isSet(portDir) != parser.isSet(com))
        return bad(QStringLiteral("--port-dir and --com go together"));
    if (parser.isSet(portDir)) {
        o.PortDir = parser.value(portDir);
        if (!QDir(o.PortDir).exists())
            return bad(QStringLiteral("--port-dir: no folder %1").arg(o.PortDir));
        if (!ToInt(parser.value(com), 1, 100, value))
            return bad(QStringLiteral("--com needs a port number from 1 to 100"));
        o.Com = int(value);
    }
    o.TranscriptPath = parser.value(transcript);
    o.Unsecured = parser.isSet(unsecured);
    bool ok = false;
    o.ShotCount = parser.value(shotCount).toULongLong(&ok);
    if (!ok)
        return bad(QStringLiteral("--shot-count needs a non-negative integer"));
    if (!ToInt(parser.value(replyDelay), 0, 60000, value))
        return bad(QStringLiteral("--reply-delay needs milliseconds, 0 to 60000"));
    o.Faults.ReplyDelayMs = int(value);
    if (parser.isSet(slowAfter)) {
        if (!ToInt(parser.value(slowAfter), 0, INT_MAX, value))
            return bad(QStringLiteral("--slow-after needs a count of lines"));
        o.Faults.SlowAfter = int(value);
    }
    o.Faults.SlowPrefix = parser.value(slowLines).toLatin1().toUpper();
    o.Faults.LateFirst = parser.isSet(lateFirst);
    o.Faults.Silent = parser.isSet(silent);
    if (parser.isSet(silentAfter)) {
        if (!ToInt(parser.value(silentAfter), 0, INT_MAX, value))
            return bad(QStringLiteral("--silent-after needs a count of lines"));
        o.Faults.SilentAfter = int(value);
    }
    o.Faults.Split = parser.isSet(split);
    if (parser.isSet(unplugAfter)) {
        if (!ToInt(parser.value(unplugAfter), 1, INT_MAX, value))
            return bad(QStringLiteral("--unplug-after needs a count of lines, at least 1"));
        o.Faults.UnplugAfter = int(value);
    }
    for (const QString &forced : parser.values(reply)) {
        const qsizetype equals = forced.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return bad(QStringLiteral("--reply needs LINE=REPLY"));
        o.Faults.Replies.insert(forced.left(equals).toLatin1(), forced.mid(equals + 1).toLatin1());
    }
    for (const QString &forced : parser.values(replyOnce)) {
        const qsizetype equals = forced.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return bad(QStringLiteral("--reply-once needs LINE=REPLY"));
        o.Faults.RepliesOnce.insert(forced.left(equals).toLatin1(),
                                    forced.mid(equals + 1).toLatin1());
    }
    return Run;
}

QString TEmulatorOptions::LinkPath() const
{
    if (PortDir.isEmpty())
        return QString();
    return QDir(PortDir).filePath(QStringLiteral("COM%1").arg(Com));
}
