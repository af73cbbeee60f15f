#pragma once

// The tool's link to the instrument: the serial component and the transactions as the
// window uses them, found by the window's scan (or on the port and speed given), and
// the tool's side of the seams through which the transactions would ask the operator.
// No one is asked: a time-out or a lost port ends the run with its exit code, and every
// transaction after that returns at once (see Ended).

#include "cli/CliExitCode.h"
#include "comm/AppControl.h"
#include "comm/OperatorDialogs.h"
#include "protocol/TIdentityRecord.h"

#include <QString>
#include <optional>

class CliOutput;
class Communication;
class TKTComPort;

class CliSession : public AppControl, public OperatorDialogs
{
public:
    explicit CliSession(CliOutput &out);
    ~CliSession() override;

    // Finds the instrument and leaves its port open at its speed, ready for the
    // transactions. With port and baud both given, any instrument that identifies
    // itself is taken (as the window's manual port choice takes any); otherwise only an
    // accepted model, as the scan does. False with the run ended (NoInstrument).
    bool Connect(std::optional<int> port, std::optional<int> baud);

    // The run is over: a time-out or a lost port ended it, or it failed otherwise. The
    // transactions return at once, empty, from then on.
    bool Ended();
    void End(CliExitCode code, const QString &message);
    CliExitCode ExitCode() const { return FExitCode; }

    Communication &Comm() { return *FComm; }
    TKTComPort &Port() { return *FPort; }
    TIdentityRecord Identity;

    // AppControl: the transactions decided the run is over.
    void RestartApp() override;
    void ExitApp() override;
    void SetStatusTimerEnabled(bool) override {}

    // OperatorDialogs: the answers of nobody at the screen.
    Button Warning(const QString &text, const QList<Button> &buttons) override;
    void Information(const QString &text) override;
    int PickPort(const QStringList &, int, const QStringList &) override { return -1; }
    QString ChooseFile(QObject *) override { return QString(); }

    static constexpr int ResponseTimeMs = 4000;

private:
    void ReplyMissing();

    CliOutput &FOut;
    TKTComPort *FPort;
    Communication *FComm;
    OperatorDialogs *FPreviousDialogs = nullptr;
    CliExitCode FExitCode = CliExitCode::Ok;
    CliExitCode FMissingCause = CliExitCode::Timeout;
    bool FEnded = false;
};
