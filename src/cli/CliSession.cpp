#include "cli/CliSession.h"

#include "cli/CliOutput.h"
#include "comm/Communication.h"
#include "comm/InstrumentScanner.h"
#include "comm/PortOpenFailure.h"
#include "comm/TKTComPort.h"

#include <QTimer>

CliSession::CliSession(CliOutput &out) : FOut(out)
{
    // Nobody to ask: the component shows no message boxes, and a reply that does not
    // come ends the run with the fault's own sentence.
    FInstrument.ComPort->SetShowErrors(false);
    QObject::connect(&FInstrument, &InstrumentSession::ReplyMissing,
                     [this](const TLinkFault &fault, InstrumentSession::TReplyMissingAnswer &answer) {
                         answer = InstrumentSession::EndProgram;
                         End(fault.Kind == TLinkFault::PortLost ? CliExitCode::PortLost
                                                                : CliExitCode::Timeout,
                             fault.Text);
                     });
    // What the window would tell in a box (a log that cannot be written) is an error line.
    QObject::connect(&FInstrument, &InstrumentSession::Notice,
                     [this](const QString &text) { FOut.Error(text); });
}

CliSession::~CliSession()
{
    FInstrument.Terminate();
}

bool CliSession::Connect(std::optional<PortName> port, std::optional<int> baud)
{
    InstrumentScanner scanner(Comm());
    const PortName named = port.value_or(PortName());
    scanner.Trying = [this, named](int n, int b) {
        const QString where = named.IsNetwork() ? named.Text() : QStringLiteral("COM%1").arg(n);
        FOut.Progress(QStringLiteral("Looking for the instrument: %1 at %2 baud").arg(where).arg(b));
    };
    if (named.IsNetwork())
        Port().SetLocation(named);
    const QList<int> ports = port ? QList<int>{named.Number} : InstrumentScanner::ScanPorts();
    const QList<int> bauds = baud ? QList<int>{*baud} : InstrumentScanner::ScanBauds();
    std::function<bool(const TIdentityRecord &)> accept;
    if (port && (baud || !named.SetsLineSpeed()))
        accept = [](const TIdentityRecord &identity) { return !identity.ModelNumber.isEmpty(); };
    const bool found = scanner.Find(FInstrument.Identity, ports, bauds, accept);
    FOut.EndProgress();
    if (!found) {
        QString where;
        if (port && baud)
            where = QStringLiteral(" on %1 at %2 baud").arg(named.Text()).arg(*baud);
        else if (port)
            where = QStringLiteral(" on %1").arg(named.Text());
        else if (baud)
            where = QStringLiteral(" at %1 baud").arg(*baud);
        QString text = QStringLiteral("No instrument found%1.").arg(where);
        // A server on the network that could not be reached: why.
        if (named.IsNetwork() && !scanner.OpenFailures.isEmpty())
            text += QLatin1Char(' ') + scanner.OpenFailures.constFirst().Detail + QLatin1Char('.');
        End(CliExitCode::NoInstrument, text);
        // Devices that exist but were refused: why, and what to do.
        const QString refused =
            PortOpenFailure::ScanReport(scanner.OpenFailures, PortOpenFailure::CurrentUserName());
        if (!refused.isEmpty())
            FOut.Note(refused);
        return false;
    }
    // From here on a missing reply is noticed after 4000 ms and reported through the
    // session, which the component calls only when events are allowed.
    Port().SetResponseTime(ResponseTimeMs);
    Port().SetAllowEvents(true);
    return true;
}

bool CliSession::Ended()
{
    if (!FEnded && FExitCode == CliExitCode::Ok && !Port().Opened()) {
        // Gone between two transactions: nothing waited for it, so no handler ran.
        End(CliExitCode::PortLost,
            QStringLiteral("The serial port %1 is no longer available.").arg(Port().Location().Text()));
    }
    return FEnded;
}

void CliSession::End(CliExitCode code, const QString &message)
{
    if (FEnded)
        return;
    FEnded = true;
    FExitCode = code;
    FOut.Error(message);
    Port().Abandon();
}
