#include "comm/NetworkLink.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <initializer_list>

namespace {
QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

// How long a write may take to leave before it counts as failed.
constexpr int WriteTimeoutMs = 2000;
// The socket's read buffer: what it holds beyond this stays with TCP.
constexpr qint64 SocketBuffer = 64 * 1024;

QByteArray BigEndian32(quint32 v)
{
    return Bytes({char(v >> 24), char(v >> 16), char(v >> 8), char(v)});
}
} // namespace

NetworkLink::NetworkLink(QObject *parent) : QObject(parent) {}

NetworkLink::~NetworkLink()
{
    Close();
}

bool NetworkLink::Fail(const QString &text)
{
    FFailure = text;
    Close();
    return false;
}

bool NetworkLink::WaitUntil(const std::function<bool()> &done, int msecs, bool allowEvents)
{
    QPointer<NetworkLink> alive(this);
    const QDeadlineTimer deadline(msecs);
    while (!done()) {
        if (!FSocket || deadline.hasExpired())
            return false;
        // Woken by the socket's signals, by Close, or when the time is up.
        QEventLoop loop;
        QEventLoop *outer = FWait;
        FWait = &loop;
        QTimer::singleShot(int(std::max<qint64>(1, deadline.remainingTime())), &loop,
                           &QEventLoop::quit);
        loop.exec(allowEvents ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (!alive)
            return false;
        FWait = outer;
    }
    return true;
}

bool NetworkLink::Open(const PortName &name, int baud, bool allowEvents)
{
    Close();
    FName = name;
    FFailure.clear();
    FTelnet = TelnetCodec();
    FPending.clear();
    const QString where = name.Address();

    FSocket = new QTcpSocket(this);
    FSocket->setReadBufferSize(SocketBuffer);
    QTcpSocket *socket = FSocket;
    auto wake = [this] {
        if (FWait)
            FWait->quit();
    };
    connect(socket, &QTcpSocket::connected, this, wake);
    connect(socket, &QTcpSocket::readyRead, this, &NetworkLink::Receive);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket, wake] {
        if (FOpen && socket->state() == QAbstractSocket::UnconnectedState)
            Disconnected();
        wake();
    });
    connect(socket, &QTcpSocket::disconnected, this, &NetworkLink::Disconnected);
    // The connection is made by the event loop: no thread blocks in a name look-up or a
    // connect that is never answered.
    socket->connectToHost(name.Host, name.TcpPort);
    const bool connected = WaitUntil(
        [socket] {
            return socket->state() == QAbstractSocket::ConnectedState ||
                   socket->state() == QAbstractSocket::UnconnectedState;
        },
        ConnectTimeoutMs, allowEvents);
    if (FSocket != socket)
        return false; // closed meanwhile
    if (!connected || socket->state() != QAbstractSocket::ConnectedState) {
        switch (socket->error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return Fail(QStringLiteral("Connection refused by %1").arg(where));
        case QAbstractSocket::HostNotFoundError:
            return Fail(QStringLiteral("Host name not found: %1").arg(name.Host));
        default:
            if (socket->state() != QAbstractSocket::UnconnectedState)
                return Fail(QStringLiteral("No answer from %1 within %2 s")
                                .arg(where)
                                .arg(ConnectTimeoutMs / 1000));
            return Fail(QStringLiteral("Cannot connect to %1: %2").arg(where, socket->errorString()));
        }
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    FOpen = true;

    if (name.Kind == PortName::pnRfc2217) {
        socket->write(FTelnet.Greeting());
        const bool answered = WaitUntil(
            [this] { return FTelnet.ComPortAccepted() || FTelnet.ComPortRefused(); },
            ConnectTimeoutMs, allowEvents);
        if (FSocket != socket)
            return false;
        if (!answered || !FTelnet.ComPortAccepted())
            return Fail(QStringLiteral("%1 does not offer the COM-port control option (RFC 2217)")
                            .arg(where));
        if (!SetBaud(baud, allowEvents))
            return false;
    }
    return FOpen;
}

bool NetworkLink::SetBaud(int baud, bool allowEvents)
{
    if (!IsOpen() || FName.Kind != PortName::pnRfc2217)
        return IsOpen();
    using C = TelnetCodec;
    // 8 data bits, no parity (1), one stop bit (1), no flow control (1).
    const QList<QPair<C::TComPortCommand, QByteArray>> settings{
        {C::cpSetBaudRate, BigEndian32(quint32(baud))},
        {C::cpSetDataSize, QByteArray(1, char(8))},
        {C::cpSetParity, QByteArray(1, char(1))},
        {C::cpSetStopSize, QByteArray(1, char(1))}};
    FTelnet.ClearComPortAnswers();
    QByteArray out;
    for (const auto &s : settings)
        out += C::ComPortCommand(s.first, s.second);
    out += C::ComPortCommand(C::cpSetControl, QByteArray(1, char(1)));
    QTcpSocket *socket = FSocket;
    socket->write(out);
    const bool answered = WaitUntil(
        [this, &settings] {
            for (const auto &s : settings) {
                if (!FTelnet.ComPortAnswer(s.first))
                    return false;
            }
            return true;
        },
        ConnectTimeoutMs, allowEvents);
    if (FSocket != socket)
        return false;
    const QString where = FName.Address();
    if (!answered)
        return Fail(QStringLiteral("%1 did not answer the line settings (%2 baud, 8N1)")
                        .arg(where)
                        .arg(baud));
    const QByteArray speed = *FTelnet.ComPortAnswer(C::cpSetBaudRate);
    const quint32 confirmed = speed.size() == 4 ? (quint32(quint8(speed[0])) << 24 |
                                                   quint32(quint8(speed[1])) << 16 |
                                                   quint32(quint8(speed[2])) << 8 |
                                                   quint32(quint8(speed[3])))
                                                : 0;
    if (confirmed != quint32(baud))
        return Fail(QStringLiteral("%1 set the line speed %2 baud instead of %3")
                        .arg(where)
                        .arg(confirmed)
                        .arg(baud));
    for (const auto &s : settings.mid(1)) {
        if (*FTelnet.ComPortAnswer(s.first) != s.second)
            return Fail(QStringLiteral("%1 did not set 8 data bits, no parity, one stop bit")
                            .arg(where));
    }
    return true;
}

void NetworkLink::Close()
{
    FOpen = false;
    if (FSocket) {
        QTcpSocket *socket = FSocket;
        FSocket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    if (FWait)
        FWait->quit();
}

bool NetworkLink::IsOpen() const
{
    return FOpen && FSocket;
}

void NetworkLink::Receive()
{
    if (!FSocket)
        return;
    const qint64 room = MaxPending - FPending.size();
    if (room <= 0)
        return;
    const QByteArray bytes = FSocket->read(room);
    if (bytes.isEmpty())
        return;
    const qsizetype before = FPending.size();
    if (FName.Kind == PortName::pnRfc2217) {
        FPending += FTelnet.Decode(bytes);
        const QByteArray answers = FTelnet.TakeAnswers();
        if (!answers.isEmpty())
            FSocket->write(answers);
    } else {
        FPending += bytes;
    }
    if (FWait)
        FWait->quit();
    if (FPending.size() > before)
        emit DataArrived();
}

void NetworkLink::Disconnected()
{
    Receive(); // what came before the close is still data
    const bool wasOpen = FOpen;
    FOpen = false;
    if (FWait)
        FWait->quit();
    if (wasOpen)
        emit Lost();
}

qint64 NetworkLink::BytesAvailable()
{
    if (FSocket && FSocket->bytesAvailable() > 0)
        Receive();
    return FPending.size();
}

QByteArray NetworkLink::Read(qint64 max)
{
    const QByteArray out = FPending.left(max);
    FPending.remove(0, out.size());
    if (FSocket && FSocket->bytesAvailable() > 0)
        Receive(); // room again for what waited in the socket
    return out;
}

bool NetworkLink::Write(const QByteArray &data)
{
    if (!IsOpen())
        return false;
    const QByteArray wire =
        FName.Kind == PortName::pnRfc2217 ? TelnetCodec::Escape(data) : data;
    if (FSocket->write(wire) != wire.size())
        return false;
    QDeadlineTimer deadline(WriteTimeoutMs);
    while (IsOpen() && FSocket->bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!FSocket->waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
    return IsOpen() && FSocket->bytesToWrite() == 0;
}

void NetworkLink::Flush()
{
    FPending.clear();
    if (FSocket && FSocket->bytesAvailable() > 0) {
        // Negotiation among the discarded bytes is still answered.
        const QByteArray bytes = FSocket->readAll();
        if (FName.Kind == PortName::pnRfc2217) {
            FTelnet.Decode(bytes);
            const QByteArray answers = FTelnet.TakeAnswers();
            if (!answers.isEmpty())
                FSocket->write(answers);
        }
    }
}

bool NetworkLink::WaitForData(int msecs)
{
    QDeadlineTimer deadline(msecs);
    while (IsOpen() && BytesAvailable() == 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        FSocket->waitForReadyRead(int(left)); // may close the link (Disconnected)
    }
    return BytesAvailable() > 0;
}
