#include "comm/InstrumentScanner.h"

#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/ModelTable.h"

#include <QThread>

InstrumentScanner::InstrumentScanner(Communication &comm) : FComm(comm) {}

const QList<int> &InstrumentScanner::ScanBauds()
{
    static const QList<int> bauds{115200, 57600, 38400, 19200, 9600, 4800};
    return bauds;
}

QList<int> InstrumentScanner::ScanPorts()
{
    QList<int> ports;
    for (int port = 1; port <= 100; ++port)
        ports << port;
    return ports;
}

void InstrumentScanner::ReadIdentity(Communication &comm, TIdentityRecord &identity)
{
    identity.ParseReply(comm.QueryPort(QByteArrayLiteral("*IDN")));
}

bool InstrumentScanner::Find(TIdentityRecord &identity, const QList<int> &ports,
                             const QList<int> &bauds,
                             const std::function<bool(const TIdentityRecord &)> &accept)
{
    TKTComPort &comPort = FComm.ComPort();
    // No message box and no window message may come up during the scan.
    comPort.SetEndOfResponse(QByteArray("\r"));
    comPort.SetAllowEvents(false);
    comPort.SetShowErrors(false);
    comPort.SetResponseTime(ScanResponseTimeMs);
    OpenFailures.clear();
    // A port on the network is the one place to look; behind raw TCP the server's own
    // line speed applies, so there is no speed to try either.
    const PortName location = comPort.Location();
    const bool network = location.IsNetwork();
    const QList<int> tried = network ? QList<int>{0} : ports;
    const QList<int> speeds = location.SetsLineSpeed() ? bauds : QList<int>{comPort.Baud()};
    for (int port : tried) {
        if (!network)
            comPort.SetPort(port);
        if (!comPort.Open()) {
            OpenFailures << comPort.LastOpenFailure();
            continue;
        }
        for (int baud : speeds) {
            if (Trying)
                Trying(port, baud);
            comPort.SetBaud(baud);
            // A reply that came too late for the first question is flushed by the
            // second one, which gets a fresh chance; only the second counts.
            ReadIdentity(FComm, identity);
            const bool firstCameLate = comPort.TimedOut();
            ReadIdentity(FComm, identity);
            if (accept ? accept(identity) : ModelAccepted(identity.ModelNumber)) {
                // When the first question timed out, the answer just accepted may be the
                // first one arriving late, and the answer to the second is still on its
                // way: let it come and discard it, so that it is not taken for the reply
                // to the next query.
                if (firstCameLate) {
                    QThread::msleep(3 * ScanResponseTimeMs);
                    comPort.Flush();
                }
                return true;
            }
        }
        comPort.Close();
    }
    return false;
}
