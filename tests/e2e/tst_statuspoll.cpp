// The status poll and the Run/Stop button against the emulator: the button's caption and
// the pulse animation, the shot counter, a vanished port and demonstration mode.

#include "ControlPanel.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "ui/main/TPageControl.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMovie>
#include <QPushButton>

class tst_statuspoll : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runAndStop();
    void pollFollowsTheInstrument_data();
    void pollFollowsTheInstrument();
    void unreadableReplyKeepsTheRunState_data();
    void unreadableReplyKeepsTheRunState();
    void readbackShowsTheRunState_data();
    void readbackShowsTheRunState();
    void shotCounter_data();
    void shotCounter();
    void portVanishesWhileIdle_data();
    void portVanishesWhileIdle();
    void portVanishedBeforeATransaction();
    void lostPortQuestionWaitsForAnOpenDialog();
    void silentInstrumentQuestionWaitsForAnOpenDialog();
    void demoModeEndsThePoll();

private:
    int FInitLines = 0; // lines the start-up and first initialization send (462K-6)
};

namespace {
// The run state as the window shows it.
struct RunDisplay
{
    QString caption;
    bool animated;
    bool operator==(const RunDisplay &) const = default;
};
RunDisplay Shown(const TMainForm &form)
{
    return {form.RunStopbtn->text(),
            form.PulseAnimate->isVisibleTo(&form) && form.PulseMovie->state() == QMovie::Running};
}
char *toString(const RunDisplay &d)
{
    return QTest::toString(d.caption + (d.animated ? " (animated)" : " (still)"));
}
} // namespace

void tst_statuspoll::initTestCase()
{
    ControlPanel c;
    QVERIFY(c.Start());
    FInitLines = c.ReceivedCount();
    QVERIFY(FInitLines > 10);
}

void tst_statuspoll::runAndStop()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();

    QTest::mouseClick(c.Form.RunStopbtn, Qt::LeftButton);
    QCOMPARE(Shown(c.Form), (RunDisplay{"Stop", true})); // before anything is sent
    QVERIFY(c.Form.Session->Mirrors.SystemRunning);
    QVERIFY(c.ReceivedFrom(mark).isEmpty());
    QVERIFY(c.Form.Session->TaskTimer->isActive());
    QCOMPARE(c.Form.Session->TaskTimer->interval(), 5);
    QTRY_COMPARE(c.ReceivedFrom(mark), QStringList{":PULS0:STAT ON"});

    QTest::mouseClick(c.Form.RunStopbtn, Qt::LeftButton);
    QCOMPARE(Shown(c.Form), (RunDisplay{"Run", false}));
    QVERIFY(!c.Form.Session->Mirrors.SystemRunning);
    QTRY_COMPARE(c.ReceivedFrom(mark), (QStringList{":PULS0:STAT ON", ":PULS0:STAT OFF"}));

    // the instrument agrees: the polls that follow change nothing
    c.Form.Session->StatusTimerTimer();
    QCOMPARE(Shown(c.Form), (RunDisplay{"Run", false}));
    QCOMPARE(c.ReceivedFrom(mark).last(), QString(":PULS0:STAT?"));
}

void tst_statuspoll::pollFollowsTheInstrument_data()
{
    QTest::addColumn<bool>("instrumentRuns");
    QTest::addColumn<bool>("knownRunning");
    QTest::addColumn<QString>("caption"); // "-": left as it was

    QTest::newRow("running, known running: nothing rewritten") << true << true << "-";
    QTest::newRow("running, known stopped: Stop") << true << false << "Stop";
    QTest::newRow("stopped, known running: Run") << false << true << "Run";
    QTest::newRow("stopped, known stopped: Run rewritten") << false << false << "Run";
}

void tst_statuspoll::pollFollowsTheInstrument()
{
    QFETCH(bool, instrumentRuns);
    QFETCH(bool, knownRunning);
    QFETCH(QString, caption);
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    if (instrumentRuns) {
        c.Form.Session->QueuedCommandToPort(":PULS0:STAT ON");
        c.Form.Session->ProcessTasks();
    }
    // A display that no poll would write, to see whether one did.
    c.Form.Session->Mirrors.SystemRunning = knownRunning;
    c.Form.RunStopbtn->setText("untouched");
    c.Form.PulseAnimate->setVisible(knownRunning);
    if (knownRunning)
        c.Form.PulseMovie->start();
    const int mark = c.ReceivedCount();

    c.Form.Session->StatusTimer->start();
    QTRY_COMPARE(c.ReceivedFrom(mark), QStringList{":PULS0:STAT?"});
    QTRY_VERIFY(!c.Form.Session->StatusPollRunning);
    QVERIFY(c.Form.Session->StatusTimer->isActive()); // the poll goes on

    const RunDisplay expected =
        caption == "-" ? RunDisplay{"untouched", true} : RunDisplay{caption, caption == "Stop"};
    QCOMPARE(Shown(c.Form), expected);
    QCOMPARE(c.Form.Session->Mirrors.SystemRunning, instrumentRuns);
}

void tst_statuspoll::unreadableReplyKeepsTheRunState_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("knownRunning");
    QTest::newRow("error reply, known running") << "ERR -113, undefined header" << true;
    QTest::newRow("empty reply, known running") << "" << true;
    QTest::newRow("garbled reply, known stopped") << "#?" << false;
}

void tst_statuspoll::unreadableReplyKeepsTheRunState()
{
    QFETCH(QString, reply);
    QFETCH(bool, knownRunning);
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--reply", ":PULS0:STAT?=" + reply}));
    c.Form.Session->StatusTimer->stop();
    if (knownRunning) {
        QTest::mouseClick(c.Form.RunStopbtn, Qt::LeftButton);
        c.Form.Session->ProcessTasks();
    }
    const RunDisplay before = Shown(c.Form);
    QCOMPARE(before.caption, QString(knownRunning ? "Stop" : "Run"));
    c.Form.RunStopbtn->setText("untouched"); // a stopped state would be rewritten
    const int mark = c.ReceivedCount();

    c.Form.Session->StatusTimerTimer();
    QCOMPARE(c.ReceivedFrom(mark), QStringList{":PULS0:STAT?"});
    QCOMPARE(Shown(c.Form), (RunDisplay{"untouched", knownRunning}));
    QCOMPARE(c.Form.Session->Mirrors.SystemRunning, knownRunning);
    QVERIFY(c.Form.Session->StatusTimer->isActive()); // the poll goes on
    QVERIFY(c.P.Dialogs.warnings.isEmpty());
}

void tst_statuspoll::readbackShowsTheRunState_data()
{
    // What makes the instrument run while the window shows it stopped, then the read-back
    // that sees it running, before any poll could.
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("readback");

    QTest::newRow("settings file whose system record starts the output")
        << "*CFG 0 1 0.001000000 NORM 1 1 1 1" << "restore";
    QTest::newRow("bin recall while the output runs") << ":PULS0:STAT ON" << "recall";
    QTest::newRow("Refresh while the output runs") << ":PULS0:STAT ON" << "refresh";
}

void tst_statuspoll::readbackShowsTheRunState()
{
    QFETCH(QString, line);
    QFETCH(QString, readback);
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QCOMPARE(Shown(c.Form), (RunDisplay{"Run", false}));

    c.Form.Comm->CommandToPort(line.toLatin1());
    if (readback == "restore") {
        c.Form.Session->Initialize(); // the read-back that follows a replay
    } else {
        if (readback == "recall")
            c.Form.findChild<QAction *>("BinRestore1")->trigger();
        else
            c.Form.RefreshMenu->trigger();
        c.Form.Session->ProcessTasks();
    }
    c.Form.Session->StatusTimer->stop();
    QCOMPARE(Shown(c.Form), (RunDisplay{"Stop", true}));
    QVERIFY(c.Form.Session->Mirrors.SystemRunning);

    // the button stops what runs
    const int mark = c.ReceivedCount();
    QTest::mouseClick(c.Form.RunStopbtn, Qt::LeftButton);
    QTRY_COMPARE(c.ReceivedFrom(mark), QStringList{":PULS0:STAT OFF"});
}

void tst_statuspoll::shotCounter_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("label");
    QTest::newRow("first page: not asked") << 0 << "12"
                                           << "Count: ----";
    QTest::newRow("second page: not asked") << 1 << "12"
                                            << "Count: ----";
    QTest::newRow("third page") << 2 << "12"
                                << "Count:         12";
    QTest::newRow("2^32 - 1") << 2 << "4294967295"
                              << "Count: 4294967295";
    QTest::newRow("2^32 + 5 modulo 2^32") << 2 << "4294967301"
                                          << "Count:          5";
}

void tst_statuspoll::shotCounter()
{
    QFETCH(int, page);
    QFETCH(QString, count);
    QFETCH(QString, label);
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--shot-count", count}));
    c.Form.Session->StatusTimer->stop();
    c.Form.SystemPageControl->SetActivePageIndex(page);
    const int mark = c.ReceivedCount();
    c.Form.Session->StatusTimerTimer();
    const QStringList expected =
        page == 2 ? QStringList{":PULS0:STAT?", ":COUN:PULS?"} : QStringList{":PULS0:STAT?"};
    QCOMPARE(c.ReceivedFrom(mark), expected);
    QCOMPARE(c.Form.ShotCountlbl->text(), label);
}

void tst_statuspoll::portVanishesWhileIdle_data()
{
    QTest::addColumn<bool>("restart");
    QTest::newRow("Yes restarts") << true;
    QTest::newRow("No exits") << false;
}

void tst_statuspoll::portVanishesWhileIdle()
{
    QFETCH(bool, restart);
    ControlPanel c;
    // the device is pulled right after the first initialization
    QVERIFY(c.Start({"--model", "462K-6", "--unplug-after", QString::number(FInitLines)}));
    c.P.Dialogs.answers = {restart ? OperatorDialogs::Yes : OperatorDialogs::No};
    QVERIFY(c.Form.Session->StatusTimer->isActive());

    QTRY_VERIFY_WITH_TIMEOUT(c.Form.Terminating(), 5000);
    QCOMPARE(c.P.Dialogs.warnings.size(), 1);
    QCOMPARE(c.P.Dialogs.warnings[0].text, QString("Port no longer available, restart?"));
    QCOMPARE(c.P.Dialogs.warnings[0].buttons,
             (QList<OperatorDialogs::Button>{OperatorDialogs::Yes, OperatorDialogs::No}));
    QCOMPARE(c.Launches, restart ? 1 : 0);
    QVERIFY(!c.Form.Session->StatusTimer->isActive());
    QCOMPARE(c.ReceivedCount(), FInitLines); // the poll found no port to ask
    QVERIFY(c.P.Errors.Texts.isEmpty());
}

void tst_statuspoll::portVanishedBeforeATransaction()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--unplug-after", QString::number(FInitLines)}));
    c.Form.Session->StatusTimer->stop();
    QTest::qWait(200); // the panel idles while the device goes
    c.P.Dialogs.answers = {OperatorDialogs::Yes};

    // Refresh: the re-initialization's first query finds the port gone.
    c.Form.Session->ReinitializePending = true;
    c.Form.Session->ProcessTasks();

    QCOMPARE(c.P.Dialogs.warnings.size(), 1);
    QCOMPARE(c.P.Dialogs.warnings[0].text, QString("Communications lost. Restart?"));
    QVERIFY(c.Form.Terminating());
    QCOMPARE(c.Launches, 1);
    QVERIFY2(c.P.Errors.Texts.isEmpty(), qPrintable(c.P.Errors.Texts.join('\n')));
}

void tst_statuspoll::lostPortQuestionWaitsForAnOpenDialog()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--unplug-after", QString::number(FInitLines)}));
    c.Form.Session->StatusTimer->stop();
    QTest::qWait(200); // the device goes

    // A file dialog or a message box is open: a key typed there must not answer the
    // poll's question.
    QDialog other(&c.Form);
    other.setWindowModality(Qt::ApplicationModal);
    other.show();
    for (int poll = 0; poll < 2; ++poll)
        c.Form.Session->StatusTimerTimer();
    QVERIFY(c.P.Dialogs.warnings.isEmpty());
    QVERIFY(!c.Form.Terminating());
    QVERIFY(c.Form.Session->StatusTimer->isActive()); // it asks later

    other.close();
    c.P.Dialogs.answers = {OperatorDialogs::No};
    QTRY_VERIFY_WITH_TIMEOUT(c.Form.Terminating(), 3000); // the next poll
    QCOMPARE(c.P.Dialogs.warnings.size(), 1);
    QCOMPARE(c.P.Dialogs.warnings[0].text, QString("Port no longer available, restart?"));
    QCOMPARE(c.Launches, 0);
}

void tst_statuspoll::silentInstrumentQuestionWaitsForAnOpenDialog()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--silent-after", QString::number(FInitLines + 1)}));
    c.Form.Session->StatusTimer->stop();
    c.Form.ComPort->SetResponseTime(200);
    QTest::mouseClick(c.Form.RunStopbtn, Qt::LeftButton);
    c.Form.Session->ProcessTasks(); // the last line answered

    QDialog other(&c.Form);
    other.setWindowModality(Qt::ApplicationModal);
    other.show();
    for (int poll = 0; poll < 2; ++poll)
        c.Form.Session->StatusTimerTimer();
    QVERIFY(c.P.Dialogs.warnings.isEmpty());
    QVERIFY(!c.Form.Terminating());
    QVERIFY(c.Form.Session->StatusTimer->isActive()); // it asks later
    QCOMPARE(Shown(c.Form), (RunDisplay{"Stop", true}));

    other.close();
    c.P.Dialogs.answers = {OperatorDialogs::No};
    QTRY_VERIFY_WITH_TIMEOUT(c.Form.Terminating(), 3000); // the next poll
    QCOMPARE(c.P.Dialogs.warnings.size(), 1);
    QCOMPARE(c.P.Dialogs.warnings[0].text, QString("Communications lost. Restart?"));
    QCOMPARE(c.Launches, 0);
}

void tst_statuspoll::demoModeEndsThePoll()
{
    ControlPanel c;
    c.Form.StartupPath = TStartupPath::Demo;
    c.Form.FormCreate();
    c.Form.LaunchTimerTimer();
    QVERIFY(c.Form.Session->StatusTimer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!c.Form.Session->StatusTimer->isActive(), 3000);
    QTest::qWait(1500);
    QVERIFY(!c.Form.Session->StatusTimer->isActive());
    QVERIFY(!c.Form.Session->StatusPollRunning);
    QVERIFY(!c.Form.ComPort->Opened());
    QCOMPARE(c.P.Dialogs.warnings.size(), 0);
}

QTEST_MAIN(tst_statuspoll)
#include "tst_statuspoll.moc"
