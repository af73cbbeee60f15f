#pragma once

// The tool's instrument session: the panel's session (link, transactions, queue, state),
// found by the panel's scan (or on the port and speed given). No one is asked: a time-out
// or a lost port ends the run with its exit code, and every transaction after that
// returns at once (see Ended).

#include "cli/CliExitCode.h"
#include "comm/PortName.h"
#include "session/InstrumentSession.h"

#include <QString>
#include <optional>

class CliOutput;
class Communication;
class TKTComPort;

class CliSession
{
public:
    explicit CliSession(CliOutput &out);
    ~CliSession();

    // Finds the instrument and leaves its port open at its speed, ready for the
    // transactions. With port and baud both given, any instrument that identifies
    // itself is taken (as the window's manual port choice takes any); otherwise only an
    // accepted model, as the scan does. False with the run ended (NoInstrument).
    bool Connect(std::optional<PortName> port, std::optional<int> baud);

    // The run is over: a time-out or a lost port ended it, or it failed otherwise. The
    // transactions return at once, empty, from then on.
    bool Ended();
    void End(CliExitCode code, const QString &message);
    CliExitCode ExitCode() const { return FExitCode; }

    InstrumentSession &Instrument() { return FInstrument; }
    Communication &Comm() { return *FInstrument.Comm; }
    TKTComPort &Port() { return *FInstrument.ComPort; }
    const TIdentityRecord &Identity() const { return FInstrument.Identity; }

    static constexpr int ResponseTimeMs = 4000;

private:
    CliOutput &FOut;
    InstrumentSession FInstrument;
    CliExitCode FExitCode = CliExitCode::Ok;
    bool FEnded = false;
};
