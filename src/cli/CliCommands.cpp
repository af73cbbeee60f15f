#include "cli/CliCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "comm/CommandScriptReplay.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"
#include "protocol/ConfigurationQueries.h"
#include "protocol/ModelTable.h"
#include "protocol/SettingsComparison.h"

#include <QJsonArray>
#include <QJsonObject>

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
    if (c == QLatin1String("run"))
        return Command(QByteArrayLiteral(":PULS0:STAT ON"));
    if (c == QLatin1String("stop"))
        return Command(QByteArrayLiteral(":PULS0:STAT OFF"));
    return Status();
}

CliExitCode CliCommands::Finished()
{
    return FSession.Ended() ? FSession.ExitCode() : CliExitCode::Ok;
}

CliExitCode CliCommands::Find()
{
    const TIdentityRecord &id = FSession.Identity;
    const TKTComPort &port = FSession.Port();
    if (FArgs.Json) {
        FOut.Json(QJsonObject{{"port", port.Port()},
                              {"baud", port.Baud()},
                              {"company", id.Company},
                              {"companyName", CompanyName(id.Company)},
                              {"model", id.ModelNumber},
                              {"channels", ModelChannelCount(id.ModelNumber)},
                              {"serialNumber", id.SerialNumber},
                              {"firmwareVersion", id.FirmwareVersion},
                              {"fpgaVersion", id.FPGAVersion}});
    } else {
        FOut.Line(QStringLiteral("COM%1 %2 baud: %3 %4, serial number %5, firmware %6, FPGA %7")
                      .arg(port.Port())
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

CliExitCode CliCommands::Command(const QByteArray &line)
{
    FSession.Comm().CommandToPort(line);
    return Finished();
}

CliExitCode CliCommands::Status()
{
    // As the window's status poll asks them; the shot count as the window shows it, the
    // low 32 bits of the instrument's count.
    const qint32 running = FSession.Comm().QueryPortInt(QByteArrayLiteral(":PULS0:STAT"));
    if (FSession.Ended())
        return FSession.ExitCode();
    const quint32 shots = FSession.Comm().QueryPortInt64(QByteArrayLiteral(":COUN:PULS"));
    if (FSession.Ended())
        return FSession.ExitCode();
    if (FArgs.Json) {
        FOut.Json(QJsonObject{{"running", running != 0}, {"shotCount", qint64(shots)}});
    } else {
        FOut.Line(running != 0 ? QStringLiteral("running") : QStringLiteral("stopped"));
        FOut.Line(QStringLiteral("shot count: %1").arg(shots));
    }
    return CliExitCode::Ok;
}

QStringList CliCommands::ReadSettings()
{
    const TKTComPort &port = FSession.Port();
    const int channels = ModelChannelCount(FSession.Identity.ModelNumber);
    QStringList settings{SettingsDateLine()};
    settings << SettingsIdentityLines(
        IdentityTexts(FSession.Identity, QStringLiteral(KT7310_VERSION), port.Port(), port.Baud()));
    ConfigurationReader reader(FSession.Comm(), settings);
    reader.Abandoned = [this] { return FSession.Ended(); };
    reader.Asking = [this, channels](const TConfigQuery &query) {
        FOut.Progress(
            query.Item == TConfigItem::ChannelRecord
                ? QStringLiteral("Reading channel %1 of %2").arg(query.Record).arg(channels)
                : QStringLiteral("Reading the system settings"));
    };
    const bool complete = reader.ReadAll(channels, {});
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
    if (FFileLines.isEmpty())
        FOut.Error(QStringLiteral("Empty file."));

    CommandScriptReplay replay(FSession.Comm());
    replay.OnProgress = [this, &replay](int done, int count) {
        if (FSession.Ended())
            replay.Abandon();
        else
            FOut.Progress(QStringLiteral("Loading line %1 of %2").arg(done).arg(count));
    };
    replay.Run(FFileLines);
    FOut.EndProgress();
    if (FSession.Ended())
        return FSession.ExitCode();
    if (!FArgs.Verify)
        return CliExitCode::Ok;

    const QStringList settings = ReadSettings();
    if (FSession.Ended())
        return FSession.ExitCode();
    QStringList sent;
    for (const QString &line : FFileLines)
        if (!CommandScript::IsComment(line))
            sent << line;
    const QList<TSettingsDifference> differences = CompareSettings(sent, settings);
    for (const TSettingsDifference &d : differences)
        FOut.Line(d.Text());
    if (differences.isEmpty())
        return CliExitCode::Ok;
    FOut.Error(
        QStringLiteral("The instrument differs from the file in %1 %2.")
            .arg(differences.size())
            .arg(differences.size() == 1 ? QStringLiteral("place") : QStringLiteral("places")));
    return CliExitCode::VerifyMismatch;
}
