// The session's command queue against the emulator, without a window: what reaches the
// wire and in which order, commands arriving while a drain is under way, nothing sent while
// commands are disabled, and a storage-bin recall with its full read-back.

#include "SessionRig.h"
#include "comm/TerminalSink.h"

#include <QRegularExpression>
#include <QTimer>

class tst_sessionqueue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void queuedCommandsGoOutInOrder_data();
    void queuedCommandsGoOutInOrder();
    void commandsArrivingDuringADrain_data();
    void commandsArrivingDuringADrain();
    void commandsHeldAndDroppedWhileDisabled();
    void changesDuringAReadbackSendNothing();
    void recall_data();
    void recall();

private:
    QStringList FReadback; // the queries of a full read-back of the 462K-6, as sent at start
};

namespace {
// Distinct widths on the 250 ps grid.
QStringList Widths(int first, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral(":PULS2:WIDT 0.%1").arg((first + i) * 25, 11, 10, QLatin1Char('0'));
    return lines;
}

// The queries of a full read-back: the start's lines after the scan's identification.
QStringList ReadbackQueries(const QStringList &startLines)
{
    const qsizetype first = startLines.indexOf(QStringLiteral("*CFG? 0?"));
    return first < 0 ? QStringList() : startLines.mid(first);
}

// The settings lines the record replies of these exchanges make: "*CFG n <reply>".
QStringList RecordLines(const QList<QPair<QString, QString>> &exchanges)
{
    static const QRegularExpression query(QStringLiteral(R"(^\*CFG\? ?(\d+)\?$)"));
    QStringList lines;
    for (const auto &[line, reply] : exchanges) {
        const auto match = query.match(line);
        if (match.hasMatch())
            lines << QStringLiteral("*CFG %1 %2").arg(match.captured(1), reply);
    }
    return lines;
}
} // namespace

void tst_sessionqueue::initTestCase()
{
    QVERIFY(!WidgetsLoaded());
    SessionRig r;
    QVERIFY(r.Start());
    FReadback = ReadbackQueries(r.Emulator->Received());
    QCOMPARE(FReadback.size(), 1 + 4 + 7 + 6);
    QCOMPARE(FReadback.last(), QString("*CFG?6?"));
}

void tst_sessionqueue::queuedCommandsGoOutInOrder_data()
{
    QTest::addColumn<bool>("byTick");
    QTest::newRow("drained by ProcessTasks") << false;
    QTest::newRow("drained by the task tick") << true;
}

void tst_sessionqueue::queuedCommandsGoOutInOrder()
{
    QFETCH(bool, byTick);
    SessionRig r;
    QVERIFY(r.Start());
    QSignalSpy changed(&r.Session, &InstrumentSession::ConfigurationChanged);
    const int mark = r.ReceivedCount();
    const QStringList lines = {":PULS2:DEL 0.00000010000", ":PULS0:STAT ON",
                               ":PULS3:WIDT 0.00000200000", "*SAV 2"};
    for (const QString &line : lines)
        r.Session.QueuedCommandToPort(line);
    // queued and returned: nothing has gone out yet
    QCOMPARE(r.Session.CommandQueue, lines);
    QCOMPARE(r.Session.QueueCount, 4);
    QVERIFY(r.Session.CommandsQueued);
    QCOMPARE(changed.size(), 4);
    QVERIFY(r.Session.TaskTimer->isActive());
    QVERIFY(r.ReceivedFrom(mark).isEmpty());

    if (byTick) {
        QTRY_COMPARE(r.ReceivedFrom(mark), lines);
    } else {
        r.Session.ProcessTasks();
        QCOMPARE(r.ReceivedFrom(mark), lines);
    }
    // each line had its own transaction, and the instrument took it
    const auto exchanges = r.Emulator->Exchanges().mid(mark);
    QCOMPARE(exchanges.size(), lines.size());
    for (const auto &exchange : exchanges)
        QCOMPARE(exchange.second, QString("OK"));
    QVERIFY(r.Session.CommandQueue.isEmpty());
    QCOMPARE(r.Session.QueueCount, 0);
    QVERIFY(!r.Session.CommandsQueued);
    QVERIFY(!r.Session.TaskRunning);
    QVERIFY(!r.Session.TaskTimer->isActive()); // an idle session does not tick
    QCOMPARE(changed.size(), 4);
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionqueue::commandsArrivingDuringADrain_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("from the terminal, after the 1st and the 4th reply") << "terminal";
    QTest::newRow("from a zero timer run in a reply wait") << "timer";
}

void tst_sessionqueue::commandsArrivingDuringADrain()
{
    QFETCH(QString, source);
    SessionRig r;
    QVERIFY(r.Start());
    const int mark = r.ReceivedCount();
    const QStringList lines = Widths(1000, 7);
    for (int i = 0; i < 3; ++i)
        r.Session.QueuedCommandToPort(lines[i]);
    r.Session.TaskTimer->stop(); // the drain below is the only one started from here

    // A handler run inside the drain's transactions queues the others, two at a time.
    struct MidDrain : TerminalSink
    {
        InstrumentSession *Session = nullptr;
        QStringList Lines;
        int Replies = 0;
        int Arrivals = 0;
        void AppendTerminalLine(const QString &, uint32_t rgb) override
        {
            if (rgb != ReplyColor)
                return;
            ++Replies;
            if (Replies == 1 || Replies == 4) {
                ++Arrivals;
                const int first = Replies == 1 ? 3 : 5;
                Session->QueuedCommandToPort(Lines[first]);
                Session->QueuedCommandToPort(Lines[first + 1]);
            }
        }
    } midDrain;
    midDrain.Session = &r.Session;
    midDrain.Lines = lines;
    int timerArrivals = 0;
    bool timerInsideDrain = false;
    if (source == "terminal") {
        r.Session.Comm->SetTerminal(&midDrain);
    } else {
        QTimer::singleShot(0, &r.Session, [&] {
            timerInsideDrain = r.Session.TaskRunning;
            for (int i = 3; i < 7; ++i)
                r.Session.QueuedCommandToPort(lines[i]);
            ++timerArrivals;
        });
    }

    QSignalSpy notSent(&r.Session, &InstrumentSession::CommandsNotSent);
    r.Session.ProcessTasks();
    r.Session.Comm->SetTerminal(nullptr);

    if (source == "terminal") {
        QCOMPARE(midDrain.Arrivals, 2);
        QCOMPARE(midDrain.Replies, 7);
    } else {
        QCOMPARE(timerArrivals, 1);
        QVERIFY(timerInsideDrain);
    }
    // all seven in this one drain, in the order they arrived
    QCOMPARE(r.ReceivedFrom(mark), lines);
    QVERIFY(r.Session.CommandQueue.isEmpty());
    QCOMPARE(r.Session.QueueCount, 0);
    QVERIFY(!r.Session.CommandsQueued);
    QCOMPARE(notSent.size(), 0);
    // and nothing is left for a later tick
    QTRY_VERIFY(!r.Session.TaskTimer->isActive());
    QCOMPARE(r.ReceivedFrom(mark), lines);
}

void tst_sessionqueue::commandsHeldAndDroppedWhileDisabled()
{
    SessionRig r;
    QVERIFY(r.Start());
    QSignalSpy changed(&r.Session, &InstrumentSession::ConfigurationChanged);
    const int mark = r.ReceivedCount();
    r.Session.QueuedCommandToPort(":SYST:AUT 1"); // waiting before commands were disabled

    r.Session.Comm->CommandsDisabled = true;
    r.Session.QueuedCommandToPort(":PULS0:STAT ON"); // dropped
    QCOMPARE(r.Session.CommandQueue, QStringList{":SYST:AUT 1"});
    QCOMPARE(r.Session.QueueCount, 1);
    QCOMPARE(changed.size(), 1);
    // a tick sends nothing and keeps the queue for a later one
    r.Session.ProcessTasks();
    QVERIFY(r.ReceivedFrom(mark).isEmpty());
    QCOMPARE(r.Session.CommandQueue, QStringList{":SYST:AUT 1"});
    QVERIFY(r.Session.TaskTimer->isActive());
    QTest::qWait(50); // ten more ticks while disabled
    QVERIFY(r.ReceivedFrom(mark).isEmpty());

    r.Session.Comm->CommandsDisabled = false;
    QTRY_COMPARE(r.ReceivedFrom(mark), QStringList{":SYST:AUT 1"});
    QVERIFY(r.Session.CommandQueue.isEmpty());
}

void tst_sessionqueue::changesDuringAReadbackSendNothing()
{
    SessionRig r;
    QVERIFY(r.Start());
    QSignalSpy changed(&r.Session, &InstrumentSession::ConfigurationChanged);
    const int mark = r.ReceivedCount();
    // A view follows the read-back and its handler asks for a change on every channel
    // record read (as an operator's click dispatched by a reply wait would).
    int tried = 0;
    connect(&r.Session, &InstrumentSession::ChannelRecordRead, this, [&] {
        ++tried;
        r.Session.QueuedCommandToPort(":PULS0:STAT ON");
    });
    r.Session.RequestRefresh();
    r.Session.ProcessTasks();

    QCOMPARE(tried, 6);
    QVERIFY(!r.Session.ReinitializePending);
    QCOMPARE(r.ReceivedFrom(mark), FReadback); // the queries only
    QVERIFY(r.Session.CommandQueue.isEmpty());
    QVERIFY(!r.Session.CommandsQueued);
    QCOMPARE(changed.size(), 1);                // the end of the read-back only
    QVERIFY(r.Session.StatusTimer->isActive()); // the poll runs again
    r.Session.StatusTimer->stop();
    QTRY_VERIFY(!r.Session.TaskTimer->isActive());
    QCOMPARE(r.ReceivedFrom(mark), FReadback);
}

void tst_sessionqueue::recall_data()
{
    QTest::addColumn<QList<int>>("requests");
    QTest::addColumn<QString>("recall");
    QTest::addColumn<double>("delay"); // channel 2's, as the bin holds it
    QTest::newRow("bin 3") << QList<int>{3} << "*RCL 3" << 1e-6;
    QTest::newRow("two requests before a tick: the later one")
        << QList<int>{3, 5} << "*RCL 5" << 2e-6;
}

void tst_sessionqueue::recall()
{
    QFETCH(QList<int>, requests);
    QFETCH(QString, recall);
    QFETCH(double, delay);
    SessionRig r;
    QVERIFY(r.Start());
    // two bins that differ in channel 2's delay, and a third value in use
    const QStringList setUp = {":PULS2:DEL 0.00000100000", "*SAV 3", ":PULS2:DEL 0.00000200000",
                               "*SAV 5", ":PULS2:DEL 0.00000500000"};
    for (const QString &line : setUp)
        r.Session.QueuedCommandToPort(line);
    const int setUpMark = r.ReceivedCount();
    r.Session.ProcessTasks();
    for (const auto &exchange : r.Emulator->Exchanges().mid(setUpMark))
        QCOMPARE(exchange.second, QString("OK"));

    QSignalSpy started(&r.Session, &InstrumentSession::InitializeStarted);
    QSignalSpy ended(&r.Session, &InstrumentSession::InitializeEnded);
    const int mark = r.ReceivedCount();
    for (int bin : requests)
        r.Session.RequestRecall(bin);
    r.Session.QueuedCommandToPort(":SYST:AUT 1"); // a change that waits for the recall
    QVERIFY(r.Session.RecallPending);
    QVERIFY(r.Session.TaskTimer->isActive());
    QVERIFY(r.ReceivedFrom(mark).isEmpty()); // nothing before the tick

    r.Session.ProcessTasks();
    // the recall alone, the whole configuration read back, then the queued change
    const QStringList sent = r.ReceivedFrom(mark);
    QCOMPARE(sent, QStringList{recall} + FReadback + QStringList{":SYST:AUT 1"});
    QVERIFY(!r.Session.RecallPending);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toBool(), true); // a recall shows its progress
    QCOMPARE(ended.size(), 1);
    QVERIFY(r.Session.StatusTimer->isActive());
    QVERIFY(r.Session.ReadbackFailure.isEmpty());

    // the state is the instrument's: the bin's delay, and every record as it answered
    QCOMPARE(r.Session.ChannelConfigs[2].Delay, delay);
    const auto readback = r.Emulator->Exchanges().mid(mark + 1, FReadback.size());
    QCOMPARE(r.Session.SettingsList.filter(QRegularExpression(R"(^\*CFG )")),
             RecordLines(readback));
    QVERIFY(r.Errors.Texts.isEmpty());
}

QTEST_GUILESS_MAIN(tst_sessionqueue)
#include "tst_sessionqueue.moc"
