#pragma once

// The link to an instrument behind a serial device server: a TCP connection carrying the
// serial line's bytes, raw or inside Telnet with the COM-port control option (RFC 2217),
// which also sets the line speed. Seen from the serial component it behaves as a port:
// open, write, bytes waiting, read, flush, line speed, and a signal when it is lost.

#include "comm/PortName.h"
#include "comm/TelnetCodec.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QEventLoop;
class QTcpSocket;

class NetworkLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int ConnectTimeoutMs = 3000;
    // Received data held at most; beyond it the socket is not read (TCP holds the rest).
    static constexpr qsizetype MaxPending = 1 << 20;

    explicit NetworkLink(QObject *parent = nullptr);
    ~NetworkLink() override;

    // Connects (and over RFC 2217 sets 8N1 at baud), waiting at most ConnectTimeoutMs for
    // each step. The thread's events go on being dispatched meanwhile; with allowEvents
    // false user input is held back. False, with FailureText, when it did not work.
    bool Open(const PortName &name, int baud, bool allowEvents);
    void Close();
    bool IsOpen() const;
    QString FailureText() const { return FFailure; }
    const PortName &Name() const { return FName; }

    // RFC 2217: asks the server for the line speed and waits for its answer, which must
    // name the same speed. Raw TCP: nothing to do (the server's own speed applies).
    bool SetBaud(int baud, bool allowEvents);

    // Data waiting, after taking whatever the socket holds now without waiting.
    qint64 BytesAvailable();
    QByteArray Read(qint64 max);
    // Sends all of data; true once it has left.
    bool Write(const QByteArray &data);
    // Discards the data received so far and what the socket holds.
    void Flush();
    // Blocks until data arrives, the link is lost, or msecs pass; true when data waits.
    bool WaitForData(int msecs);

signals:
    void DataArrived();
    void Lost(); // the far end closed the connection, or it broke

private:
    void Receive();
    void Disconnected();
    // Runs an event loop until done() holds, the link closes, or msecs pass.
    bool WaitUntil(const std::function<bool()> &done, int msecs, bool allowEvents);
    bool Fail(const QString &text);

    QTcpSocket *FSocket = nullptr;
    PortName FName;
    TelnetCodec FTelnet;
    QByteArray FPending; // data received, not yet read
    QString FFailure;
    bool FOpen = false;
    QEventLoop *FWait = nullptr;
};
