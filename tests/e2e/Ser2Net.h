#pragma once

// Debian's ser2net (4.x) in front of a serial device, on a free TCP port of the loopback
// interface: raw TCP, or Telnet with the COM-port control option (RFC 2217). It can be
// stopped and started again on the same port.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class Ser2Net
{
public:
    enum TKind
    {
        Raw,
        Rfc2217
    };
    Ser2Net(TKind kind, const QString &device);
    ~Ser2Net();
    Ser2Net(const Ser2Net &) = delete;
    Ser2Net &operator=(const Ser2Net &) = delete;

    static bool Available(); // ser2net is installed

    bool Start(); // false, with Error, when it did not come up
    void Stop();
    QString Error() const { return FError; }
    quint16 TcpPort() const { return FPort; }
    // "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
    QString PortName() const;

    // A TCP port of the loopback interface that nothing listens on now.
    static quint16 FreePort();

private:
    TKind FKind;
    QString FDevice;
    QTemporaryDir FDir;
    QProcess FProcess;
    quint16 FPort = 0;
    QString FError;
};
