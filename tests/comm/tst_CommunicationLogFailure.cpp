// The log failing in the middle of a transaction: its message box opens between the line
// sent and the reply read, and whatever runs from it (a poll, a queue drain, a handler)
// must not start a transaction of its own and take the first one's reply.

#include "PtyPeer.h"
#include "ScriptedDialogs.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// The log's message box, with what a dispatched handler would do inside it.
struct DialogsWithHandler : ScriptedDialogs
{
    std::function<void()> onInformation;
    void Information(const QString &text) override
    {
        ScriptedDialogs::Information(text);
        if (onInformation)
            onInformation();
    }
};
} // namespace

class tst_CommunicationLogFailure : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void nothingStartsInsideATransaction_data();
    void nothingStartsInsideATransaction();

private:
    QTemporaryDir portDir;
    QTemporaryDir workDir;
    QString startDir;
};

void tst_CommunicationLogFailure::initTestCase()
{
#ifdef Q_OS_WIN
    QSKIP("needs a named pipe in place of the log file");
#else
    QVERIFY(portDir.isValid() && workDir.isValid());
    qputenv("KT7310_PORT_DIR", portDir.path().toLocal8Bit());
    startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
    // The log's reader goes away: writes fail with EPIPE instead of ending the test.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

void tst_CommunicationLogFailure::cleanupTestCase()
{
    QDir::setCurrent(startDir);
}

void tst_CommunicationLogFailure::nothingStartsInsideATransaction_data()
{
    QTest::addColumn<bool>("outerIsCommand");
    QTest::newRow("query") << false;
    QTest::newRow("command") << true;
}

void tst_CommunicationLogFailure::nothingStartsInsideATransaction()
{
#ifndef Q_OS_WIN
    QFETCH(bool, outerIsCommand);
    PtyPeer peer(portDir.path(), 1);
    QVERIFY(peer.isValid());
    peer.setResponder([](const QByteArray &line) -> QList<PtyPeer::Chunk> {
        if (line == "*IDN?")
            return {{0, "KT,7310-12,1234,1.0-2.0\r"}};
        return {{0, "OK " + line + "\r"}};
    });
    TKTComPort port;
    port.SetShowErrors(false);
    port.SetAllowEvents(true);
    port.SetEndOfResponse("\r");
    port.SetResponseTime(1000);
    Communication comm(port);
    comm.UserName = "jsmith";
    comm.StartTimeStamp = outerIsCommand ? "12-08-24_21-05-10" : "12-08-24_21-05-09";
    DialogsWithHandler dialogs;

    // The log is a pipe whose reader leaves once the header line is in: the next log
    // line, "Sent ...", fails.
    const QByteArray logPath = QDir(workDir.path()).filePath(comm.LogFileName()).toLocal8Bit();
    QCOMPARE(::mkfifo(logPath.constData(), 0600), 0);
    const int reader = ::open(logPath.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    comm.ToggleLoggingState();
    QVERIFY(comm.LoggingEnabled());
    ::close(reader);

    bool heldInside = false;
    QString nestedQuery = "untouched", nestedCommand = "untouched";
    dialogs.onInformation = [&] {
        // the reply to the outer line is on its way, or already waiting
        QTest::qWait(50);
        heldInside = port.InUse();
        nestedQuery = comm.QueryPort(":PULS0:STAT");
        nestedCommand = comm.CommandToPort(":PULS1:DEL 0.00000000001");
    };
    const QString reply =
        outerIsCommand ? comm.CommandToPort(":PULS0:STAT ON") : comm.QueryPort("*IDN");

    QCOMPARE(dialogs.informations,
             QStringList{"Log file cannot be written to. Please run program from writable "
                         "location. Logging will be disabled."});
    QCOMPARE(nestedQuery, QString());
    QCOMPARE(nestedCommand, QString());
    QCOMPARE(reply,
             outerIsCommand ? QString("OK :PULS0:STAT ON") : QString("KT,7310-12,1234,1.0-2.0"));
    QCOMPARE(peer.lines(), QByteArrayList{outerIsCommand ? ":PULS0:STAT ON" : "*IDN?"});
    QVERIFY(heldInside);
    QVERIFY(!port.InUse());
    // the next transaction finds the port free
    QCOMPARE(comm.QueryPort("*IDN"), QString("KT,7310-12,1234,1.0-2.0"));
#endif
}

QTEST_GUILESS_MAIN(tst_CommunicationLogFailure)
#include "tst_CommunicationLogFailure.moc"
