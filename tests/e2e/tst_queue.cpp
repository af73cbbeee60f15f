// The command queue against the emulator: what reaches the wire, in which order and in
// how many drains, with recalls, initializations and commands arriving mid-drain; an
// instrument lost or slow during a drain, and the queue sent before the program ends.

#include "ControlPanel.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "comm/TerminalSink.h"
#include "ui/main/TResponseList.h"

#include <QAction>
#include <QLabel>

#include <QSignalSpy>

class tst_queue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void quickChangesGoOutInOneDrain();
    void changesDuringAnInitializationSendNothing();
    void recallGoesBeforeQueuedCommands();
    void commandsArrivingMidDrainKeepTheirOrder();
    void moreThanAHundredCommands();
    void idleTickDoesNothing();
    void instrumentLostOrSlowDuringADrain_data();
    void instrumentLostOrSlowDuringADrain();
    void exitOrRestartSendsTheQueueFirst_data();
    void exitOrRestartSendsTheQueueFirst();

private:
    int FInitLines = 0; // lines the start-up and first initialization send (462K-6)
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
} // namespace

void tst_queue::initTestCase()
{
    ControlPanel c;
    QVERIFY(c.Start());
    FInitLines = c.ReceivedCount();
    QVERIFY(FInitLines > 10);
}

void tst_queue::quickChangesGoOutInOneDrain()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QSignalSpy changed(&c.Form, &TMainForm::ConfigurationChanged);
    const int mark = c.ReceivedCount();
    const QStringList lines = {":PULS2:DEL 0.00000010000", ":PULS0:STAT ON",
                               ":PULS3:WIDT 0.00000200000"};
    for (const QString &line : lines)
        c.Form.Session->QueuedCommandToPort(line);
    QCOMPARE(changed.size(), 3);
    QCOMPARE(c.Form.Session->QueueCount, 3);
    QVERIFY(c.Form.Session->TaskTimer->isActive());
    QVERIFY(c.ReceivedFrom(mark).isEmpty()); // handlers return before anything is sent

    c.Form.Session->ProcessTasks(); // one tick, one drain
    QCOMPARE(c.ReceivedFrom(mark), lines);
    QCOMPARE(c.Form.Session->QueueCount, 0);
    QVERIFY(!c.Form.Session->CommandsQueued);
    // every reply was read by its own transaction and shown in the terminal
    const auto exchanges = c.Emulator->Exchanges().mid(mark);
    QCOMPARE(exchanges.size(), 3);
    for (const auto &exchange : exchanges)
        QCOMPARE(exchange.second, QString("OK"));
}

void tst_queue::changesDuringAnInitializationSendNothing()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QSignalSpy changed(&c.Form, &TMainForm::ConfigurationChanged);
    const int mark = c.ReceivedCount();
    // A handler run from the initialization's event dispatch (a control being filled,
    // the operator's click).
    bool tried = false;
    QTimer::singleShot(0, &c.Form, [&] {
        tried = true;
        c.Form.Session->QueuedCommandToPort(":PULS0:STAT ON");
    });
    c.Form.Session->ReinitializePending = true;
    c.Form.Session->ProcessTasks();
    QVERIFY(tried);
    QVERIFY(!c.Form.Session->ReinitializePending);
    QTest::qWait(100); // a few more ticks
    const QStringList sent = c.ReceivedFrom(mark);
    QVERIFY(sent.size() > 10); // the re-initialization's queries
    for (const QString &line : sent)
        QVERIFY2(line.endsWith('?'), qPrintable(line));
    QCOMPARE(c.Form.Session->QueueCount, 0);
    QCOMPARE(changed.size(), 1); // the end of the readback only
    QVERIFY(c.Form.Session->StatusTimer->isActive());
}

void tst_queue::recallGoesBeforeQueuedCommands()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    c.Form.Session->QueuedCommandToPort(":PULS2:DEL 0.00000300000");
    c.Form.Session->QueuedCommandToPort(":PULS2:WIDT 0.00000400000");
    c.Form.Session->RecallBin = 3;
    c.Form.Session->RecallPending = true;
    c.Form.Session->ProcessTasks();

    const QStringList sent = c.ReceivedFrom(mark);
    QVERIFY(sent.size() > 4);
    QCOMPARE(sent.first(), QString("*RCL 3"));
    QCOMPARE(sent.mid(sent.size() - 2),
             (QStringList{":PULS2:DEL 0.00000300000", ":PULS2:WIDT 0.00000400000"}));
    // the re-initialization in between: queries only, the channel records among them
    const QStringList reread = sent.mid(1, sent.size() - 3);
    QVERIFY(reread.size() > 10);
    for (const QString &line : reread)
        QVERIFY2(line.endsWith('?'), qPrintable(line));
    QVERIFY(!c.Form.Session->RecallPending);
    QVERIFY(c.Form.Session->StatusTimer->isActive());
    QVERIFY(c.P.Errors.Texts.isEmpty());
}

void tst_queue::commandsArrivingMidDrainKeepTheirOrder()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    const QStringList lines = Widths(1000, 7);
    for (int i = 0; i < 3; ++i)
        c.Form.Session->QueuedCommandToPort(lines[i]);

    // Handlers that run while the drain is sending: each time a reply of the drain is
    // shown in the terminal (inside its transaction), as an event dispatched by a reply
    // wait would run them. Two arrive with the first reply, two more with the fourth.
    struct MidDrain : TerminalSink
    {
        TMainForm *Form = nullptr;
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
                Form->Session->QueuedCommandToPort(Lines[first]);
                Form->Session->QueuedCommandToPort(Lines[first + 1]);
            }
        }
    } midDrain;
    midDrain.Form = &c.Form;
    midDrain.Lines = lines;
    c.Form.Comm->SetTerminal(&midDrain);

    c.Form.Session->ProcessTasks();
    c.Form.Comm->SetTerminal(c.Form.ResponseList);
    QCOMPARE(midDrain.Arrivals, 2);
    // all seven in one drain, in the order they arrived
    QCOMPARE(midDrain.Replies, 7);
    QCOMPARE(c.ReceivedFrom(mark), lines);
    QCOMPARE(c.Form.Session->QueueCount, 0);
    QVERIFY(c.Form.Session->CommandQueue.isEmpty());
}

void tst_queue::moreThanAHundredCommands()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    const QStringList lines = Widths(2000, 103);
    for (const QString &line : lines)
        c.Form.Session->QueuedCommandToPort(line);
    QCOMPARE(c.Form.Session->QueueCount, 103);
    // by the timer, as in the program
    QTRY_COMPARE_WITH_TIMEOUT(c.ReceivedFrom(mark).size(), lines.size(), 20000);
    QCOMPARE(c.ReceivedFrom(mark), lines);
}

void tst_queue::idleTickDoesNothing()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    c.Form.Session->QueuedCommandToPort(":PULS0:STAT ON");
    QTRY_COMPARE(c.ReceivedFrom(mark), QStringList{":PULS0:STAT ON"});
    QTest::qWait(200); // forty idle ticks
    QCOMPARE(c.ReceivedFrom(mark), QStringList{":PULS0:STAT ON"});
    QVERIFY(!c.Form.Session->TaskRunning);
    QVERIFY(!c.Form.Session->TaskTimer->isActive()); // an idle panel does not tick
}

void tst_queue::instrumentLostOrSlowDuringADrain_data()
{
    QTest::addColumn<bool>("killed");   // else answers each line later than the time-out
    QTest::addColumn<int>("commands");  // queued
    QTest::addColumn<int>("questions"); // "Communications lost. Restart?"
    QTest::addColumn<QStringList>("informations");
    QTest::newRow("instrument killed: one question, the rest not sent")
        << true << 30 << 1 << QStringList{"30 commands were not sent."};
    QTest::newRow("instrument slow: one question, the drain ends, the rest not sent")
        << false << 3 << 1 << QStringList{"2 commands were not sent."};
}

void tst_queue::instrumentLostOrSlowDuringADrain()
{
    QFETCH(bool, killed);
    QFETCH(int, commands);
    QFETCH(int, questions);
    QFETCH(QStringList, informations);
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--reply-delay", "1500", "--slow-after",
                     QString::number(FInitLines)}));
    c.Form.Session->StatusTimer->stop();
    c.Form.ComPort->SetResponseTime(200);
    const int mark = c.ReceivedCount();
    const QStringList lines = Widths(3000, commands);
    for (const QString &line : lines)
        c.Form.Session->QueuedCommandToPort(line);
    c.Form.Session->TaskTimer->stop(); // the drain below is the only one
    c.P.Dialogs.answers = QList<OperatorDialogs::Button>(commands, OperatorDialogs::Ignore);
    if (killed) {
        c.Emulator.reset();
        QTest::qWait(100);
    }

    c.Form.Session->ProcessTasks();

    QCOMPARE(c.P.Dialogs.warnings.size(), questions);
    for (const auto &warning : c.P.Dialogs.warnings)
        QCOMPARE(warning.text, QString("Communications lost. Restart?"));
    QCOMPARE(c.P.Dialogs.informations, informations);
    // the drain is over, the queue empty, and the panel goes on
    QVERIFY(!c.Form.Session->TaskRunning);
    QCOMPARE(c.Form.Session->QueueCount, 0);
    QVERIFY(!c.Form.Session->CommandsQueued);
    QVERIFY(!c.Form.Terminating());
    QVERIFY(c.Form.Session->StatusTimer->isActive()); // Ignore: the poll goes on
    if (!killed) {
        QCOMPARE(c.ReceivedFrom(mark), lines.mid(0, 1));
        QVERIFY(!c.Form.Comm->LinkGone());
    } else {
        QVERIFY(c.Form.Comm->LinkGone());
    }
    QVERIFY(c.P.Errors.Texts.isEmpty());
}

void tst_queue::exitOrRestartSendsTheQueueFirst_data()
{
    // "menu": File, Exit; "close": the window's close; "restart": Restart
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("instrument"); // "slow", "gone" (unplugged), "silent"
    QTest::addColumn<int>("arrived");        // of the five commands
    QTest::addColumn<QStringList>("informations");
    QTest::newRow("File Exit, slow instrument: all five sent") << "menu"
                                                               << "slow" << 5 << QStringList{};
    QTest::newRow("close button, slow instrument: all five sent") << "close"
                                                                  << "slow" << 5 << QStringList{};
    QTest::newRow("File Exit, instrument gone: five not sent")
        << "menu"
        << "gone" << 0 << QStringList{"5 commands were not sent."};
    QTest::newRow("close button, silent instrument: given up at the first time-out")
        << "close"
        << "silent" << 1 << QStringList{"4 commands were not sent."};
    QTest::newRow("Restart, slow instrument: all five sent, then the new instance")
        << "restart"
        << "slow" << 5 << QStringList{};
    QTest::newRow("Restart, instrument gone: five not sent")
        << "restart"
        << "gone" << 0 << QStringList{"5 commands were not sent."};
}

void tst_queue::exitOrRestartSendsTheQueueFirst()
{
    QFETCH(QString, how);
    QFETCH(QString, instrument);
    QFETCH(int, arrived);
    QFETCH(QStringList, informations);
    ControlPanel c;
    const QString after = QString::number(FInitLines);
    QStringList arguments{"--model", "462K-6"};
    if (instrument == "slow")
        arguments << "--reply-delay"
                  << "300"
                  << "--slow-after" << after;
    else if (instrument == "gone")
        arguments << "--unplug-after" << after;
    else
        arguments << "--silent-after" << after;
    QVERIFY(c.Start(arguments));
    c.Form.Session->StatusTimer->stop();
    c.Form.ComPort->SetResponseTime(1000);
    QTest::qWait(100); // an unplugged device is gone by now
    const int mark = c.ReceivedCount();
    const QStringList lines = Widths(4000, 5);
    for (const QString &line : lines)
        c.Form.Session->QueuedCommandToPort(line);

    auto exit = [&] {
        if (how == "menu")
            c.Form.Exit1->trigger();
        else if (how == "restart")
            c.Form.RestartMenu->trigger();
        else
            c.Form.close();
    };
    bool progressShown = false;
    if (instrument == "slow") {
        // The operator exits while the drain waits for the first reply.
        QTimer::singleShot(150, &c.Form, [&] {
            QCOMPARE(c.ReceivedFrom(mark), lines.mid(0, 1));
            exit();
            // the window stays while the queue goes out, the progress window shows it
            progressShown = !c.Form.Terminating() && c.P.MessageForm.isVisible() &&
                            c.P.MessageForm.MessageLabel->text() == "Sending queued commands";
        });
    } else {
        c.Form.Session->TaskTimer->stop();
        exit();
        progressShown = c.P.MessageForm.isVisible();
    }
    if (instrument != "slow")
        QVERIFY(!c.Form.Terminating()); // the window stays while the queue goes out
    QTRY_VERIFY_WITH_TIMEOUT(c.Form.Terminating(), 10000);

    // Nothing can go out once the program ends: what arrived was sent before.
    QTest::qWait(400);
    QCOMPARE(c.ReceivedFrom(mark), lines.mid(0, arrived));
    QVERIFY(progressShown);
    QVERIFY(!c.P.MessageForm.isVisible());
    QVERIFY(c.P.Dialogs.warnings.isEmpty()); // the operator chose to end: no question
    QCOMPARE(c.P.Dialogs.informations, informations);
    QVERIFY(!c.Form.isVisible());
    QVERIFY(!c.Form.ComPort->Opened());
    QCOMPARE(c.Launches, how == "restart" ? 1 : 0);
    QVERIFY(c.P.Errors.Texts.isEmpty());
}

QTEST_MAIN(tst_queue)
#include "tst_queue.moc"
