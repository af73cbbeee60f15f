#include "session/InstrumentSession.h"

#include "comm/CommandScriptReplay.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/SettingCommands.h"

#include <QTimer>

InstrumentSession::InstrumentSession(QObject *parent)
    : QObject(parent), ComPort(new TKTComPort(this)), Comm(new Communication(*ComPort, this)),
      TaskTimer(new QTimer(this)), StatusTimer(new QTimer(this))
{
    ComPort->setObjectName(QStringLiteral("ComPort"));
    ComPort->SetBaud(115200);
    ComPort->SetHandshaking(TKTComPort::hsNone);
    ComPort->SetParity(TKTComPort::parNone);
    ComPort->SetResponseTime(4000);
    ComPort->SetPort(1);
    Comm->setObjectName(QStringLiteral("Communication"));
    Comm->OnNotice = [this](const QString &text) { emit Notice(text); };
    FTerminalEcho.Session = this;
    Comm->SetTerminal(&FTerminalEcho);

    TaskTimer->setObjectName(QStringLiteral("TaskTimer"));
    TaskTimer->setInterval(5);
    connect(TaskTimer, &QTimer::timeout, this, &InstrumentSession::TaskTimerTimer);
    StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
    StatusTimer->setInterval(1000);
    connect(StatusTimer, &QTimer::timeout, this, &InstrumentSession::StatusTimerTimer);

    // A reply that does not come is reported; the answer decides whether the port is
    // given up. The component calls its handler only while events are allowed.
    ComPort->SetOnTimeout([this](QObject *) { ComPortTimeout(); });
}

InstrumentSession::~InstrumentSession()
{
    ComPort->SetOnTimeout({});
    delete FReplay;
    delete FCalibrationReplay;
}

QString InstrumentSession::CaptionWithReadbackState() const
{
    QString caption = Caption;
    const QString marker = QStringLiteral("  - VALUES INCOMPLETE: ");
    if (!ReadbackFailedQuery.isEmpty())
        caption += marker + QLatin1Char('"') + ReadbackFailedQuery +
                   QStringLiteral("\" could not be read");
    else if (!ReadbackFailure.isEmpty())
        caption += marker + ReadbackFailure;
    return caption;
}

void InstrumentSession::SetRunState(bool running)
{
    Mirrors.SystemRunning = running;
    emit RunStateChanged(running);
}

void InstrumentSession::SetShotCount(qint64 count)
{
    FShotCount = count;
    emit ShotCountChanged(quint32(quint64(count)));
}

void InstrumentSession::SystemStart()
{
    SetRunState(true);
    QueuedCommandToPort(RunCommand(true));
}

void InstrumentSession::SystemStop()
{
    SetRunState(false);
    QueuedCommandToPort(RunCommand(false));
}

void InstrumentSession::ComPortTimeout()
{
    // The component calls this for a reply that did not come and for a device that
    // vanished under the open port; only in the second case is the port closed now.
    TLinkFault fault;
    fault.Port = ComPort->Port();
    fault.Line = QString::fromLatin1(Comm->LastCommand);
    if (ComPort->Opened()) {
        fault.Kind = TLinkFault::Timeout;
        fault.Text = QStringLiteral("The instrument did not answer \"%1\" within %2 ms.")
                         .arg(fault.Line)
                         .arg(ComPort->ResponseTime());
    } else {
        fault.Kind = TLinkFault::PortLost;
        fault.Text = QStringLiteral("The serial port %1 was lost while waiting for the "
                                    "instrument's reply to \"%2\".")
                         .arg(ComPort->Location().Text(), fault.Line);
    }
    // The answer decides inside the transactions whether the port is given up; with it
    // given up, the front end learns what to do next.
    TReplyMissingAnswer answer = EndProgram;
    Comm->OnReplyMissing = [this, &fault, &answer] {
        SetStatusTimerEnabled(false);
        emit ReplyMissing(fault, answer);
        Comm->ReplyMissingNotAsked = answer == AskLater;
        if (answer != IgnoreMissingReply && answer != AskLater)
            return false;
        SetStatusTimerEnabled(true);
        return true;
    };
    bool abandoned = false;
    Comm->OnLinkAbandoned = [&abandoned] { abandoned = true; };
    Comm->CommunicationTimeout();
    Comm->OnReplyMissing = nullptr;
    Comm->OnLinkAbandoned = nullptr;
    if (abandoned)
        emit LinkAbandoned(answer == RestartProgram);
}

bool InstrumentSession::LinkLost() const
{
    return ComPort->Abandoned() || Comm->LinkGone();
}

void InstrumentSession::Terminate()
{
    FTerminating = true;
    TaskTimer->stop();
    StatusTimer->stop();
    ComPort->Abandon();
}
