#pragma once

// The search for the instrument: serial ports and line speeds are tried in order, each
// with two identification questions, until one answers with a model the program accepts.
// The port is left open at that speed. No message box and no window message can come up
// during the scan.

#include "comm/PortOpenFailure.h"
#include "protocol/TIdentityRecord.h"

#include <QList>
#include <functional>

class Communication;

class InstrumentScanner
{
public:
    explicit InstrumentScanner(Communication &comm);

    // Line speeds tried, fastest first.
    static const QList<int> &ScanBauds();
    static QList<int> ScanPorts(); // 1 to 100

    // Called before each port and speed is tried (progress; port 0 for a network port).
    std::function<void(int port, int baud)> Trying;

    // Tries ports x speeds (the port's network location alone when it has one, and over
    // raw TCP no speed: see PortName); true, with identity filled and the port open at that speed,
    // when an accepted model answered. accept decides what counts as found (by default
    // the model table's accepted models).
    bool Find(TIdentityRecord &identity, const QList<int> &ports = ScanPorts(),
              const QList<int> &bauds = ScanBauds(),
              const std::function<bool(const TIdentityRecord &)> &accept = {});

    // One identification question; fills or clears identity.
    static void ReadIdentity(Communication &comm, TIdentityRecord &identity);

    static constexpr int ScanResponseTimeMs = 100;

    // Why each port that could not be opened was refused, in scan order (the last Find).
    QList<PortOpenFailure> OpenFailures;

private:
    Communication &FComm;
};
