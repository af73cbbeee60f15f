// The status poll: once a second the port is reopened (how an unplugged adapter is
// noticed) and the run state read back; the shot counter is read while a view shows it.

#include "session/InstrumentSession.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/SettingCommands.h"

#include <QTimer>

void InstrumentSession::StatusTimerTimer()
{
    if (ComPort->InUse())
        return;
    if (DemoMode) {
        StatusTimer->stop();
        return;
    }
    // Queued work goes first: a poll between a change and its line would read the state
    // the instrument had before it (a run state read as stopped right after Start).
    if (CalibrationLoadPending || CalibrationRetrievePending || TaskRunning || TasksPending())
        return;
    StatusTimer->stop();
    StatusPollRunning = true;
    UpdateStatus();
    if (FTerminating) {
        StatusPollRunning = false;
        return;
    }
    emit PollEnded();
    if (FTerminating) {
        StatusPollRunning = false;
        return;
    }
    SetStatusTimerEnabled(true);
    StatusPollRunning = false;
}

void InstrumentSession::UpdateStatus()
{
    if (!ComPort->Open()) {
        TLinkFault fault;
        fault.Kind = TLinkFault::PortLost;
        fault.Port = ComPort->Port();
        fault.OpenFailure = ComPort->LastOpenFailure();
        fault.Text =
            QStringLiteral("The serial port %1 is no longer available.").arg(ComPort->Location().Text());
        emit PortLost(fault);
        return;
    }

    const std::optional<qint32> running = Comm->TryQueryPortInt(RunStateQuery().toLatin1());
    if (FTerminating)
        return;
    // An empty or unreadable reply says nothing about the output: the state stays as it
    // was (a silent instrument has had its question in the reply wait). A Start or Stop
    // that came in during the reply wait is newer than the reply; its line, still queued,
    // decides.
    if (running && !TasksPending()) {
        if (*running == 0)
            SetRunState(false);
        else if (!Running())
            SetRunState(true);
    }

    if (!ShotCountShown || ShotCountShown()) {
        const qint64 count = Comm->QueryPortWholeInt64(ShotCountQuery().toLatin1());
        if (FTerminating)
            return;
        SetShotCount(count);
    }
}

void InstrumentSession::SetStatusTimerEnabled(bool enabled)
{
    if (enabled && !FTerminating && !FFinishing)
        StatusTimer->start();
    else
        StatusTimer->stop();
}
