#pragma once

// The serial-port component: one port handle, request/response input and output.
// It knows nothing of the instrument's language: the "?" of queries and the CR LF
// line end belong to the transaction layer (Communication).

#include "base/NotifyEvent.h"
#include "comm/PortName.h"
#include "comm/PortOpenFailure.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>

class NetworkLink;
class QEventLoop;

class TKTComPort : public QObject
{
    Q_OBJECT
public:
    enum THandshake
    {
        hsNone,
        hsHardware,
        hsAssertAll
    };
    enum TParity
    {
        parNone,
        parEven,
        parOdd
    };

    explicit TKTComPort(QObject *owner = nullptr);
    ~TKTComPort() override; // Close

    bool Open();
    // Why the last Open failed (pofNone after one that succeeded).
    const PortOpenFailure &LastOpenFailure() const { return FLastOpenFailure; }
    void Close();
    QByteArray Read();
    void
    ReadRaw(char *buffer); // reads the InCount bytes waiting; the caller sized buffer by InCount
    bool Write(const QByteArray &sData);
    bool WriteRaw(const char *bData, quint32 bSize);
    void Flush();
    bool Pick();

    // properties
    bool AllowEvents() const;
    void SetAllowEvents(bool on);
    int Baud() const;
    void SetBaud(int baud);                        // reopens an open port when changed
    QByteArray EndOfResponse() const;              // as assigned
    void SetEndOfResponse(const QByteArray &text); // decodes "#13#10" and the like
    QByteArray EndOfResponseRaw() const;           // the terminator searched for
    THandshake Handshaking() const;
    void SetHandshaking(THandshake h); // reopens an open port when changed
    TParity Parity() const;
    void SetParity(TParity p); // reopens an open port when changed
    int InCount();             // bytes waiting (pulls pending input from the driver first)
    bool State() const;        // the line settings can be read
    bool InUse() const;        // a read or a transaction is in progress
    quint32 ResponseTime() const;
    void SetResponseTime(quint32 ms);
    bool Opened() const;
    int Port() const;
    void SetPort(int n); // reopens an open port when changed; a local port from now on
    // The port as named: "COM" + Port, or a serial device server on the network.
    PortName Location() const;
    void SetLocation(const PortName &name); // reopens an open port when changed
    bool ShowErrors() const;
    void SetShowErrors(bool on);
    bool TimedOut() const;
    QByteArray Version() const;          // always "2.0.2"
    void SetVersion(const QByteArray &); // accepted and ignored
    const TNotifyEvent &OnTimeout() const;
    void SetOnTimeout(TNotifyEvent handler);

    // The program is ending (restart or exit decided, possibly from inside a reply
    // wait): the port is closed and stays closed, a wait under way ends at once and
    // later reads and writes return at once without data. Also entered by itself
    // when the application's event loops are told to exit during a reply wait.
    void Abandon();
    bool Abandoned() const;
    // Counts the successful opens: a change tells that the port was opened again since.
    quint64 OpenGeneration() const { return FOpenGeneration; }

    // A transaction (flush, line written, reply read) holds the port from start to end:
    // InUse reads true all along, also between the write and the read, where a message
    // box (the log failing) may dispatch events, so that nothing run from there starts a
    // transaction of its own and takes this one's reply.
    void SetTransactionOpen(bool open);

private:
    void ApplyLineSettings();
    bool OpenNetwork();
    void MarkOpened(); // a fresh link: no failure, nothing read yet
    void LinkLost();
    qint64 LinkAvailable();
    QByteArray LinkRead(qint64 max);
    void PortError(QSerialPort::SerialPortError error);
    void WaitForInput(const QDeadlineTimer &deadline);
    void WakeWait();
    bool PortBusy();

    bool FAllowEvents = false;
    int FBaudRate = 9600;
    THandshake FHandshake = hsNone;
    TParity FParity = parNone;
    QByteArray FEndOfResponse;
    QByteArray FEndOfResponseRaw;
    QSerialPort *FPort = nullptr; // the handle: valid while it is open
    NetworkLink *FNet = nullptr;  // in its place when FLocation names a network port
    PortName FLocation;
    bool FPortInUse = false;
    bool FTransactionOpen = false;
    int FPortNumber = 1;
    quint32 FResponseTime = 1000;
    bool FShowErrors = true;
    bool FTimedOut = false;
    TNotifyEvent FOnTimeout;

    PortOpenFailure FLastOpenFailure;
    bool FLost = false;      // the device vanished under the open handle
    bool FAbandoned = false; // see Abandon
    quint64 FOpenGeneration = 0;
    int FLastInCount = 0;            // what the caller of InCount was told is waiting
    QEventLoop *FWaitLoop = nullptr; // the reply wait running, when events are dispatched
};
