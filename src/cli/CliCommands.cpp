#include "cli/CliCommands.h"

#include "base/ErrorReport.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "comm/CommandScriptReplay.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"
#include "protocol/ConfigurationQueries.h"
#include "protocol/LoadOutcome.h"
#include "protocol/Conversions.h"
#include "protocol/ModelTable.h"
#include "protocol/SettingCommands.h"
#include "protocol/SettingsComparison.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <csignal>
#include <limits>

namespace {
// Ctrl-C during a load: the replay stops before its next line. A second Ctrl-C ends the
// program at once, as it would without this handler.
volatile std::sig_atomic_t InterruptFlag = 0;

extern "C" void OnInterrupt(int)
{
    InterruptFlag = 1;
    std::signal(SIGINT, SIG_DFL);
}

class InterruptWatch
{
public:
    InterruptWatch()
    {
        InterruptFlag = 0;
        struct sigaction action = {};
        action.sa_handler = &OnInterrupt;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &FPrevious);
    }
    ~InterruptWatch() { sigaction(SIGINT, &FPrevious, nullptr); }
    bool Interrupted() const { return InterruptFlag != 0; }

private:
    struct sigaction FPrevious = {};
};
} // namespace

CliCommands::CliCommands(const CliArguments &arguments, CliSession &session, CliOutput &out)
    : FArgs(arguments), FSession(session), FOut(out)
{
}

CliExitCode CliCommands::Prepare()
{
    if (FArgs.Command != QLatin1String("load"))
        return CliExitCode::Ok;
    const CommandScript::ReadResult file = CommandScript::Read(FArgs.Operands.first());
    if (!file.Ok()) {
        FOut.Error(file.Error);
        return CliExitCode::FileError;
    }
    if (file.Lines.isEmpty()) {
        // Nothing to send: a load that did nothing is no success.
        FOut.Error(QStringLiteral("The file \"%1\" is empty.")
                       .arg(QDir::toNativeSeparators(FArgs.Operands.first())));
        return CliExitCode::FileError;
    }
    if (CommandScript::CommandCount(file.Lines) == 0) {
        FOut.Error(QStringLiteral("The file \"%1\" holds no command line.")
                       .arg(QDir::toNativeSeparators(FArgs.Operands.first())));
        return CliExitCode::FileError;
    }
    FFileLines = file.Lines;
    return CliExitCode::Ok;
}

CliExitCode CliCommands::Run()
{
    const QString &c = FArgs.Command;
    if (c == QLatin1String("find"))
        return Find();
    if (c == QLatin1String("query"))
        return Query();
    if (c == QLatin1String("send"))
        return Send();
    if (c == QLatin1String("save"))
        return Save();
    if (c == QLatin1String("load"))
        return Load();
    if (c == QLatin1String("run") || c == QLatin1String("stop")) {
        // Through the session's queue, as the panel's Run/Stop button sends it.
        InstrumentSession &instrument = FSession.Instrument();
        c == QLatin1String("run") ? instrument.SystemStart() : instrument.SystemStop();
        instrument.ProcessTasks();
        return Finished();
    }
    return Status();
}

CliExitCode CliCommands::Finished()
{
    return FSession.Ended() ? FSession.ExitCode() : CliExitCode::Ok;
}

CliExitCode CliCommands::Find()
{
    const TIdentityRecord &id = FSession.Identity();
    const TKTComPort &port = FSession.Port();
    if (FArgs.Json) {
        const PortName location = port.Location();
        FOut.Json(QJsonObject{{"port", location.IsNetwork() ? QJsonValue(location.Text())
                                                            : QJsonValue(location.Number)},
                              {"baud", port.Baud()},
                              {"company", id.Company},
                              {"companyName", CompanyName(id.Company)},
                              {"model", id.ModelNumber},
                              {"channels", ModelChannelCount(id.ModelNumber)},
                              {"serialNumber", id.SerialNumber},
                              {"firmwareVersion", id.FirmwareVersion},
                              {"fpgaVersion", id.FPGAVersion}});
    } else {
        FOut.Line(QStringLiteral("%1 %2 baud: %3 %4, serial number %5, firmware %6, FPGA %7")
                      .arg(port.Location().Text())
                      .arg(port.Baud())
                      .arg(CompanyName(id.Company), id.ModelNumber)
                      .arg(id.SerialNumber)
                      .arg(id.FirmwareVersion, id.FPGAVersion));
    }
    return CliExitCode::Ok;
}

CliExitCode CliCommands::Query()
{
    QJsonArray results;
    for (QString line : FArgs.Operands) {
        // The transaction adds the "?" itself.
        if (line.endsWith(u'?'))
            line.chop(1);
        const QString reply = FSession.Comm().QueryPort(line.toLatin1());
        if (FSession.Ended())
            return FSession.ExitCode();
        if (FArgs.Json)
            results.append(QJsonObject{{"query", line + u'?'}, {"reply", reply}});
        else
            FOut.Line(reply);
    }
    if (FArgs.Json)
        FOut.Json(results);
    return CliExitCode::Ok;
}

CliExitCode CliCommands::Send()
{
    for (const QString &line : FArgs.Operands) {
        const QString reply = FSession.Comm().CommandToPort(CommandScript::ToWire(line));
        if (FSession.Ended())
            return FSession.ExitCode();
        FOut.Line(reply);
    }
    return CliExitCode::Ok;
}

CliExitCode CliCommands::Status()
{
    // As the session's status poll asks them; the shot count as the window shows it, the
    // low 32 bits of the instrument's count. Unlike the poll, a reply that is no number is
    // an error here.
    const std::optional<qint64> running = AskNumber(RunStateQuery().toLatin1(), 0, 1);
    if (!running)
        return FSession.ExitCode();
    const std::optional<qint64> count =
        AskNumber(ShotCountQuery().toLatin1(), std::numeric_limits<qint64>::min(),
                  std::numeric_limits<qint64>::max());
    if (!count)
        return FSession.ExitCode();
    const quint32 shots = quint32(quint64(*count));
    if (FArgs.Json) {
        FOut.Json(QJsonObject{{"running", *running != 0}, {"shotCount", qint64(shots)}});
    } else {
        FOut.Line(*running != 0 ? QStringLiteral("running") : QStringLiteral("stopped"));
        FOut.Line(QStringLiteral("shot count: %1").arg(shots));
    }
    return CliExitCode::Ok;
}

std::optional<qint64> CliCommands::AskNumber(const QByteArray &mnemonic, qint64 low, qint64 high)
{
    const QString reply = FSession.Comm().QueryPort(mnemonic);
    if (FSession.Ended())
        return std::nullopt;
    const std::optional<qint64> value = TryStrToInt64(TrimBoth(reply));
    QString reason;
    if (reply.isEmpty())
        reason = QStringLiteral("no reply");
    else if (!value)
        reason = QStringLiteral("'%1' is not a valid integer value").arg(TrimBoth(reply));
    else if (*value < low || *value > high)
        reason = QStringLiteral("not a number from %1 to %2").arg(low).arg(high);
    if (reason.isEmpty())
        return value;
    FSession.End(CliExitCode::ReplyUnreadable,
                 ConfigurationReader::UnreadableText(mnemonic, reply, reason));
    return std::nullopt;
}

QStringList CliCommands::ReadSettings()
{
    const TKTComPort &port = FSession.Port();
    const int channels = ModelChannelCount(FSession.Identity().ModelNumber);
    QStringList settings{SettingsDateLine()};
    settings << SettingsIdentityLines(
        IdentityTexts(FSession.Identity(), QStringLiteral(KT7310_VERSION),
                      port.Location().CaptionText(), port.Baud()));
    ConfigurationReader reader(FSession.Comm(), settings);
    reader.Abandoned = [this] { return FSession.Ended(); };
    reader.Asking = [this, channels](const TConfigQuery &query) {
        FOut.Progress(
            query.Item == TConfigItem::ChannelRecord
                ? QStringLiteral("Reading channel %1 of %2").arg(query.Record).arg(channels)
                : QStringLiteral("Reading the system settings"));
    };
    bool complete = false;
    try {
        complete = reader.ReadAll(channels, {});
    } catch (const EConvertError &error) {
        FOut.EndProgress();
        FSession.End(CliExitCode::ReplyUnreadable, error.Message);
        return QStringList();
    }
    FOut.EndProgress();
    return complete ? settings : QStringList();
}

CliExitCode CliCommands::Save()
{
    const QStringList settings = ReadSettings();
    if (FSession.Ended())
        return FSession.ExitCode();
    const QString error = CommandScript::Write(FArgs.Operands.first(), settings);
    if (!error.isEmpty()) {
        FOut.Error(error);
        return CliExitCode::FileError;
    }
    return CliExitCode::Ok;
}

CliExitCode CliCommands::Load()
{
    int sent = 0;
    bool interrupted = false;
    TLoadOutcome outcome;
    {
        const InterruptWatch interrupt;
        CommandScriptReplay replay(FSession.Comm());
        replay.OnProgress = [this, &replay, &interrupt](int done, int count) {
            if (FSession.Ended() || interrupt.Interrupted())
                replay.Abandon();
            else
                FOut.Progress(QStringLiteral("Loading line %1 of %2").arg(done).arg(count));
        };
        sent = replay.Run(FFileLines);
        outcome = TLoadOutcome(FFileLines, replay.Replies());
        interrupted = interrupt.Interrupted();
    } // from here on (the read-back of --verify) Ctrl-C ends the program as usual
    FOut.EndProgress();
    if (FSession.Ended())
        return FSession.ExitCode();
    if (interrupted) {
        FOut.Error(QStringLiteral("Interrupted: ") +
                   CommandScriptReplay::SentText(sent, FFileLines));
        return CliExitCode::Interrupted;
    }
    for (const TLineReply &refused : outcome.Refused())
        FOut.Line(outcome.RefusedText(refused));

    if (FArgs.Verify) {
        const QStringList settings = ReadSettings();
        if (FSession.Ended())
            return FSession.ExitCode();
        outcome.Compare(settings, false);
        for (const TSettingsDifference &d : outcome.Differences())
            FOut.Line(d.Text());
    }
    const qsizetype refused = outcome.Refused().size();
    if (refused > 0)
        FOut.Error(QStringLiteral("The instrument refused %1 of the file's %2 command %3.")
                       .arg(refused)
                       .arg(outcome.CommandLines())
                       .arg(outcome.CommandLines() == 1 ? QStringLiteral("line")
                                                        : QStringLiteral("lines")));
    const qsizetype differences = outcome.Differences().size();
    if (differences > 0)
        FOut.Error(
            QStringLiteral("The read-back does not confirm the file in %1 %2.")
                .arg(differences)
                .arg(differences == 1 ? QStringLiteral("place") : QStringLiteral("places")));
    if (refused > 0)
        return CliExitCode::LinesRefused;
    return differences > 0 ? CliExitCode::VerifyMismatch : CliExitCode::Ok;
}
