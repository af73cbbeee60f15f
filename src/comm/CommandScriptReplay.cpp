#include "comm/CommandScriptReplay.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

CommandScriptReplay::CommandScriptReplay(Communication &comm) : FComm(comm) {}

QString CommandScriptReplay::SentText(int sent, const QStringList &lines)
{
    return QStringLiteral("%1 of the file's %2 command lines were sent.")
        .arg(sent)
        .arg(CommandScript::CommandCount(lines));
}

bool CommandScriptReplay::Stopped() const
{
    return FAbandoned || FComm.ComPort().Abandoned() || FComm.LinkGone();
}

int CommandScriptReplay::Run(QStringList lines)
{
    FAbandoned = false;
    FRunning = true;
    FReplies.clear();
    int sent = 0;
    int written = 0;
    QElapsedTimer sinceLine;
    const int count = int(lines.size());
    for (int i = 0; i < count && !Stopped(); ++i) {
        const QString &line = lines.at(i);
        if (!CommandScript::IsComment(line)) {
            // The instrument's gap between two lines, besides the transaction's own
            // 30 ms. A plain pause, so that no handler starts a transaction in it; the
            // events processed after the previous line count towards it.
            const qint64 left = sent == 0 ? LinePauseMs : LinePauseMs - sinceLine.elapsed();
            if (left > 0) {
                QThread::msleep(quint32(left));
                // A timer that a handler restarted late in the previous reply wait (the
                // task tick, refused while the port was in use) is due only now: without
                // this it would meet every following reply wait again and wait for the
                // end of the file.
                QCoreApplication::processEvents();
                if (Stopped())
                    break;
            }
            const QString reply = FComm.CommandToPort(CommandScript::ToWire(line));
            if (FComm.LineWritten()) {
                ++written;
                FReplies.append({i + 1, reply});
            }
            sinceLine.start();
            ++sent;
            QCoreApplication::processEvents();
        }
        if (OnProgress && !Stopped())
            OnProgress(i + 1, count);
    }
    FRunning = false;
    if (FComm.LinkGone())
        FComm.Notify(Communication::NotSentText(CommandScript::CommandCount(lines) - written));
    return written;
}
