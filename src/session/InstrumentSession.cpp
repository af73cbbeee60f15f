#include "session/InstrumentSession.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"

InstrumentSession::InstrumentSession(QObject *parent)
    : QObject(parent), ComPort(new TKTComPort(this)), Comm(new Communication(*ComPort, this))
{
    ComPort->setObjectName(QStringLiteral("ComPort"));
    ComPort->SetBaud(115200);
    ComPort->SetHandshaking(TKTComPort::hsNone);
    ComPort->SetParity(TKTComPort::parNone);
    ComPort->SetResponseTime(4000);
    ComPort->SetPort(1);
    Comm->setObjectName(QStringLiteral("Communication"));
}

void InstrumentSession::SetRunState(bool running)
{
    Mirrors.SystemRunning = running;
    emit RunStateChanged(running);
}

void InstrumentSession::SetShotCount(quint32 count)
{
    FShotCount = count;
    emit ShotCountChanged(count);
}
