#include "comm/TKTComPort.h"

#include "comm/ComPortDevice.h"
#include "comm/NetworkLink.h"
#include "comm/OperatorDialogs.h"

#include <QEventLoop>
#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {
const QString PortInUseText = QStringLiteral("Port is in use -- operation aborted");
const QString LastAddressKey = QStringLiteral("PortChoice/NetworkAddress");
// Return code of a reply wait's event loop when this component ended it; any other
// code means the application told all its event loops to exit.
constexpr int WaitWoken = 0x4B54;
// How long a write may take to leave the driver before it counts as failed.
constexpr int WriteTimeoutMs = 2000;

// "#13#10" and the like: once a "#" has been seen, every later character belongs to
// a decimal character code. A code that cannot be read makes the whole text literal.
QByteArray DecodeEndOfResponse(const QByteArray &text)
{
    QByteArray terminator;
    QByteArray digits;
    bool collecting = false;
    bool failed = false;
    auto appendCode = [&] {
        // decimal digits only, at most seven of them (the highest code is 1114111)
        const bool digitsOnly =
            !digits.isEmpty() && digits.size() <= 7 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        const int code = digitsOnly ? digits.toInt() : -1;
        if (code < 0 || code > 0x10FFFF) {
            failed = true;
            return;
        }
        if (code < 128) {
            terminator += char(code);
        } else {
            const char32_t ch = char32_t(code);
            // bytes above 127 as the workstation's 8-bit code page gives them
            terminator += QString::fromUcs4(&ch, 1).toLatin1();
        }
    };
    for (char c : text) {
        if (c == '#') {
            if (collecting)
                appendCode();
            digits.clear();
            collecting = true;
        } else if (collecting) {
            digits += c;
        } else {
            terminator += c;
        }
    }
    if (!digits.isEmpty())
        appendCode();
    else if (collecting && !text.isEmpty() && text.endsWith('#'))
        failed = true; // a trailing "#" names no code
    return failed ? text : terminator;
}
} // namespace

TKTComPort::TKTComPort(QObject *owner)
    : QObject(owner), FPort(new QSerialPort(this)), FNet(new NetworkLink(this))
{
    connect(FPort, &QSerialPort::errorOccurred, this, &TKTComPort::PortError);
    connect(FNet, &NetworkLink::Lost, this, &TKTComPort::LinkLost);
}

TKTComPort::~TKTComPort()
{
    Close();
}

bool TKTComPort::Open()
{
    // A connection to a device server stays: connecting anew every time (the status poll
    // opens the port every second) would make the server reopen its serial device, and
    // the line settings made on it still hold.
    if (FLocation.IsNetwork() && FNet->IsOpen() && FNet->Name() == FLocation)
        return true;
    if (Opened())
        Close();
    if (FAbandoned)
        return false;
    if (FLocation.IsNetwork())
        return OpenNetwork();
    const QString path = ComPortDevicePath(FPortNumber);
    for (;;) {
        FPort->setPortName(path);
        if (!path.isEmpty() && FPort->open(QIODevice::ReadWrite))
            break;
        FLastOpenFailure = PortOpenFailure::Examine(FPortNumber, path, FPort->error());
        if (!FShowErrors)
            return false;
        const auto answer =
            Dialogs().Warning(QStringLiteral("Error opening COM") + QString::number(FPortNumber) +
                                  QStringLiteral(": "),
                              {OperatorDialogs::Abort, OperatorDialogs::Retry});
        if (answer != OperatorDialogs::Retry || FAbandoned)
            return false;
    }
    MarkOpened();
    ApplyLineSettings();
    FPort->clearError();
    return Opened();
}

bool TKTComPort::OpenNetwork()
{
    for (;;) {
        if (FNet->Open(FLocation, FBaudRate, FAllowEvents))
            break;
        FLastOpenFailure = PortOpenFailure::Network(FLocation.Text(), FNet->FailureText());
        if (!FShowErrors || FAbandoned)
            return false;
        const auto answer = Dialogs().Warning(QStringLiteral("Error opening ") +
                                                  FLocation.Text() + QStringLiteral(": ") +
                                                  FNet->FailureText(),
                                              {OperatorDialogs::Abort, OperatorDialogs::Retry});
        if (answer != OperatorDialogs::Retry || FAbandoned)
            return false;
    }
    MarkOpened();
    return Opened();
}

void TKTComPort::MarkOpened()
{
    FLastOpenFailure = PortOpenFailure();
    ++FOpenGeneration;
    FLost = false;
    FLastInCount = 0;
}

void TKTComPort::LinkLost()
{
    // The far end closed the connection: the link is closed already; a reply wait under
    // way ends as it does when a serial device vanishes.
    FLost = true;
    WakeWait();
}

qint64 TKTComPort::LinkAvailable()
{
    return FLocation.IsNetwork() ? FNet->BytesAvailable() : FPort->bytesAvailable();
}

QByteArray TKTComPort::LinkRead(qint64 max)
{
    return FLocation.IsNetwork() ? FNet->Read(max) : FPort->read(max);
}

void TKTComPort::ApplyLineSettings()
{
    // As with the driver's own settings block, a setting the device refuses does not
    // make the open fail: pseudo-terminals, for one, have no DTR or RTS lines.
    FPort->setBaudRate(FBaudRate);
    FPort->setDataBits(QSerialPort::Data8);
    FPort->setStopBits(QSerialPort::OneStop);
    FPort->setParity(FParity == parEven  ? QSerialPort::EvenParity
                     : FParity == parOdd ? QSerialPort::OddParity
                                         : QSerialPort::NoParity);
    switch (FHandshake) {
    case hsNone:
        FPort->setFlowControl(QSerialPort::NoFlowControl);
        FPort->setDataTerminalReady(false);
        FPort->setRequestToSend(false);
        break;
    case hsHardware:
        FPort->setFlowControl(QSerialPort::HardwareControl);
        FPort->setDataTerminalReady(false);
        break;
    case hsAssertAll:
        FPort->setFlowControl(QSerialPort::NoFlowControl);
        FPort->setDataTerminalReady(true);
        FPort->setRequestToSend(true);
        break;
    }
}

void TKTComPort::Close()
{
    if (FPort->isOpen())
        FPort->close();
    FNet->Close();
    FLastInCount = 0;
    WakeWait();
}

void TKTComPort::Abandon()
{
    FAbandoned = true;
    Close();
}

bool TKTComPort::Abandoned() const
{
    return FAbandoned;
}

void TKTComPort::PortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!FPort->isOpen() || FLost)
        return;
    // The device is gone (USB unplugged, the other side of a pseudo-terminal closed).
    // Until the handle is closed the port reports this error again and again at full
    // speed, so close it; not from inside this handler, which the port calls from its
    // own read path, but as soon as control is back in the event loop.
    FLost = true;
    const quint64 generation = FOpenGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (FLost && generation == FOpenGeneration && FPort->isOpen())
                Close();
        },
        Qt::QueuedConnection);
    WakeWait();
}

void TKTComPort::WakeWait()
{
    if (FWaitLoop)
        FWaitLoop->exit(WaitWoken);
}

bool TKTComPort::PortBusy()
{
    if (!FPortInUse)
        return false;
    if (FShowErrors)
        Dialogs().Information(PortInUseText);
    return true;
}

int TKTComPort::InCount()
{
    if (!Opened())
        return 0;
    if (FLocation.IsNetwork()) {
        FLastInCount = int(std::min<qint64>(FNet->BytesAvailable(), INT_MAX));
        return FLastInCount;
    }
    // The port moves data only inside an event loop or a wait call; pull whatever the
    // driver holds now without waiting.
    if (FPort->waitForReadyRead(0) == false && FPort->error() == QSerialPort::TimeoutError)
        FPort->clearError();
    if (!FPort->isOpen())
        return 0;
    FLastInCount = int(FPort->bytesAvailable());
    return FLastInCount;
}

void TKTComPort::WaitForInput(const QDeadlineTimer &deadline)
{
    const qint64 remaining = std::max<qint64>(0, deadline.remainingTime());
    if (FAllowEvents) {
        // Sleep in a local event loop (window events go on being dispatched) until
        // input arrives, the deadline passes, or the port is closed or lost.
        QPointer<TKTComPort> alive(this);
        QEventLoop loop;
        QEventLoop *outer = FWaitLoop;
        FWaitLoop = &loop;
        connect(FPort, &QSerialPort::readyRead, &loop, [&loop] { loop.exit(WaitWoken); });
        connect(FNet, &NetworkLink::DataArrived, &loop, [&loop] { loop.exit(WaitWoken); });
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(WaitWoken); });
        timer.start(int(std::min<qint64>(remaining, INT_MAX)));
        const int code = loop.exec();
        if (!alive)
            return;
        FWaitLoop = outer;
        if (code != WaitWoken)
            Abandon(); // the application's event loops were told to exit
    } else if (FLocation.IsNetwork()) {
        FNet->WaitForData(int(std::min<qint64>(remaining, INT_MAX)));
    } else {
        // No event may be dispatched: block in the port until input or the deadline.
        if (!FPort->waitForReadyRead(int(std::min<qint64>(remaining, INT_MAX)))) {
            const auto error = FPort->error();
            if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
                FLost = true;
            else if (error == QSerialPort::TimeoutError)
                FPort->clearError();
        }
    }
}

QByteArray TKTComPort::Read()
{
    QByteArray result;
    if (PortBusy() || FAbandoned)
        return result;
    if (!Opened()) {
        Open();
        // A device that vanished earlier and cannot be reopened: the reply can never
        // come, and the wait below ends at once as a time-out does. A port that was
        // never there (no instrument at all) gives an empty reply.
        if (!Opened() && !FLost)
            return result;
    }
    // Handlers run during the wait may end the program; this object must then not be
    // touched once it is gone.
    QPointer<TKTComPort> alive(this);
    FPortInUse = true;
    if (FEndOfResponseRaw.isEmpty()) {
        const int n = InCount();
        if (n > 0)
            result = LinkRead(n);
    } else {
        QDeadlineTimer deadline(qint64(FResponseTime), Qt::PreciseTimer);
        FTimedOut = false;
        for (;;) {
            const int n = InCount();
            if (n > 0) {
                result += LinkRead(n);
                if (result.contains(FEndOfResponseRaw))
                    break;
            }
            if (FLost && Opened())
                Close();
            const bool closed = !Opened();
            if (FAbandoned || (closed && !FLost)) {
                // closed by a handler run during the wait (exit, restart): end quietly
                FTimedOut = true;
                break;
            }
            if (closed || deadline.hasExpired()) {
                // A vanished device ends the wait as a time-out does.
                FTimedOut = true;
                if (FAllowEvents && FOnTimeout) {
                    TNotifyEvent handler = FOnTimeout;
                    handler(this);
                    if (!alive)
                        return result;
                }
                if (FShowErrors && !FAbandoned &&
                    Dialogs().Warning(QStringLiteral("Timeout waiting for response."),
                                      {OperatorDialogs::Abort, OperatorDialogs::Retry}) ==
                        OperatorDialogs::Retry) {
                    if (!alive)
                        return result;
                    if (!Opened() && !FAbandoned && !Open())
                        break;
                    FTimedOut = false;
                    deadline = QDeadlineTimer(qint64(FResponseTime), Qt::PreciseTimer);
                    continue;
                }
                if (!alive)
                    return result;
                break;
            }
            WaitForInput(deadline);
            if (!alive)
                return result;
        }
    }
    FPortInUse = false;
    return result;
}

void TKTComPort::ReadRaw(char *buffer)
{
    if (PortBusy() || FAbandoned)
        return;
    if (!Opened()) {
        Open();
        if (!Opened())
            return;
    }
    FPortInUse = true;
    // Only the bytes the caller was told about by InCount: the buffer was sized by
    // that count, and more may have arrived since.
    const qint64 count = std::min<qint64>(FLastInCount, LinkAvailable());
    if (count > 0) {
        const QByteArray bytes = LinkRead(count);
        std::copy(bytes.begin(), bytes.end(), buffer);
        if (bytes.size() != count)
            Dialogs().Information(QStringLiteral("Raw read error."));
    }
    FLastInCount = 0;
    FPortInUse = false;
}

bool TKTComPort::Write(const QByteArray &sData)
{
    return WriteRaw(sData.constData(), quint32(sData.size()));
}

bool TKTComPort::WriteRaw(const char *bData, quint32 bSize)
{
    if (FAbandoned)
        return false;
    if (!Opened()) {
        Open();
        if (!Opened())
            return false;
    }
    if (bSize == 0)
        return true;
    if (FLocation.IsNetwork())
        return FNet->Write(QByteArray(bData, qsizetype(bSize)));
    if (FPort->write(bData, qint64(bSize)) != qint64(bSize))
        return false;
    // The port sends only from the event loop or a wait call: send now, so that
    // success means the bytes have left.
    while (FPort->isOpen() && FPort->bytesToWrite() > 0) {
        if (!FPort->waitForBytesWritten(WriteTimeoutMs))
            break;
    }
    return FPort->isOpen() && FPort->bytesToWrite() == 0;
}

void TKTComPort::Flush()
{
    if (FPort->isOpen())
        FPort->clear(QSerialPort::AllDirections);
    FNet->Flush();
    FLastInCount = 0;
}

bool TKTComPort::Pick()
{
    const bool showErrors = FShowErrors;
    const int port = FPortNumber;
    const PortName location = FLocation;
    FLocation = PortName::Com(port);
    FShowErrors = false;
    QStringList entries;
    QStringList devices;
    for (int n = 1; n <= 100; ++n) {
        FPortNumber = n;
        if (Open()) {
            entries << QStringLiteral("COM") + QString::number(n);
            devices << ComPortDevicePath(n);
        }
    }
    // Release the last candidate: the handle would otherwise stand for a port other
    // than Port.
    Close();
    FShowErrors = showErrors;
    FPortNumber = port;
    FLocation = location;
    // The last device server chosen is offered again (the one place the program keeps a
    // choice of the operator's between runs).
    QSettings settings(QStringLiteral("kt7310"), QStringLiteral("KT7310_GUI"));
    const QString lastAddress = location.IsNetwork()
                                    ? location.Text()
                                    : settings.value(LastAddressKey).toString();
    const int selected = location.IsNetwork()
                             ? -1
                             : int(entries.indexOf(QStringLiteral("COM") + QString::number(port)));
    const QString chosen = Dialogs().PickPortName(entries, selected, devices, lastAddress);
    PortName name;
    if (chosen.isEmpty() || !PortName::Parse(chosen, name))
        return false;
    if (name.IsNetwork()) {
        settings.setValue(LastAddressKey, name.Text());
        FLocation = name;
    } else {
        FPortNumber = name.Number;
        FLocation = PortName::Com(name.Number);
    }
    return true;
}

bool TKTComPort::AllowEvents() const
{
    return FAllowEvents;
}

void TKTComPort::SetAllowEvents(bool on)
{
    FAllowEvents = on;
}

int TKTComPort::Baud() const
{
    return FBaudRate;
}

void TKTComPort::SetBaud(int baud)
{
    if (baud == FBaudRate)
        return;
    FBaudRate = baud;
    if (Opened() && FLocation.IsNetwork()) {
        // The server sets the line speed on the open connection (raw TCP: its own speed
        // stays); a server that does not confirm it leaves the link closed.
        FNet->SetBaud(baud, FAllowEvents);
    } else if (Opened()) {
        Close();
        Open();
    }
}

QByteArray TKTComPort::EndOfResponse() const
{
    return FEndOfResponse;
}

void TKTComPort::SetEndOfResponse(const QByteArray &text)
{
    FEndOfResponse = text;
    FEndOfResponseRaw = DecodeEndOfResponse(text);
}

QByteArray TKTComPort::EndOfResponseRaw() const
{
    return FEndOfResponseRaw;
}

TKTComPort::THandshake TKTComPort::Handshaking() const
{
    return FHandshake;
}

void TKTComPort::SetHandshaking(THandshake h)
{
    if (h == FHandshake)
        return;
    FHandshake = h;
    if (Opened()) {
        Close();
        Open();
    }
}

TKTComPort::TParity TKTComPort::Parity() const
{
    return FParity;
}

void TKTComPort::SetParity(TParity p)
{
    if (p == FParity)
        return;
    FParity = p;
    if (Opened()) {
        Close();
        Open();
    }
}

bool TKTComPort::State() const
{
    if (FLocation.IsNetwork())
        return FNet->IsOpen();
    return FPort->isOpen() && ComPortLineSettingsReadable(qintptr(FPort->handle()));
}

bool TKTComPort::InUse() const
{
    return FPortInUse || FTransactionOpen;
}

void TKTComPort::SetTransactionOpen(bool open)
{
    FTransactionOpen = open;
}

quint32 TKTComPort::ResponseTime() const
{
    return FResponseTime;
}

void TKTComPort::SetResponseTime(quint32 ms)
{
    FResponseTime = ms;
}

bool TKTComPort::Opened() const
{
    return FLocation.IsNetwork() ? FNet->IsOpen() : FPort->isOpen();
}

int TKTComPort::Port() const
{
    return FPortNumber;
}

void TKTComPort::SetPort(int n)
{
    if (n == FPortNumber && !FLocation.IsNetwork())
        return;
    FPortNumber = n;
    FLocation = PortName::Com(n);
    if (Opened()) {
        Close();
        Open();
    }
}

PortName TKTComPort::Location() const
{
    return FLocation.IsNetwork() ? FLocation : PortName::Com(FPortNumber);
}

void TKTComPort::SetLocation(const PortName &name)
{
    if (!name.IsNetwork()) {
        SetPort(name.Number);
        return;
    }
    if (name == FLocation)
        return;
    const bool wasOpen = Opened();
    if (wasOpen)
        Close();
    FLocation = name;
    if (wasOpen)
        Open();
}

bool TKTComPort::ShowErrors() const
{
    return FShowErrors;
}

void TKTComPort::SetShowErrors(bool on)
{
    FShowErrors = on;
}

bool TKTComPort::TimedOut() const
{
    return FTimedOut;
}

QByteArray TKTComPort::Version() const
{
    return QByteArrayLiteral("2.0.2");
}

void TKTComPort::SetVersion(const QByteArray &) {}

const TNotifyEvent &TKTComPort::OnTimeout() const
{
    return FOnTimeout;
}

void TKTComPort::SetOnTimeout(TNotifyEvent handler)
{
    FOnTimeout = std::move(handler);
}
