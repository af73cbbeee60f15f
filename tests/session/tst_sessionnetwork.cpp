// The session reaching the emulated instrument through ser2net on loopback, raw TCP and
// RFC 2217, compared with the same session on the pseudo-terminal itself.

#include "Ser2Net.h"
#include "SessionRig.h"

#include <QFileInfo>

namespace {
QStringList Delays(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral(":PULS3:DEL 0.%1").arg(i * 1000, 11, 10, QLatin1Char('0'));
    return lines;
}

// An emulator on COM1 of its rig, and ser2net of the given kind in front of its device.
struct NetworkRig : SessionRig
{
    std::unique_ptr<Ser2Net> Server;
    InstrumentScanner Scanner{*Session.Comm};

    bool StartServer(Ser2Net::TKind kind, const QStringList &arguments)
    {
        Emulator = std::make_unique<TestEmulator>(Ports.path(), 1, arguments);
        if (!Emulator->IsReady())
            return false;
        Server = std::make_unique<Ser2Net>(kind, QFileInfo(LinkPath()).symLinkTarget());
        if (!Server->Start()) {
            qWarning("%s", qPrintable(Server->Error()));
            return false;
        }
        return true;
    }
    bool Find(const QString &name)
    {
        PortName location;
        if (!PortName::Parse(name, location))
            return false;
        Session.ComPort->SetShowErrors(false);
        Session.ComPort->SetLocation(location);
        return Scanner.Find(Session.Identity);
    }
    bool FindAndRead(const QString &name)
    {
        if (!Find(name))
            return false;
        Session.ComPort->SetResponseTime(4000);
        Session.ComPort->SetAllowEvents(true);
        const bool read = Session.Initialize();
        Session.StatusTimer->stop();
        return read;
    }
};
} // namespace

class tst_sessionnetwork : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsOnThePseudoTerminal_data();
    void sameAsOnThePseudoTerminal();
    void scanOverTheNetwork_data();
    void scanOverTheNetwork();
    void unreachable_data();
    void unreachable();
    void serverStoppedMidDrain_data();
    void serverStoppedMidDrain();

private:
    QStringList FPtyLines; // what the scan and the 36-channel read-back send on the pty
};

void tst_sessionnetwork::initTestCase()
{
    if (!Ser2Net::Available())
        QSKIP("ser2net is not installed (scripts/setup installs it)");
    QVERIFY(!WidgetsLoaded());
    SessionRig r;
    QVERIFY(r.Start({"--model", "7310-36"}));
    FPtyLines = r.Emulator->Received();
}

void tst_sessionnetwork::sameAsOnThePseudoTerminal_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("raw") << int(Ser2Net::Raw);
    QTest::newRow("rfc2217") << int(Ser2Net::Rfc2217);
}

void tst_sessionnetwork::sameAsOnThePseudoTerminal()
{
    QFETCH(int, kind);
    const QByteArray strange("Z\xffZ?");
    const QByteArray answer("A\xff" "B");
    NetworkRig r;
    QVERIFY(r.StartServer(Ser2Net::TKind(kind),
                          {"--model", "7310-36", "--reply",
                           QString::fromLatin1(strange + '=' + answer)}));
    QVERIFY(r.FindAndRead(r.Server->PortName()));
    QCOMPARE(r.Session.Identity.ModelNumber, QStringLiteral("7310-36"));
    // the scan's questions and the read-back's, in order
    QCOMPARE(r.Emulator->Received(), FPtyLines);
    QCOMPARE(r.Session.ComPort->Baud(), 115200);

    // a change: exactly its line
    int mark = r.ReceivedCount();
    r.Session.QueuedCommandToPort(Delays(1).first());
    QTRY_COMPARE(r.ReceivedFrom(mark), Delays(1));
    QTest::qWait(200);
    QCOMPARE(r.ReceivedFrom(mark), Delays(1));

    // 0xFF in a line and in its reply is data both ways
    mark = r.ReceivedCount();
    const QString reply = r.Session.Comm->QueryPort(strange.chopped(1));
    QCOMPARE(r.ReceivedFrom(mark), QStringList{QString::fromLatin1(strange)});
    QCOMPARE(reply, QString::fromLatin1(answer));
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionnetwork::scanOverTheNetwork_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("questions");
    // RFC 2217 sets the pseudo-terminal's speed: the emulator answers at 38400 only.
    QTest::newRow("rfc2217: the speeds are tried") << int(Ser2Net::Rfc2217) << true << 6;
    // Raw: the server's own 115200 stays, and no other speed is tried.
    QTest::newRow("raw: no speed is tried") << int(Ser2Net::Raw) << false << 2;
}

void tst_sessionnetwork::scanOverTheNetwork()
{
    QFETCH(int, kind);
    QFETCH(bool, found);
    QFETCH(int, questions);
    NetworkRig r;
    QVERIFY(r.StartServer(Ser2Net::TKind(kind), {"--model", "462K-6", "--baud", "38400"}));
    QCOMPARE(r.Find(r.Server->PortName()), found);
    QCOMPARE(r.Emulator->Received(), QStringList(questions, "*IDN?"));
    if (found) {
        QCOMPARE(r.Session.ComPort->Baud(), 38400);
        QCOMPARE(r.Session.Identity.ModelNumber, QStringLiteral("462K-6"));
    }
}

void tst_sessionnetwork::unreachable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    const QString free = QString::number(Ser2Net::FreePort());
    QTest::newRow("refused, raw") << "tcp://127.0.0.1:" + free << "Connection refused by 127.0.0.1:" + free;
    QTest::newRow("refused, rfc2217")
        << "rfc2217://127.0.0.1:" + free << "Connection refused by 127.0.0.1:" + free;
    QTest::newRow("no such host") << "rfc2217://no-such-host.invalid:4001"
                                  << "Host name not found: no-such-host.invalid";
}

void tst_sessionnetwork::unreachable()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    NetworkRig r;
    QVERIFY(!r.Find(name));
    QCOMPARE(r.Scanner.OpenFailures.size(), 1);
    QCOMPARE(r.Scanner.OpenFailures.first().Detail, why);
    QCOMPARE(r.Scanner.OpenFailures.first().Device, name);
    QVERIFY(!r.Session.ComPort->Opened());
}

void tst_sessionnetwork::serverStoppedMidDrain_data()
{
    sameAsOnThePseudoTerminal_data();
}

void tst_sessionnetwork::serverStoppedMidDrain()
{
    QFETCH(int, kind);
    NetworkRig r;
    QVERIFY(r.StartServer(Ser2Net::TKind(kind), {"--model", "462K-6", "--reply-delay", "20"}));
    QVERIFY(r.FindAndRead(r.Server->PortName()));
    const int start = r.ReceivedCount();
    LinkReports reports(r.Session);
    const QStringList lines = Delays(40);
    for (const QString &line : lines)
        r.Session.QueuedCommandToPort(line);
    r.Session.TaskTimer->stop(); // the drain below is the only one
    bool stoppedInsideDrain = false;
    QTimer::singleShot(300, &r.Session, [&] {
        stoppedInsideDrain = r.Session.TaskRunning;
        r.Server->Stop();
    });

    r.Session.ProcessTasks();

    QVERIFY(stoppedInsideDrain);
    QCOMPARE(reports.Missing.size(), 1);
    const TLinkFault &fault = reports.Missing.first();
    QCOMPARE(int(fault.Kind), int(TLinkFault::PortLost));
    QCOMPARE(fault.Text, QString("The serial port %1 was lost while waiting for the instrument's "
                                 "reply to \"%2\".")
                             .arg(r.Server->PortName(), fault.Line));
    const QStringList arrived = r.ReceivedFrom(start);
    QVERIFY(!arrived.isEmpty() && arrived.size() < lines.size());
    QCOMPARE(arrived, lines.mid(0, arrived.size()));
    // the line whose reply was lost had arrived; every line after it is reported not sent
    QCOMPARE(fault.Line, arrived.last());
    QCOMPARE(reports.NotSent, QList<int>{int(lines.size() - arrived.size())});
    QVERIFY(!r.Session.TaskRunning);
}

QTEST_GUILESS_MAIN(tst_sessionnetwork)
#include "tst_sessionnetwork.moc"
