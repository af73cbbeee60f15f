// The emulator program over a real pseudo-terminal: a client opens the port as
// the panel does (the COM<n> link, termios at a chosen speed) and talks to it.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t SpeedConstant(int baud)
{
    switch (baud) {
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

// One client of the serial line.
class TClient
{
public:
    ~TClient() { Close(); }
    bool Open(const QString &path, int baud)
    {
        FFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return FFd >= 0 && SetSpeed(baud);
    }
    bool SetSpeed(int baud)
    {
        termios t;
        if (tcgetattr(FFd, &t) != 0)
            return false;
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, SpeedConstant(baud));
        cfsetospeed(&t, SpeedConstant(baud));
        return tcsetattr(FFd, TCSANOW, &t) == 0;
    }
    void Close()
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }
    bool Send(const QByteArray &line)
    {
        const QByteArray data = line + "\r\n";
        return ::write(FFd, data.constData(), size_t(data.size())) == data.size();
    }
    // Returns the next reply up to and including its CR (what arrived, possibly
    // nothing, on time-out). pieces counts the reads it took; error is set when
    // the line failed.
    QByteArray Receive(int timeoutMs, int *pieces = nullptr, bool *error = nullptr)
    {
        QElapsedTimer timer;
        timer.start();
        while (!FInput.contains('\r')) {
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0)
                break;
            pollfd p{FFd, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::read(FFd, buffer, sizeof buffer);
            if (n < 0 && errno == EAGAIN)
                continue;
            if (n <= 0) {
                if (error)
                    *error = true;
                break;
            }
            FInput.append(buffer, n);
            if (pieces)
                ++*pieces;
        }
        const qsizetype end = FInput.indexOf('\r');
        const QByteArray reply = end < 0 ? FInput : FInput.left(end + 1);
        FInput.remove(0, reply.size());
        return reply;
    }
    QByteArray Transact(const QByteArray &line, int timeoutMs = 2000)
    {
        if (!Send(line))
            return QByteArray();
        return Receive(timeoutMs);
    }

private:
    int FFd = -1;
    QByteArray FInput;
};

// The emulator program with a link COM7 in a temporary folder.
class TEmulator
{
public:
    QTemporaryDir Dir;
    QProcess Process;
    QString PortDir; // the link's folder when not Dir
    QString Link;
    QString Device;

    bool Start(const QStringList &arguments)
    {
        const QString portDir = PortDir.isEmpty() ? Dir.path() : PortDir;
        Link = QDir(portDir).filePath(QStringLiteral("COM7"));
        Process.start(
            QStringLiteral(KT7310_EMULATOR_PATH),
            QStringList{"--port-dir", portDir, "--com", "7", "--transcript", Transcript()} +
                arguments);
        if (!Process.waitForStarted(5000))
            return false;
        while (!Process.canReadLine())
            if (!Process.waitForReadyRead(5000))
                return false;
        const QString ready = QString::fromLocal8Bit(Process.readLine()).trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^kt7310-emulator ready: (\\S+) -> (\\S+) "))
                .match(ready);
        Device = match.captured(2);
        return match.hasMatch() && match.captured(1) == Link && QFileInfo(Link).isSymLink();
    }
    QString Transcript() const { return Dir.filePath(QStringLiteral("transcript.txt")); }
    QStringList TranscriptLines() const
    {
        QFile file(Transcript());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // SIGTERM: the emulator removes its link and exits 0.
    bool Stop()
    {
        Process.terminate();
        return Process.waitForFinished(5000) && Process.exitStatus() == QProcess::NormalExit &&
               Process.exitCode() == 0 && !QFileInfo(Link).isSymLink();
    }
};

const QByteArray Identity = "KT,7310-12,10234,2.04-1.12\r";
const int Silence = 400; // ms without a reply taken as silence

} // namespace

class tst_PtyLink : public QObject
{
    Q_OBJECT
private slots:
    void answersOnlyAtItsSpeed_data();
    void answersOnlyAtItsSpeed();
    void splitReplyArrivesWhole();
    void delayedAndForcedReplies();
    void silentAfter();
    void slowAfterAndLateFirst();
    void unplugAfterMakesDeviceVanish();
    void linkOfARunningEmulatorIsKept();
    void commandLine_data();
    void commandLine();
};

void tst_PtyLink::answersOnlyAtItsSpeed_data()
{
    QTest::addColumn<int>("instrumentBaud");
    QTest::addColumn<int>("clientBaud");
    QTest::addColumn<bool>("answers");
    QTest::newRow("115200 at 115200") << 115200 << 115200 << true;
    QTest::newRow("115200 at 38400") << 115200 << 38400 << false;
    QTest::newRow("38400 at 38400") << 38400 << 38400 << true;
    QTest::newRow("38400 at 115200") << 38400 << 115200 << false;
    QTest::newRow("4800 at 9600") << 4800 << 9600 << false;
}

void tst_PtyLink::answersOnlyAtItsSpeed()
{
    QFETCH(int, instrumentBaud);
    QFETCH(int, clientBaud);
    QFETCH(bool, answers);

    TEmulator emulator;
    QVERIFY(emulator.Start({"--baud", QString::number(instrumentBaud)}));
    TClient client;
    QVERIFY(client.Open(emulator.Link, clientBaud));
    QCOMPARE(client.Transact("*IDN?", answers ? 2000 : Silence), answers ? Identity : QByteArray());

    // The speed is read for every line: switching to the right speed is enough,
    // as in the panel's speed scan.
    QVERIFY(client.SetSpeed(instrumentBaud));
    QCOMPARE(client.Transact("*IDN?"), Identity);

    // The transcript shows every line, answered or not, with its direction.
    QTRY_COMPARE(emulator.TranscriptLines().filter(QStringLiteral(" TX KT,7310-12,")).size(),
                 answers ? 2 : 1);
    const QStringList lines = emulator.TranscriptLines();
    const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d (RX|TX|--) "));
    for (const QString &line : lines)
        QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
    QCOMPARE(lines.filter(QStringLiteral(" RX *IDN?")).size(), 2);
    if (!answers)
        QVERIFY(lines.filter(QStringLiteral("no reply: line at %1 baud").arg(clientBaud)).size() ==
                1);
    QVERIFY(emulator.Stop());
}

void tst_PtyLink::splitReplyArrivesWhole()
{
    TEmulator emulator;
    QVERIFY(emulator.Start({"--split"}));
    TClient client;
    QVERIFY(client.Open(emulator.Link, 115200));
    QVERIFY(client.Send("*IDN?"));
    int pieces = 0;
    QCOMPARE(client.Receive(2000, &pieces), Identity);
    QVERIFY2(pieces >= 2, "the reply came in one piece");
    // Back-to-back lines still get their replies whole and in order.
    QVERIFY(client.Send(":PULS2:WIDT 0.5"));
    QVERIFY(client.Send(":PULS2:WIDT?"));
    QCOMPARE(client.Receive(2000), QByteArray("OK\r"));
    QCOMPARE(client.Receive(2000), QByteArray("0.50000000000\r"));
    QVERIFY(emulator.Stop());
}

void tst_PtyLink::delayedAndForcedReplies()
{
    TEmulator emulator;
    QVERIFY(emulator.Start({"--reply-delay", "600", "--reply", ":COUN:PULS?=12x", "--reply",
                            "*CFG? 0?=1 0.001 BURS"}));
    TClient client;
    QVERIFY(client.Open(emulator.Link, 115200));
    QVERIFY(client.Send(":COUN:PULS?"));
    QCOMPARE(client.Receive(150), QByteArray()); // not yet
    QCOMPARE(client.Receive(5000), QByteArray("12x\r"));
    QCOMPARE(client.Transact("*CFG? 0?", 5000), QByteArray("1 0.001 BURS\r"));
    // A forced reply replaces the instrument's handling: the output did not start.
    QCOMPARE(client.Transact(":PULS0:STAT?", 5000), QByteArray("0\r"));
    QVERIFY(emulator.Stop());
}

void tst_PtyLink::silentAfter()
{
    TEmulator emulator;
    QVERIFY(emulator.Start({"--silent-after", "2"}));
    TClient client;
    QVERIFY(client.Open(emulator.Link, 57600));
    QCOMPARE(client.Transact("*IDN?", Silence), QByteArray()); // wrong speed: not counted
    QVERIFY(client.SetSpeed(115200));
    QCOMPARE(client.Transact(":SYST:SEC?"), QByteArray("1\r"));
    QCOMPARE(client.Transact(":SYST:AUT 1"), QByteArray("OK\r"));
    QCOMPARE(client.Transact(":SYST:AUT?", Silence), QByteArray());
    QCOMPARE(client.Transact("*IDN?", Silence), QByteArray());
    QTRY_COMPARE(emulator.TranscriptLines().filter(QStringLiteral("no reply: silent")).size(), 2);
    QCOMPARE(emulator.TranscriptLines().filter(QStringLiteral(" RX ")).size(), 5);
    QVERIFY(emulator.Stop());
}

void tst_PtyLink::slowAfterAndLateFirst()
{
    {
        TEmulator emulator;
        QVERIFY(emulator.Start({"--reply-delay", "600", "--slow-after", "1"}));
        TClient client;
        QVERIFY(client.Open(emulator.Link, 115200));
        QCOMPARE(client.Transact("*IDN?", 400), Identity); // well before the delay
        QVERIFY(client.Send(":SYST:SEC?"));
        QCOMPARE(client.Receive(150), QByteArray()); // not yet
        QCOMPARE(client.Receive(5000), QByteArray("1\r"));
        QVERIFY(emulator.Stop());
    }
    {
        // Only the lines that begin with the prefix are late, whatever their case.
        TEmulator emulator;
        QVERIFY(emulator.Start({"--reply-delay", "600", "--slow-lines", ":puls1:"}));
        TClient client;
        QVERIFY(client.Open(emulator.Link, 115200));
        QCOMPARE(client.Transact("*IDN?", 400), Identity);
        QVERIFY(client.Send(":PULS1:DEL 0.000001"));
        QCOMPARE(client.Receive(150), QByteArray());
        QCOMPARE(client.Receive(5000), QByteArray("OK\r"));
        QCOMPARE(client.Transact(":PULS2:DEL 0.000001", 400), QByteArray("OK\r"));
        QVERIFY(emulator.Stop());
    }
    TEmulator emulator;
    QVERIFY(emulator.Start({"--late-first"}));
    TClient client;
    QVERIFY(client.Open(emulator.Link, 115200));
    QCOMPARE(client.Transact("*IDN?", Silence), QByteArray()); // held
    // The next line lets the first answer go, then gets its own; later lines are prompt.
    QVERIFY(client.Send(":SYST:SEC?"));
    QCOMPARE(client.Receive(2000), Identity);
    QCOMPARE(client.Receive(2000), QByteArray("1\r"));
    QCOMPARE(client.Transact(":PULS0:STAT?"), QByteArray("0\r"));
    // A reply is in the transcript before it is on the line: no waiting for it there.
    QVERIFY(emulator.TranscriptLines().last().endsWith(QLatin1String(" TX 0")));
    QVERIFY(emulator.Stop());
}

void tst_PtyLink::unplugAfterMakesDeviceVanish()
{
    TEmulator emulator;
    QVERIFY(emulator.Start({"--unplug-after", "2"}));
    QVERIFY(QFileInfo::exists(emulator.Device));
    TClient client;
    QVERIFY(client.Open(emulator.Link, 115200));
    QCOMPARE(client.Transact("*IDN?"), Identity);
    QVERIFY(client.Send(":PULS0:STAT?"));
    QVERIFY(client.Send("*IDN?")); // sent before the cable is pulled, never answered
    QCOMPARE(client.Receive(2000), QByteArray("0\r"));

    // The open port fails and the device cannot be opened again.
    bool failed = false;
    QCOMPARE(client.Receive(2000, nullptr, &failed), QByteArray());
    QVERIFY(failed);
    QTRY_VERIFY(!QFileInfo::exists(emulator.Device));
    QTRY_VERIFY(!QFileInfo(emulator.Link).isSymLink());
    TClient again;
    QVERIFY(!again.Open(emulator.Link, 115200));
    QVERIFY(!again.Open(emulator.Device, 115200));
    QCOMPARE(emulator.Process.state(), QProcess::Running);
    QVERIFY(emulator.Stop());
}

void tst_PtyLink::linkOfARunningEmulatorIsKept()
{
    TEmulator first;
    QVERIFY(first.Start({}));

    // A second emulator on the same port number is refused and the first keeps its link.
    TEmulator second;
    second.PortDir = first.Dir.path();
    QVERIFY(!second.Start({}));
    QVERIFY(second.Process.state() == QProcess::NotRunning ||
            second.Process.waitForFinished(5000));
    QCOMPARE(second.Process.exitCode(), 1);
    const QString error = QString::fromLocal8Bit(second.Process.readAllStandardError());
    QVERIFY2(error.contains(first.Link + " links to " + first.Device +
                            ", a device that is in use (another emulator on this port?)"),
             qPrintable(error));
    QCOMPARE(QFile::symLinkTarget(first.Link), first.Device);
    TClient client;
    QVERIFY(client.Open(first.Link, 115200));
    QCOMPARE(client.Transact("*IDN?"), Identity);
    client.Close();

    // Killed, the first leaves its link behind with no device: a stale link is replaced.
    first.Process.kill();
    QVERIFY(first.Process.waitForFinished(5000));
    QVERIFY(QFileInfo(first.Link).isSymLink());
    QTRY_VERIFY(!QFileInfo::exists(first.Device));
    TEmulator third;
    third.PortDir = first.Dir.path();
    QVERIFY(third.Start({"--serial", "777"}));
    QCOMPARE(QFile::symLinkTarget(third.Link), third.Device);
    QVERIFY(client.Open(third.Link, 115200));
    QCOMPARE(client.Transact("*IDN?"), QByteArray("KT,7310-12,777,2.04-1.12\r"));
    client.Close();
    QVERIFY(third.Stop());
}

void tst_PtyLink::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
    QTest::newRow("link without a number")
        << QStringList{"--port-dir", "."} << 2 << "--port-dir and --com go together";
    QTest::newRow("port out of range") << QStringList{"--port-dir", ".", "--com", "101"} << 2
                                       << "--com needs a port number from 1 to 100";
    QTest::newRow("bad speed") << QStringList{"--baud", "fast"} << 2 << "--baud";
    QTest::newRow("bad forced reply")
        << QStringList{"--reply", "nothing"} << 2 << "--reply needs LINE=REPLY";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "frobnicate";
}

void tst_PtyLink::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    QProcess process;
    process.start(QStringLiteral(KT7310_EMULATOR_PATH), arguments);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString text =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    if (!output.isEmpty()) {
        QVERIFY2(text.contains(output), qPrintable(text));
        return;
    }
    for (const char *option :
         {"--model", "--badge", "--serial", "--firmware", "--baud", "--port-dir", "--com",
          "--transcript", "--unsecured", "--shot-count", "--reply-delay", "--slow-after",
          "--slow-lines", "--late-first", "--silent",
          "--silent-after", "--split", "--unplug-after", "--reply"})
        QVERIFY2(text.contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(tst_PtyLink)
#include "tst_ptylink.moc"
