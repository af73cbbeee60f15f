#include "PtyPeer.h"
#include "ScriptedDialogs.h"
#include "comm/ComPortDevice.h"
#include "comm/TKTComPort.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {
// CPU time of this process, in milliseconds.
qint64 cpuMs()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

speed_t lineSpeed(const QString &device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::close(fd);
    return cfgetispeed(&tio);
}

void setLineSpeed(const QString &device, speed_t speed)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(fd, &tio);
    cfsetspeed(&tio, speed);
    ::tcsetattr(fd, TCSANOW, &tio);
    ::close(fd);
}

// Answers every line with the given pieces, each after delayMs.
PtyPeer::Responder answerInPieces(const QByteArrayList &pieces, int delayMs)
{
    return [pieces, delayMs](const QByteArray &) {
        QList<PtyPeer::Chunk> chunks;
        for (const QByteArray &p : pieces)
            chunks.append({delayMs, p});
        return chunks;
    };
}
} // namespace

class tst_TKTComPort : public QObject
{
    Q_OBJECT

    QTemporaryDir portDir;
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<TKTComPort> port;

private slots:
    void devicePath_data();
    void devicePath();
    void initTestCase()
    {
        QVERIFY(portDir.isValid());
        qputenv("KT7310_PORT_DIR", portDir.path().toLocal8Bit());
    }
    void init()
    {
        peer = std::make_unique<PtyPeer>(portDir.path(), 1);
        QVERIFY(peer->isValid());
        port = std::make_unique<TKTComPort>();
        port->SetShowErrors(false);
        port->SetEndOfResponse("\r");
        port->SetResponseTime(2000);
    }
    void cleanup()
    {
        port.reset();
        peer.reset();
    }

    void defaults()
    {
        TKTComPort fresh;
        QCOMPARE(fresh.Baud(), 9600);
        QCOMPARE(fresh.Port(), 1);
        QCOMPARE(fresh.ResponseTime(), 1000u);
        QVERIFY(fresh.ShowErrors());
        QVERIFY(!fresh.AllowEvents());
        QVERIFY(fresh.EndOfResponse().isEmpty());
        QCOMPARE(fresh.Handshaking(), TKTComPort::hsNone);
        QCOMPARE(fresh.Parity(), TKTComPort::parNone);
        QVERIFY(!fresh.Opened());
        QVERIFY(!fresh.State());
        QCOMPARE(fresh.InCount(), 0);
        fresh.SetVersion("9.9");
        QCOMPARE(fresh.Version(), QByteArray("2.0.2"));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("terminator");
        QTest::newRow("literal CR") << QByteArray("\r") << QByteArray("\r");
        QTest::newRow("#13") << QByteArray("#13") << QByteArray("\r");
        QTest::newRow("#13#10") << QByteArray("#13#10") << QByteArray("\r\n");
        QTest::newRow("text then code") << QByteArray("OK#13") << QByteArray("OK\r");
        QTest::newRow("no way back to text") << QByteArray("#13x") << QByteArray("#13x");
        QTest::newRow("empty code") << QByteArray("##") << QByteArray("##");
        QTest::newRow("letters") << QByteArray("#abc") << QByteArray("#abc");
        QTest::newRow("lone #") << QByteArray("#") << QByteArray("#");
        QTest::newRow("code above 127") << QByteArray("#200") << QByteArray("\xC8");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void decoding()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, terminator);
        port->SetEndOfResponse(text);
        QCOMPARE(port->EndOfResponse(), text);
        QCOMPARE(port->EndOfResponseRaw(), terminator);
    }

    void readReply_data()
    {
        QTest::addColumn<bool>("allowEvents");
        QTest::addColumn<QByteArray>("terminator");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("expected");
        for (bool events : {false, true}) {
            const char *mode = events ? "events" : "no events";
            QTest::addRow("%s: reply in pieces", mode)
                << events << QByteArray("\r") << QByteArrayList{"1", "2", "\r"}
                << QByteArray("12\r");
            QTest::addRow("%s: bytes after the terminator", mode)
                << events << QByteArray("\r") << QByteArrayList{"OK\rXY"} << QByteArray("OK\rXY");
            QTest::addRow("%s: terminator in the first chunk ends the read", mode)
                << events << QByteArray("\r") << QByteArrayList{"A\r", "late"} << QByteArray("A\r");
            QTest::addRow("%s: two-byte terminator split", mode)
                << events << QByteArray("#13#10") << QByteArrayList{"AB\r", "\nC"}
                << QByteArray("AB\r\nC");
        }
    }
    void readReply()
    {
        QFETCH(bool, allowEvents);
        QFETCH(QByteArray, terminator);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, expected);
        peer->setResponder(answerInPieces(pieces, 40));
        port->SetAllowEvents(allowEvents);
        port->SetEndOfResponse(terminator);
        QVERIFY(port->Write("Q?\r\n")); // opens the closed port itself
        QCOMPARE(port->Read(), expected);
        QVERIFY(!port->TimedOut());
        QVERIFY(!port->InUse());
        QCOMPARE(peer->lines(), QByteArrayList{"Q?"});
    }

    void emptyTerminatorTakesOnlyWhatIsWaiting()
    {
        port->SetEndOfResponse("");
        port->SetResponseTime(60000); // a read that waited would show here
        QVERIFY(port->Open());
        QCOMPARE(port->Read(), QByteArray());
        QVERIFY(!port->TimedOut());
        peer->send("abc");
        QTRY_COMPARE(port->InCount(), 3);
        QCOMPARE(port->Read(), QByteArray("abc"));
        QCOMPARE(port->InCount(), 0);
    }

    void timeoutKeepsPartialReply_data()
    {
        QTest::addColumn<bool>("allowEvents");
        QTest::addColumn<QByteArray>("partial");
        QTest::newRow("silent, no events") << false << QByteArray();
        QTest::newRow("silent, events") << true << QByteArray();
        QTest::newRow("partial, no events") << false << QByteArray("12");
        QTest::newRow("partial, events") << true << QByteArray("12");
    }
    void timeoutKeepsPartialReply()
    {
        QFETCH(bool, allowEvents);
        QFETCH(QByteArray, partial);
        ScriptedDialogs dialogs;
        int fired = 0;
        port->SetOnTimeout([&](QObject *sender) {
            QCOMPARE(sender, port.get());
            QVERIFY(port->TimedOut());
            ++fired;
        });
        port->SetAllowEvents(allowEvents);
        port->SetResponseTime(100);
        QVERIFY(port->Open());
        if (!partial.isEmpty())
            peer->send(partial);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port->Read(), partial);
        QVERIFY(clock.elapsed() >= 100);
        QVERIFY(port->TimedOut());
        QCOMPARE(fired, allowEvents ? 1 : 0);
        QVERIFY(dialogs.warnings.isEmpty()); // ShowErrors is off
        QVERIFY(port->Opened());
    }

    void timeoutQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("Retry waits again, keeping the partial reply")
            << int(OperatorDialogs::Retry) << QByteArray("12\r") << false;
        QTest::newRow("Abort returns the partial reply")
            << int(OperatorDialogs::Abort) << QByteArray("1") << true;
    }
    void timeoutQuestion()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, expected);
        QFETCH(bool, timedOut);
        ScriptedDialogs dialogs;
        QStringList order;
        dialogs.answers = {OperatorDialogs::Button(answer)};
        dialogs.onWarning = [&] { order << "box"; };
        port->SetOnTimeout([&](QObject *) { order << "event"; });
        port->SetShowErrors(true);
        port->SetAllowEvents(true);
        port->SetResponseTime(500); // the rest of the reply comes halfway into the second wait
        peer->setResponder([](const QByteArray &) {
            return QList<PtyPeer::Chunk>{{0, "1"}, {750, "2\r"}};
        });
        QVERIFY(port->Write("Q?\r\n"));
        QCOMPARE(port->Read(), expected);
        QCOMPARE(port->TimedOut(), timedOut);
        QCOMPARE(order, (QStringList{"event", "box"}));
        QCOMPARE(dialogs.warnings.size(), 1);
        QCOMPARE(dialogs.warnings[0].text, QString("Timeout waiting for response."));
        QCOMPARE(dialogs.warnings[0].buttons,
                 (QList<OperatorDialogs::Button>{OperatorDialogs::Abort, OperatorDialogs::Retry}));
    }

    // Bytes the port has pulled from the driver are lost when it is reopened: that is
    // how a reopen shows from outside.
    void settingWrites_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("reopens");
        QTest::newRow("Baud, same value") << "baud same" << false;
        QTest::newRow("Baud, new value") << "baud new" << true;
        QTest::newRow("Parity, new value") << "parity new" << true;
        QTest::newRow("Handshaking, same value") << "handshake same" << false;
        QTest::newRow("Port, same value") << "port same" << false;
        QTest::newRow("ResponseTime") << "response time" << false;
        QTest::newRow("Open on an open port") << "open" << true;
    }
    void settingWrites()
    {
        QFETCH(QString, action);
        QFETCH(bool, reopens);
        QVERIFY(port->Open());
        peer->send("abc");
        QTRY_COMPARE(port->InCount(), 3);
        if (action == "baud same")
            port->SetBaud(port->Baud());
        else if (action == "baud new")
            port->SetBaud(38400);
        else if (action == "parity new")
            port->SetParity(TKTComPort::parEven);
        else if (action == "handshake same")
            port->SetHandshaking(TKTComPort::hsNone);
        else if (action == "port same")
            port->SetPort(1);
        else if (action == "response time")
            port->SetResponseTime(5);
        else
            QVERIFY(port->Open());
        QVERIFY(port->Opened());
        QCOMPARE(port->InCount(), reopens ? 0 : 3);
    }

    void lineSettingsApplied()
    {
        port->SetBaud(19200); // closed: stored only
        QVERIFY(!port->Opened());
        QVERIFY(port->Open());
        QVERIFY(port->State());
        QCOMPARE(lineSpeed(peer->devicePath()), speed_t(B19200));
        setLineSpeed(peer->devicePath(), B300);
        QVERIFY(port->Open()); // reopening applies the settings again
        QCOMPARE(lineSpeed(peer->devicePath()), speed_t(B19200));
        port->SetBaud(4800); // open: applies at once
        QCOMPARE(lineSpeed(peer->devicePath()), speed_t(B4800));
        port->Close();
        QVERIFY(!port->Opened());
        QVERIFY(!port->State());
    }

    void openFailure()
    {
        ScriptedDialogs dialogs;
        port->SetPort(7); // nothing behind COM7
        QVERIFY(!port->Open());
        QVERIFY(dialogs.warnings.isEmpty());

        port->SetShowErrors(true);
        dialogs.answers = {OperatorDialogs::Retry, OperatorDialogs::Abort};
        QVERIFY(!port->Open());
        QCOMPARE(dialogs.warnings.size(), 2);
        QCOMPARE(dialogs.warnings[0].text, QString("Error opening COM7: "));
        QCOMPARE(dialogs.warnings[0].buttons,
                 (QList<OperatorDialogs::Button>{OperatorDialogs::Abort, OperatorDialogs::Retry}));

        // no data, no write, no waiting on a port that cannot be opened
        port->SetShowErrors(false);
        QVERIFY(!port->Write("X"));
        QCOMPARE(port->Read(), QByteArray());

        // the device is held exclusively
        port->SetPort(1);
        QVERIFY(port->Open());
        TKTComPort second;
        second.SetShowErrors(false);
        QVERIFY(!second.Open());
    }

    void writeRawAndFlush()
    {
        QVERIFY(port->WriteRaw("ABC\r\nDEF", 5));
        QVERIFY(peer->waitForLines(1, 2000));
        QCOMPARE(peer->received(), QByteArray("ABC\r\n"));

        peer->send("stale");
        QTRY_VERIFY(port->InCount() > 0);
        port->Flush();
        QCOMPARE(port->InCount(), 0);

        // ReadRaw takes what InCount reported, never more than the caller sized for
        peer->send("12345");
        QTRY_COMPARE(port->InCount(), 5);
        peer->send("678");
        QTest::qWait(50);
        char buffer[6] = {};
        port->ReadRaw(buffer);
        QCOMPARE(QByteArray(buffer, 5), QByteArray("12345"));
        QCOMPARE(buffer[5], '\0');
        QTRY_COMPARE(port->InCount(), 3);
    }

    void nestedReadIsRefused()
    {
        ScriptedDialogs dialogs;
        port->SetShowErrors(true);
        port->SetAllowEvents(true);
        peer->setResponder([](const QByteArray &line) {
            return line == "Q?" ? QList<PtyPeer::Chunk>{{300, "OK\r"}} : QList<PtyPeer::Chunk>{};
        });
        QByteArray nested = "untouched";
        bool nestedWrite = false;
        bool ran = false;
        QTimer::singleShot(50, [&] {
            QVERIFY(port->InUse());
            nested = port->Read();
            char raw[8];
            port->ReadRaw(raw);
            nestedWrite = port->Write("N\r\n");
            ran = true;
        });
        QVERIFY(port->Write("Q?\r\n"));
        QCOMPARE(port->Read(), QByteArray("OK\r"));
        QVERIFY(ran);
        QCOMPARE(nested, QByteArray());
        QCOMPARE(dialogs.informations,
                 QStringList(2, QString("Port is in use -- operation aborted")));
        QVERIFY(nestedWrite); // writes are not guarded
        QVERIFY(peer->waitForLines(2, 2000));
        QCOMPARE(peer->lines(), (QByteArrayList{"Q?", "N"}));
    }

    void peerVanishesDuringWait_data()
    {
        QTest::addColumn<bool>("allowEvents");
        QTest::newRow("no events") << false;
        QTest::newRow("events") << true;
    }
    void peerVanishesDuringWait()
    {
        QFETCH(bool, allowEvents);
        int fired = 0;
        port->SetOnTimeout([&](QObject *) { ++fired; });
        port->SetAllowEvents(allowEvents);
        port->SetResponseTime(30000);
        peer->setResponder([this](const QByteArray &) {
            peer->hangUp(100);
            return QList<PtyPeer::Chunk>{{0, "par"}};
        });
        QVERIFY(port->Write("Q?\r\n"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port->Read(), QByteArray("par"));
        QVERIFY2(clock.elapsed() < 15000, "the wait ran on to its deadline");
        QVERIFY(port->TimedOut());
        QCOMPARE(fired, allowEvents ? 1 : 0);
        QVERIFY(!port->Opened());

        // nothing spins once the device is gone
        const qint64 before = cpuMs();
        QTest::qWait(400);
        QVERIFY2(cpuMs() - before < 200, "the event loop spins on a vanished device");
        QVERIFY(!port->Open());
    }

    void peerVanishesWhileIdle()
    {
        QVERIFY(port->Open());
        peer->hangUp();
        QTRY_VERIFY(!port->Opened());
        const qint64 before = cpuMs();
        QTest::qWait(400);
        QVERIFY2(cpuMs() - before < 200, "the event loop spins on a vanished device");
        QCOMPARE(port->Read(), QByteArray()); // cannot reopen: no wait, no data
    }

    void pick_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("picked");
        QTest::addColumn<int>("portAfter");
        QTest::newRow("COM100 chosen") << 2 << true << 100;
        QTest::newRow("cancelled") << -1 << false << 3;
    }
    void pick()
    {
        QFETCH(int, answer);
        QFETCH(bool, picked);
        QFETCH(int, portAfter);
        PtyPeer com3(portDir.path(), 3);
        PtyPeer com100(portDir.path(), 100);
        ScriptedDialogs dialogs;
        dialogs.pickAnswer = answer;
        port->SetShowErrors(true);
        port->SetPort(3);
        QCOMPARE(port->Pick(), picked);
        QCOMPARE(dialogs.pickEntries, (QStringList{"COM1", "COM3", "COM100"}));
        QCOMPARE(dialogs.pickSelected, 1);
        QCOMPARE(dialogs.pickToolTips.value(2), portDir.path() + "/COM100");
        QCOMPARE(port->Port(), portAfter);
        QVERIFY(port->ShowErrors());
        QVERIFY(dialogs.warnings.isEmpty()); // the scan asks nothing
        QVERIFY(!port->Opened());
    }

    void pickWithoutPorts()
    {
        peer.reset();
        ScriptedDialogs dialogs;
        dialogs.pickAnswer = 0; // OK pressed on an empty list
        QVERIFY(!port->Pick());
        QVERIFY(dialogs.pickEntries.isEmpty());
        QCOMPARE(dialogs.pickSelected, -1);
        QCOMPARE(port->Port(), 1);
    }

    // A handler run during the wait ends the program: the wait ends at once and the
    // component refuses further traffic.
    void abandonDuringWait()
    {
        port->SetAllowEvents(true);
        port->SetResponseTime(30000);
        QTimer::singleShot(100, [&] { port->Abandon(); });
        QVERIFY(port->Write("Q?\r\n"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port->Read(), QByteArray());
        QVERIFY2(clock.elapsed() < 15000, "the wait ran on to its deadline");
        QVERIFY(!port->InUse());
        QVERIFY(!port->Open());
        QVERIFY(!port->Write("X\r\n"));
    }

    // Kept last: once the application has been told to exit, it stays so.
    void applicationExitDuringWait()
    {
        port->SetAllowEvents(true);
        port->SetResponseTime(30000);
        QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
        QVERIFY(port->Write("Q?\r\n"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port->Read(), QByteArray());
        QVERIFY2(clock.elapsed() < 15000, "the wait ran on to its deadline");
        QVERIFY(port->Abandoned());
        QCOMPARE(port->Read(), QByteArray()); // returns at once, no reopening
        QVERIFY(!port->Opened());
    }
};

// The device behind a port number: the system's serial devices, or a link in the folder
// KT7310_PORT_DIR names, taken from the working folder when the name is relative (the
// serial library would look for a bare name under /dev).
void tst_TKTComPort::devicePath_data()
{
    QTest::addColumn<QByteArray>("portDir");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::newRow("USB adapter") << QByteArray() << 1 << "/dev/ttyUSB0";
    QTest::newRow("ACM device") << QByteArray() << 17 << "/dev/ttyACM0";
    QTest::newRow("built-in port") << QByteArray() << 33 << "/dev/ttyS0";
    QTest::newRow("beyond the table") << QByteArray() << 101 << "";
    QTest::newRow("folder") << QByteArray("/srv/ports") << 3 << "/srv/ports/COM3";
    QTest::newRow("relative folder") << QByteArray("ports") << 3
                                     << QDir::current().absoluteFilePath("ports/COM3");
}

void tst_TKTComPort::devicePath()
{
    QFETCH(QByteArray, portDir);
    QFETCH(int, port);
    QFETCH(QString, path);
    const QByteArray saved = qgetenv("KT7310_PORT_DIR");
    const bool wasSet = qEnvironmentVariableIsSet("KT7310_PORT_DIR");
    if (portDir.isEmpty())
        qunsetenv("KT7310_PORT_DIR");
    else
        qputenv("KT7310_PORT_DIR", portDir);
    const QString actual = ComPortDevicePath(port);
    wasSet ? qputenv("KT7310_PORT_DIR", saved) : qunsetenv("KT7310_PORT_DIR");
    QCOMPARE(actual, path);
}

QTEST_GUILESS_MAIN(tst_TKTComPort)
#include "tst_TKTComPort.moc"
