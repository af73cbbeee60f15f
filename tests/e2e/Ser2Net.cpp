#include "Ser2Net.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {
QString Program()
{
    QString path = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}
} // namespace

Ser2Net::Ser2Net(TKind kind, const QString &device) : FKind(kind), FDevice(device)
{
    FPort = FreePort();
}

Ser2Net::~Ser2Net()
{
    Stop();
}

bool Ser2Net::Available()
{
    return !Program().isEmpty();
}

quint16 Ser2Net::FreePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QString Ser2Net::PortName() const
{
    return (FKind == Raw ? QStringLiteral("tcp://127.0.0.1:%1") : QStringLiteral("rfc2217://127.0.0.1:%1"))
        .arg(FPort);
}

bool Ser2Net::Start()
{
    const QString config = FDir.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return (FError = file.errorString()), false;
    // nodelay: a reply that reaches ser2net in pieces is not held back by Nagle's
    // algorithm waiting for this end's delayed acknowledgement.
    const QString accepter = FKind == Raw ? QStringLiteral("tcp(nodelay),127.0.0.1,%1")
                                          : QStringLiteral("telnet(rfc2217),tcp(nodelay),127.0.0.1,%1");
    file.write(QStringLiteral("connection: &instrument\n"
                              "  accepter: %1\n"
                              "  connector: serialdev,%2,115200n81,local\n"
                              "  options:\n"
                              "    kickolduser: true\n"
                              // ser2net holds serial input back to gather characters
                              // (up to 20 ms): each reply would come that much later.
                              "    chardelay: false\n")
                   .arg(accepter.arg(FPort), FDevice)
                   .toUtf8());
    file.close();
    // -n: stays in the foreground; -u: no UUCP lock files; -P: its pid file here.
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    FProcess.start(Program(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"),
                               config, QStringLiteral("-P"),
                               FDir.filePath(QStringLiteral("ser2net.pid"))});
    if (!FProcess.waitForStarted(5000))
        return (FError = FProcess.errorString()), false;
    // Up once it accepts a connection.
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && FProcess.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, FPort);
        if (probe.waitForConnected(200)) {
            probe.abort();
            // let ser2net notice the probe is gone before a client connects
            QThread::msleep(50);
            return true;
        }
        QThread::msleep(20);
    }
    FError = QStringLiteral("ser2net did not come up: ") +
             QString::fromLocal8Bit(FProcess.readAll());
    Stop();
    return false;
}

void Ser2Net::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.terminate();
    if (!FProcess.waitForFinished(3000)) {
        FProcess.kill();
        FProcess.waitForFinished(3000);
    }
}
