#pragma once

// What names a port wherever a user gives one (the command line, the port choice, the
// device server's property): "COMn" (also the bare number n) for a local serial port,
// "tcp://HOST:PORT" for a serial device server passing raw bytes and
// "rfc2217://HOST:PORT" for one speaking the Telnet COM-port control option.

#include <QString>
#include <QtGlobal>

class PortName
{
public:
    enum TKind
    {
        pnCom,     // a local serial port, Number
        pnTcp,     // raw bytes over TCP: the server's own line speed applies
        pnRfc2217  // Telnet with the COM-port control option: the line speed is ours
    };

    TKind Kind = pnCom;
    int Number = 1;    // pnCom: the "COM" number
    QString Host;      // network kinds: a host name or an address (no brackets)
    quint16 TcpPort = 0;

    static PortName Com(int number);

    // Reads a name as a user typed it; on failure returns false and sets error to a text
    // that says what is wrong ("COM" numbers run from 1 to maxCom).
    static bool Parse(const QString &text, PortName &name, QString *error = nullptr,
                      int maxCom = 100);

    bool IsNetwork() const { return Kind != pnCom; }
    // Whether the client sets the line speed (a local port or RFC 2217).
    bool SetsLineSpeed() const { return Kind != pnTcp; }
    // "COM3", "tcp://10.0.0.5:4001", "rfc2217://[fe80::1]:2217".
    QString Text() const;
    // What the window's caption shows after "ComPort: ": the number, or the whole name.
    QString CaptionText() const { return IsNetwork() ? Text() : QString::number(Number); }
    // "10.0.0.5:4001", "[fe80::1]:2217" (network kinds).
    QString Address() const;

    bool operator==(const PortName &other) const;
};
