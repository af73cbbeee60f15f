// The session's status poll and its link faults against the emulator, without a window:
// the run state and shot count the poll reads, an instrument lost, hung up or silent
// during a transaction and the answers a front end gives, and a port gone under the poll.

#include "SessionRig.h"

#include <QTimer>

class tst_sessionlink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pollReadsTheRunState_data();
    void pollReadsTheRunState();
    void timingLimitsReportedOnce();
    void pollReadsTheShotCount_data();
    void pollReadsTheShotCount();
    void faultDuringADrain_data();
    void faultDuringADrain();
    void pollFindsThePortGone_data();
    void pollFindsThePortGone();
    void ignoredSilenceIsNotAskedAgain_data();
    void refreshMeetsALostLink_data();
    void refreshMeetsALostLink();
    void ignoredSilenceIsNotAskedAgain();

private:
    int FStartLines = 0; // lines the scan and the first read-back send (462K-6)
};

void tst_sessionlink::initTestCase()
{
    QVERIFY(!WidgetsLoaded());
    SessionRig r;
    QVERIFY(r.Start());
    FStartLines = r.ReceivedCount();
    QVERIFY(FStartLines > 10);
}

void tst_sessionlink::pollReadsTheRunState_data()
{
    QTest::addColumn<bool>("instrumentRuns");
    QTest::addColumn<bool>("knownRunning");
    QTest::addColumn<QList<bool>>("reported"); // RunStateChanged

    QTest::newRow("running, known running: nothing reported") << true << true << QList<bool>{};
    QTest::newRow("running, known stopped") << true << false << QList<bool>{true};
    QTest::newRow("stopped, known running") << false << true << QList<bool>{false};
    QTest::newRow("stopped, known stopped: reported again") << false << false << QList<bool>{false};
}

void tst_sessionlink::pollReadsTheRunState()
{
    QFETCH(bool, instrumentRuns);
    QFETCH(bool, knownRunning);
    QFETCH(QList<bool>, reported);
    SessionRig r;
    QVERIFY(r.Start());
    if (instrumentRuns) // behind the session's back, as the front panel would
        QCOMPARE(r.Session.Comm->CommandToPort(":PULS0:STAT ON"), QString("OK"));
    r.Session.Mirrors.SystemRunning = knownRunning;
    QList<bool> runStates;
    connect(&r.Session, &InstrumentSession::RunStateChanged, this,
            [&](bool running) { runStates << running; });
    QSignalSpy pollEnded(&r.Session, &InstrumentSession::PollEnded);
    const int mark = r.ReceivedCount();

    r.Session.StatusTimerTimer();
    QCOMPARE(r.ReceivedFrom(mark), (QStringList{":PULS0:STAT?", ":COUN:PULS?"}));
    QCOMPARE(r.Session.Running(), instrumentRuns);
    QCOMPARE(runStates, reported);
    QCOMPARE(pollEnded.size(), 1);
    QVERIFY(!r.Session.StatusPollRunning);
    QVERIFY(r.Session.StatusTimer->isActive()); // the poll goes on
}

void tst_sessionlink::timingLimitsReportedOnce()
{
    SessionRig r;
    QVERIFY(r.Start({"--model", "462K-6"}, false));
    QStringList order;
    connect(&r.Session, &InstrumentSession::TimingLimitsChanged, this, [&] { order << "limits"; });
    connect(&r.Session, &InstrumentSession::SystemFieldRead, this, [&] {
        if (!order.contains("field"))
            order << "field";
    });

    // the first read-back tells the limits before any value; a second one, with the
    // same limits, tells nothing
    QVERIFY(r.Session.Initialize());
    QCOMPARE(order, (QStringList{"limits", "field"}));
    order.clear();
    QVERIFY(r.Session.Initialize());
    QCOMPARE(order, QStringList{"field"});
}

void tst_sessionlink::pollReadsTheShotCount_data()
{
    QTest::addColumn<QString>("count");     // the instrument's counter
    QTest::addColumn<int>("shown");         // ShotCountShown: -1 unset, else what it returns
    QTest::addColumn<bool>("asked");        // the counter's query went out
    QTest::addColumn<quint32>("shotCount"); // as the session holds it then

    QTest::newRow("unset: read") << "12" << -1 << true << quint32(12);
    QTest::newRow("shown: read") << "4294967295" << 1 << true << quint32(4294967295u);
    QTest::newRow("above 2^32: modulo 2^32") << "4294967301" << -1 << true << quint32(5);
    QTest::newRow("not shown: not asked") << "12" << 0 << false << quint32(0);
}

void tst_sessionlink::pollReadsTheShotCount()
{
    QFETCH(QString, count);
    QFETCH(int, shown);
    QFETCH(bool, asked);
    QFETCH(quint32, shotCount);
    SessionRig r;
    QVERIFY(r.Start({"--model", "462K-6", "--shot-count", count}));
    if (shown >= 0)
        r.Session.ShotCountShown = [shown] { return shown == 1; };
    QList<quint32> counts;
    connect(&r.Session, &InstrumentSession::ShotCountChanged, this,
            [&](quint32 n) { counts << n; });
    const int mark = r.ReceivedCount();

    r.Session.StatusTimerTimer();
    const QStringList expected =
        asked ? QStringList{":PULS0:STAT?", ":COUN:PULS?"} : QStringList{":PULS0:STAT?"};
    QCOMPARE(r.ReceivedFrom(mark), expected);
    QCOMPARE(r.Session.ShotCount(), shotCount);
    // The device server shows the instrument's whole count.
    QCOMPARE(r.Session.WholeShotCount(), asked ? count.toLongLong() : 0);
    QCOMPARE(counts, asked ? QList<quint32>{shotCount} : QList<quint32>{});
}

namespace {
// Distinct delays on the 250 ps grid.
QStringList Delays(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral(":PULS3:DEL 0.%1").arg(i * 1000, 11, 10, QLatin1Char('0'));
    return lines;
}

constexpr int DefaultAnswer = -1;
} // namespace

void tst_sessionlink::faultDuringADrain_data()
{
    QTest::addColumn<QString>("instrument");    // killed, unplugged, silent
    QTest::addColumn<int>("answer");            // to ReplyMissing; DefaultAnswer leaves it
    QTest::addColumn<int>("kind");              // TLinkFault::TKind of every ReplyMissing
    QTest::addColumn<int>("questions");         // ReplyMissing raised
    QTest::addColumn<int>("arrived");           // of the three commands
    QTest::addColumn<QList<bool>>("abandoned"); // LinkAbandoned(restart)
    QTest::addColumn<bool>("laterAsks");        // a later transaction waits and asks again
    QTest::addColumn<bool>("laterSent");        // a later transaction goes out

    const int end = InstrumentSession::EndProgram;
    const int restart = InstrumentSession::RestartProgram;
    const int ignore = InstrumentSession::IgnoreMissingReply;
    const int lost = TLinkFault::PortLost;
    const int timeout = TLinkFault::Timeout;
    QTest::newRow("killed in the reply wait, default answer: given up")
        << "killed" << DefaultAnswer << lost << 1 << 1 << QList<bool>{false} << false << false;
    QTest::newRow("killed in the reply wait, end: given up")
        << "killed" << end << lost << 1 << 1 << QList<bool>{false} << false << false;
    QTest::newRow("unplugged before the drain, restart: given up")
        << "unplugged" << restart << lost << 1 << 0 << QList<bool>{true} << false << false;
    QTest::newRow("killed in the reply wait, ignore: the link is gone, the rest not sent")
        << "killed" << ignore << lost << 1 << 1 << QList<bool>{} << false << false;
    QTest::newRow("silent, default answer: given up at the first time-out")
        << "silent" << DefaultAnswer << timeout << 1 << 1 << QList<bool>{false} << false << false;
    QTest::newRow("silent, ignore: asked once, the drain ends, the rest not sent")
        << "silent" << ignore << timeout << 1 << 1 << QList<bool>{} << false << true;
}

void tst_sessionlink::faultDuringADrain()
{
    QFETCH(QString, instrument);
    QFETCH(int, answer);
    QFETCH(int, kind);
    QFETCH(int, questions);
    QFETCH(int, arrived);
    QFETCH(QList<bool>, abandoned);
    QFETCH(bool, laterAsks);
    QFETCH(bool, laterSent);
    const QString after = QString::number(FStartLines);
    QStringList arguments{"--model", "462K-6"};
    if (instrument == "killed") // answers late, and is killed while the drain waits
        arguments << "--reply-delay"
                  << "2000"
                  << "--slow-after" << after;
    else if (instrument == "unplugged")
        arguments << "--unplug-after" << after;
    else
        arguments << "--silent-after" << after;
    SessionRig r;
    QVERIFY(r.Start(arguments));
    QCOMPARE(r.ReceivedCount(), FStartLines);
    const int responseTime = instrument == "silent" ? 200 : 4000;
    r.Session.ComPort->SetResponseTime(quint32(responseTime));
    LinkReports reports(r.Session);
    if (answer != DefaultAnswer)
        reports.Answer = InstrumentSession::TReplyMissingAnswer(answer);
    if (instrument == "unplugged")
        QTRY_VERIFY(!QFile::exists(r.LinkPath())); // the device is gone
    bool killedInsideDrain = false;
    if (instrument == "killed") {
        QTimer::singleShot(100, &r.Session, [&] {
            killedInsideDrain = r.Session.TaskRunning && r.Session.ComPort->InUse();
            r.Emulator->Kill();
        });
    }
    const QStringList lines = Delays(3);
    for (const QString &line : lines)
        r.Session.QueuedCommandToPort(line);
    r.Session.TaskTimer->stop(); // the drain below is the only one

    r.Session.ProcessTasks();

    if (instrument == "killed")
        QVERIFY(killedInsideDrain);
    QCOMPARE(reports.Missing.size(), questions);
    for (int i = 0; i < questions; ++i) {
        const TLinkFault &fault = reports.Missing[i];
        QCOMPARE(int(fault.Kind), kind);
        QCOMPARE(fault.Port, 1);
        QCOMPARE(fault.Line, lines[i]);
        const QString text =
            kind == TLinkFault::PortLost
                ? QString("The serial port COM1 was lost while waiting for the instrument's "
                          "reply to \"%1\".")
                      .arg(lines[i])
                : QString("The instrument did not answer \"%1\" within 200 ms.").arg(lines[i]);
        QCOMPARE(fault.Text, text);
    }
    QCOMPARE(r.ReceivedFrom(FStartLines), lines.mid(0, arrived));
    QCOMPARE(reports.Abandoned, abandoned);
    QCOMPARE(r.Session.ComPort->Abandoned(), !abandoned.isEmpty());
    QVERIFY(reports.Lost.isEmpty()); // that is the poll's report
    // what did not leave the port is reported, once
    const int notSent = int(lines.size()) - arrived;
    QCOMPARE(reports.NotSent, notSent > 0 ? QList<int>{notSent} : QList<int>{});
    // the drain is over, whatever happened in it
    QVERIFY(!r.Session.TaskRunning);
    QVERIFY(r.Session.CommandQueue.isEmpty());
    QVERIFY(!r.Session.CommandsQueued);
    if (abandoned.isEmpty()) {
        QVERIFY(r.Session.StatusTimer->isActive()); // ignored: the poll goes on
        r.Session.StatusTimer->stop();
    }

    // a later transaction
    const QString reply = r.Session.Comm->QueryPort(":SYST:AUT");
    QVERIFY(reply.isEmpty());
    QCOMPARE(reports.Missing.size(), questions + (laterAsks ? 1 : 0));
    QCOMPARE(r.Session.Comm->LineWritten(), laterSent);
    QCOMPARE(r.ReceivedFrom(FStartLines).size(), arrived + (laterSent ? 1 : 0));
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionlink::pollFindsThePortGone_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("unplugged: the device and its link removed") << "unplugged";
    QTest::newRow("emulator killed: the link left dangling") << "killed";
}

void tst_sessionlink::pollFindsThePortGone()
{
    QFETCH(QString, how);
    SessionRig r;
    QStringList arguments{"--model", "462K-6"};
    if (how == "unplugged")
        arguments << "--unplug-after" << QString::number(FStartLines);
    QVERIFY(r.Start(arguments));
    LinkReports reports(r.Session);
    QSignalSpy pollEnded(&r.Session, &InstrumentSession::PollEnded);
    if (how == "unplugged")
        QTRY_VERIFY(!QFile::exists(r.LinkPath()));
    else
        r.Emulator->Kill();

    for (int poll = 1; poll <= 2; ++poll) {
        r.Session.StatusTimerTimer();
        // reported, and the poll goes on (and reports again) until the front end ends it
        QCOMPARE(reports.Lost.size(), poll);
        const TLinkFault &fault = reports.Lost.last();
        QCOMPARE(int(fault.Kind), int(TLinkFault::PortLost));
        QCOMPARE(fault.Port, 1);
        QVERIFY(fault.Line.isEmpty());
        QCOMPARE(fault.Text, QString("The serial port COM1 is no longer available."));
        QCOMPARE(pollEnded.size(), poll);
        QVERIFY(r.Session.StatusTimer->isActive());
        QVERIFY(!r.Session.StatusPollRunning);
    }
    QVERIFY(reports.Missing.isEmpty());
    QVERIFY(reports.Abandoned.isEmpty());
    QCOMPARE(r.ReceivedCount(), FStartLines); // nothing could be asked
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionlink::ignoredSilenceIsNotAskedAgain_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("status polls") << "poll";
    QTest::newRow("a restore goes on and counts the replies that did not come") << "restore";
}

void tst_sessionlink::ignoredSilenceIsNotAskedAgain()
{
    QFETCH(QString, operation);
    SessionRig r;
    QVERIFY(r.Start({"--model", "462K-6", "--silent-after", QString::number(FStartLines)}));
    r.Session.ComPort->SetResponseTime(200);
    LinkReports reports(r.Session);
    reports.Answer = InstrumentSession::IgnoreMissingReply;

    if (operation == "poll") {
        for (int poll = 1; poll <= 3; ++poll)
            r.Session.StatusTimerTimer();
        // every poll asked the instrument, the operator only once
        QCOMPARE(r.ReceivedFrom(FStartLines).size(), 3 * 2);
        QVERIFY(r.Session.StatusTimer->isActive());
    } else {
        const QStringList lines = Delays(3);
        const TLoadResult result = r.Session.LoadSettings(lines);
        QCOMPARE(r.ReceivedFrom(FStartLines).mid(0, 3), lines);
        QVERIFY(result.Failed);
        QVERIFY(!result.ReadBack);
        QVERIFY2(result.Message.endsWith("3 of the file's 3 command lines got no reply."),
                 qPrintable(result.Message));
        QCOMPARE(result.Outcome.Unanswered().size(), 3);
    }
    QCOMPARE(reports.Missing.size(), 1);
    QVERIFY(reports.Abandoned.isEmpty());
    r.Session.StatusTimer->stop();
}

void tst_sessionlink::refreshMeetsALostLink_data()
{
    QTest::addColumn<QString>("fault"); // the emulator's option, after three lines
    QTest::addColumn<QString>("failure");
    QTest::newRow("unplugged") << "--unplug-after" << "the instrument no longer answers";
    QTest::newRow("silent") << "--silent-after"
                            << "The instrument did not answer \"*CFG? 92?\".";
}

void tst_sessionlink::refreshMeetsALostLink()
{
    QFETCH(QString, fault);
    QFETCH(QString, failure);
    SessionRig r;
    QVERIFY(r.Start({"--model", "462K-6", fault, QString::number(FStartLines + 3)}));
    r.Session.ComPort->SetResponseTime(200);
    LinkReports reports(r.Session);
    reports.Answer = InstrumentSession::IgnoreMissingReply;
    QSignalSpy failures(&r.Session, &InstrumentSession::Failure);

    r.Session.RequestRefresh();
    r.Session.ProcessTasks();
    QCOMPARE(reports.Missing.size(), 1);
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures[0][0].toString(), failure);
    QCOMPARE(r.Session.ReadbackFailedQuery, QString("*CFG? 92?"));
    r.Session.StatusTimer->stop();
}

QTEST_GUILESS_MAIN(tst_sessionlink)
#include "tst_sessionlink.moc"
