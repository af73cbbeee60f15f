// The command queue and the task tick: a change hands its command line to the queue and
// returns at once; each task tick drains the queue in order through the transactions, and
// carries out a pending storage-bin recall or re-initialization first.

#include "session/InstrumentSession.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/SettingCommands.h"

#include <QTimer>

void InstrumentSession::QueuedCommandToPort(const QString &command)
{
    if (Comm->CommandsDisabled)
        return;
    CommandQueue.append(command);
    QueueCount = int(CommandQueue.size());
    CommandsQueued = true;
    // Enabling a running timer would push its next tick back.
    if (!TaskTimer->isActive() && !FTerminating)
        TaskTimer->start();
    emit ConfigurationChanged();
}

void InstrumentSession::TaskTimerTimer()
{
    ProcessTasks();
}

void InstrumentSession::ProcessTasks()
{
    TaskTimer->stop();
    if (FTerminating)
        return;
    // Work waits for a later tick while a poll or a reply wait runs further up the call
    // stack, and while a drain, recall or initialization is under way there: a tick
    // dispatched inside one of them must not start the next step in the middle. A drain
    // restarts the tick itself when it ends; restarting it from every reply wait of the
    // drain (every 5 ms) would only churn the timer.
    if (TaskRunning)
        return;
    if (StatusPollRunning || ComPort->InUse() || Comm->CommandsDisabled) {
        if (TasksPending())
            TaskTimer->start();
        return;
    }
    TaskRunning = true;

    if (RecallPending || ReinitializePending) {
        StatusTimer->stop();
        if (RecallPending)
            Comm->CommandToPort(RecallBinCommand(RecallBin).toLatin1());
        Initialize();
        RecallPending = false;
        ReinitializePending = false;
        if (FTerminating) {
            TaskRunning = false;
            return;
        }
        SetStatusTimerEnabled(true);
    }

    int notSent = 0;
    if (CommandsQueued) {
        // Commands queued during a reply wait of this drain land behind the ones
        // waiting and go out in this same drain, in arrival order.
        while (!CommandQueue.isEmpty() && !FTerminating) {
            if (Comm->LinkGone()) {
                // The port is gone for good: the rest of the queue cannot go out.
                notSent += int(CommandQueue.size());
                CommandQueue.clear();
                break;
            }
            const QString command = CommandQueue.takeFirst();
            QueueCount = int(CommandQueue.size());
            Comm->CommandToPort(command.toLatin1());
            if (!Comm->LineWritten() && !FTerminating)
                ++notSent;
            if (Comm->ReplyMissed() && Comm->SilenceIgnored() && !FTerminating) {
                // The operator let a silent instrument be: the drain asks no more, and
                // what is still queued is not sent into the silence.
                notSent += int(CommandQueue.size());
                CommandQueue.clear();
                break;
            }
        }
        if (!FTerminating) {
            CommandQueue.clear();
            QueueCount = 0;
            CommandsQueued = false;
        }
    }

    TaskRunning = false;
    if (FTerminating)
        return;
    if (FFinishing) {
        FFinishing = false;
        TaskTimer->stop();
        StatusTimer->stop();
        emit QueueFinished(notSent);
        return;
    }
    if (notSent > 0)
        emit CommandsNotSent(notSent);
    if (TasksPending())
        TaskTimer->start();
}

bool InstrumentSession::TasksPending() const
{
    // The tick runs only while there is work: ticking forever every 5 ms would cost the
    // idle program close to 1 % of a core. Whoever queues or flags work enables it.
    return CommandsQueued || RecallPending || ReinitializePending;
}

void InstrumentSession::RequestRecall(int bin)
{
    RecallBin = bin;
    RecallPending = true;
    if (!TaskTimer->isActive() && !FTerminating)
        TaskTimer->start();
}

void InstrumentSession::RequestRefresh()
{
    ReinitializePending = true;
    if (!TaskTimer->isActive() && !FTerminating)
        TaskTimer->start();
}

bool InstrumentSession::FinishQueue()
{
    if (FFinishing)
        return true;
    // Nothing is sent once the port was given up or is gone, nor without an instrument.
    if (!CommandsQueued || DemoMode || ComPort->Abandoned() || Comm->LinkGone())
        return false;
    FFinishing = true;
    StatusTimer->stop();
    Comm->GiveUpOnTimeout = true;
    TaskTimer->start();
    return true;
}
