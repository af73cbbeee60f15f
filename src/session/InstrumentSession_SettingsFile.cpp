// The settings file: the instrument's present settings saved as a command script, and such
// a script replayed to the instrument before the whole configuration is read back.

#include "session/InstrumentSession.h"

#include "comm/CommandScriptReplay.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"

#include <QDir>

QString InstrumentSession::SaveSettings(const QString &fileName)
{
    // The file describes the instrument as it is now, all of it or not at all.
    if (!Initialize(false))
        return FTerminating ? QString()
                            : ReadbackFailure + QStringLiteral(" The settings were not saved.");
    return WriteSettings(fileName);
}

QString InstrumentSession::WriteSettings(const QString &fileName) const
{
    return CommandScript::Write(fileName, SettingsList);
}

TLoadResult InstrumentSession::LoadSettings(const QStringList &lines, const QString &fileName)
{
    TLoadResult result;
    if (CommandScript::CommandCount(lines) == 0) {
        result.Failed = true;
        result.Message =
            fileName.isEmpty()
                ? QStringLiteral("The file holds no command line: nothing was sent.")
                : QStringLiteral("The file \"%1\" holds no command line: nothing was sent.")
                      .arg(QDir::toNativeSeparators(fileName));
        return result;
    }
    SettingsList = lines;
    FLoadCancelled = false;
    // The replay processes events between lines: it must outlive whatever a handler
    // run there does, so it lives as long as the session.
    if (!FReplay)
        FReplay = new CommandScriptReplay(*Comm);
    FReplay->OnProgress = [this](int done, int count) { emit LoadProgress(done, count); };
    // The replay sends its own copy: an initialization run meanwhile rebuilds
    // SettingsList.
    result.Sent = FReplay->Run(lines);
    FReplay->OnProgress = nullptr;
    result.Cancelled = FLoadCancelled;
    result.Outcome = TLoadOutcome(lines, FReplay->Replies());
    emit LoadReplayEnded();
    if (FTerminating)
        return result;

    if (LinkLost()) {
        // The replay has told how many lines did not go out; with no instrument there is
        // nothing to read back, and the state no longer holds what the instrument has.
        result.LinkGone = true;
        ReadbackFailure = QStringLiteral("the instrument no longer answers");
        ReadbackFailedQuery.clear();
        emit ReadbackStateChanged();
        return result;
    }
    const QString sentText = CommandScriptReplay::SentText(result.Sent, lines);
    result.ReadBack = Initialize(false);
    if (FTerminating)
        return result;
    const QString cancelledText = QStringLiteral("Loading was cancelled: ");
    QStringList message;
    if (result.Cancelled)
        message << cancelledText + sentText;
    if (!result.ReadBack) {
        result.Failed = true;
        if (!result.Cancelled)
            message << sentText;
        message.last() += QLatin1Char(' ') + ReadbackFailure;
    } else if (!result.Cancelled) {
        // After a cancel the lines not sent would only show as differences.
        result.Outcome.Compare(SettingsList, true);
    }
    if (!result.Outcome.Clean()) {
        result.Failed = true;
        message << result.Outcome.Text();
    }
    result.Message = message.isEmpty() ? QStringLiteral("Settings loaded.") : message.join(u'\n');
    return result;
}

void InstrumentSession::CancelLoad()
{
    if (!Loading())
        return;
    FLoadCancelled = true;
    FReplay->Abandon();
}

bool InstrumentSession::Loading() const
{
    return FReplay && FReplay->Running();
}

bool InstrumentSession::PortBusy() const
{
    return TransactionsBusy() || Loading();
}

bool InstrumentSession::TransactionsBusy() const
{
    return ComPort->InUse() || TaskRunning || StatusPollRunning || Comm->CommandsDisabled;
}
