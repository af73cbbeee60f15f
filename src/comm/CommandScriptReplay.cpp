#include "comm/CommandScriptReplay.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"

#include <QCoreApplication>
#include <QThread>

CommandScriptReplay::CommandScriptReplay(Communication &comm) : FComm(comm) {}

bool CommandScriptReplay::Stopped() const
{
    return FAbandoned || FComm.ComPort().Abandoned();
}

int CommandScriptReplay::Run(QStringList lines)
{
    FAbandoned = false;
    FRunning = true;
    int sent = 0;
    const int count = int(lines.size());
    for (int i = 0; i < count && !Stopped(); ++i) {
        // A plain pause like the transaction's own: no handler may start a transaction
        // in it. Events are let in only once the line's transaction is over.
        QThread::msleep(LinePauseMs);
        const QString &line = lines.at(i);
        if (!CommandScript::IsComment(line)) {
            FComm.CommandToPort(CommandScript::ToWire(line));
            ++sent;
            QCoreApplication::processEvents();
        }
        if (OnProgress && !Stopped())
            OnProgress(i + 1, count);
    }
    FRunning = false;
    return sent;
}
