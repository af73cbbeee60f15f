// From a real input event to the instrument: mouse clicks made by xdotool through the X
// server on the panel's Run button and on a channel's delay arrow button, and the lines
// the emulator received. Runs under xvfb-run.

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TPageControl.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

class tst_realinput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void runButton();
    void delayArrowButton();

private:
    std::unique_ptr<PanelFixture> FPanel;
    std::unique_ptr<TestEmulator> FEmulator;
    TMainForm *FForm = nullptr;
};

namespace {
// A left click of the X server's pointer on the middle of the widget.
bool ClickThroughX(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {"mousemove", "--sync", QString::number(at.x()),
                                              QString::number(at.y()), "click", "1"});
    // The panel must go on handling events while the tool runs.
    if (!xdotool.waitForStarted(5000))
        return false;
    QElapsedTimer t;
    t.start();
    while (xdotool.state() != QProcess::NotRunning && t.elapsed() < 10000)
        QTest::qWait(10);
    return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

QStringList ReceivedSince(const TestEmulator &emulator, qsizetype mark)
{
    return emulator.Received().mid(mark);
}
} // namespace

void tst_realinput::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server (the test runs under xvfb-run)");
    FPanel = std::make_unique<PanelFixture>();
    FEmulator = FPanel->Emulator(1, {"--model", "7310-12"});
    QVERIFY2(FEmulator->IsReady(), qPrintable(FEmulator->StartError()));
    FForm = FPanel->Form.get();
    FForm->FormCreate();
    FForm->LaunchTimerTimer();
    // The poll's questions would mingle with the lines under test.
    FForm->Session->SetStatusTimerEnabled(false);
    FForm->show();
    FForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(FForm));
    QVERIFY(!FForm->Comm->CommandsDisabled);
}

void tst_realinput::cleanupTestCase()
{
    FForm = nullptr;
    FPanel.reset();
    FEmulator.reset();
}

void tst_realinput::runButton()
{
    const qsizetype mark = FEmulator->Received().size();
    QCOMPARE(FForm->RunStopbtn->text(), QString("Run"));
    QVERIFY(ClickThroughX(FForm->RunStopbtn));
    QTRY_COMPARE_WITH_TIMEOUT(ReceivedSince(*FEmulator, mark), QStringList{":PULS0:STAT ON"}, 5000);
    QCOMPARE(FForm->RunStopbtn->text(), QString("Stop"));
}

void tst_realinput::delayArrowButton()
{
    // The operator opens the tab of channel 2, then clicks its delay's up arrow once.
    TPageControl *pages = FForm->ChPageControl;
    QVERIFY(ClickThroughX(pages->TabButton(1)));
    QTRY_COMPARE(pages->ActivePageIndex(), 1);

    TPlusSpinEdit *delay = FForm->ChDelayAdj[2];
    const double before = delay->Value();
    const qsizetype mark = FEmulator->Received().size();
    QVERIFY(ClickThroughX(delay->UpButton()));
    QTRY_VERIFY_WITH_TIMEOUT(!ReceivedSince(*FEmulator, mark).isEmpty(), 5000);
    QTest::qWait(100); // a held button would go on repeating: nothing more must come
    QVERIFY(delay->Value() > before);
    QCOMPARE(ReceivedSince(*FEmulator, mark), QStringList{ChDelayCommand(2, delay->Value())});
}

QTEST_MAIN(tst_realinput)
#include "tst_realinput.moc"
