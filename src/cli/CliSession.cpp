#include "cli/CliSession.h"

#include "cli/CliOutput.h"
#include "comm/Communication.h"
#include "comm/InstrumentScanner.h"
#include "comm/PortOpenFailure.h"
#include "comm/TKTComPort.h"

CliSession::CliSession(CliOutput &out)
    : FOut(out), FPort(new TKTComPort), FComm(new Communication(*FPort))
{
    FPreviousDialogs = SetDialogs(this);
    FComm->SetAppControl(this);
    FPort->SetOnTimeout([this](QObject *) { ReplyMissing(); });
}

CliSession::~CliSession()
{
    SetDialogs(FPreviousDialogs);
    FPort->SetOnTimeout({});
    delete FComm; // closes the log
    delete FPort; // closes the port
}

bool CliSession::Connect(std::optional<int> port, std::optional<int> baud)
{
    InstrumentScanner scanner(*FComm);
    scanner.Trying = [this](int n, int b) {
        FOut.Progress(QStringLiteral("Looking for the instrument: COM%1 at %2 baud").arg(n).arg(b));
    };
    const QList<int> ports = port ? QList<int>{*port} : InstrumentScanner::ScanPorts();
    const QList<int> bauds = baud ? QList<int>{*baud} : InstrumentScanner::ScanBauds();
    std::function<bool(const TIdentityRecord &)> accept;
    if (port && baud)
        accept = [](const TIdentityRecord &identity) { return !identity.ModelNumber.isEmpty(); };
    const bool found = scanner.Find(Identity, ports, bauds, accept);
    FOut.EndProgress();
    if (!found) {
        QString where;
        if (port && baud)
            where = QStringLiteral(" on COM%1 at %2 baud").arg(*port).arg(*baud);
        else if (port)
            where = QStringLiteral(" on COM%1").arg(*port);
        else if (baud)
            where = QStringLiteral(" at %1 baud").arg(*baud);
        End(CliExitCode::NoInstrument, QStringLiteral("No instrument found%1.").arg(where));
        // Devices that exist but were refused: why, and what to do.
        const QString refused =
            PortOpenFailure::ScanReport(scanner.OpenFailures, PortOpenFailure::CurrentUserName());
        if (!refused.isEmpty())
            FOut.Note(refused);
        return false;
    }
    // From here on a missing reply is noticed after 4000 ms and reported through the
    // time-out handler, which is only called when events are allowed.
    FPort->SetResponseTime(ResponseTimeMs);
    FPort->SetAllowEvents(true);
    return true;
}

void CliSession::ReplyMissing()
{
    // The component calls this for a reply that did not come and for a device that
    // vanished under the open port; only in the second case is the port closed now.
    FMissingCause = FPort->Opened() ? CliExitCode::Timeout : CliExitCode::PortLost;
    FComm->CommunicationTimeout();
}

bool CliSession::Ended()
{
    if (!FEnded && FExitCode == CliExitCode::Ok && !FPort->Opened()) {
        // Gone between two transactions: nothing waited for it, so no handler ran.
        End(CliExitCode::PortLost,
            QStringLiteral("The serial port COM%1 is no longer available.").arg(FPort->Port()));
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
    FPort->Abandon();
}

void CliSession::RestartApp()
{
    ExitApp();
}

void CliSession::ExitApp()
{
    if (FMissingCause == CliExitCode::PortLost)
        End(CliExitCode::PortLost, QStringLiteral("The serial port COM%1 was lost while waiting "
                                                  "for the instrument's reply to \"%2\".")
                                       .arg(FPort->Port())
                                       .arg(QString::fromLatin1(FComm->LastCommand)));
    else
        End(CliExitCode::Timeout, QStringLiteral("The instrument did not answer \"%1\" within "
                                                 "%2 ms.")
                                      .arg(QString::fromLatin1(FComm->LastCommand))
                                      .arg(ResponseTimeMs));
}

OperatorDialogs::Button CliSession::Warning(const QString &, const QList<Button> &buttons)
{
    // "Communications lost. Restart?" and its kin: No ends the run (ExitApp follows).
    for (Button b : {No, Abort, Cancel})
        if (buttons.contains(b))
            return b;
    return buttons.isEmpty() ? Ok : buttons.first();
}

void CliSession::Information(const QString &text)
{
    FOut.Error(text);
}
