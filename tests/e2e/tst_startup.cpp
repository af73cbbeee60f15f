// Start-up paths other than the scan, and the two ways a run ends: demonstration mode,
// the manual port choice, the log switch, restart and exit (also from inside a reply
// wait), and the program's command line.

#include "PanelFixture.h"
#include "platform/OwnExecutable.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "ui/main/TPageControl.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QSerialPort>
#include <QTimer>
#include <QtTest>

class tst_startup : public QObject
{
    Q_OBJECT
private slots:
    void demoMode();
    void manualChoiceCancelled();
    void manualChoiceChosen();
    void logSwitchAndExit();
    void restartFreesThePortFirst();
    void restartKeepsTheOptions_data();
    void restartKeepsTheOptions();
    void endDecidedInsideAReplyWait_data();
    void endDecidedInsideAReplyWait();
    void commandLine_data();
    void commandLine();
    void programFillsTheWindow();
};

void tst_startup::demoMode()
{
    PanelFixture p;
    TMainForm &form = *p.Form;
    form.StartupPath = TStartupPath::Demo;

    form.FormCreate();

    QCOMPARE(p.Dialogs.informations, QStringList{"Entering Demo Mode"});
    QVERIFY(form.Session->DemoMode);
    QVERIFY(!form.Terminating());
    QVERIFY(!form.ComPort->Opened());
    QVERIFY(!form.Session->StatusTimer->isActive());
    QVERIFY(form.LaunchTimer->isActive());

    form.LaunchTimerTimer();

    QCOMPARE(form.windowTitle(),
             QString(" Model 7310-12  SW Version: " KT7310_VERSION " ComPort: Demo"));
    QCOMPARE(form.SerialNumberlbl->text(), QString("Serial Number: 1234"));
    QCOMPARE(form.FWVersionlbl->text(), QString("Firmware Ver: 1.00"));
    QCOMPARE(form.FPGAVersionlbl->text(), QString("FPGA Ver: 1.25"));
    QCOMPARE(form.ChPageControl->PageCount(), 1);
    QCOMPARE(form.Session->SettingsList.size(), 1);
    QVERIFY(form.Session->SettingsList[0].startsWith("// "));
    QVERIFY(!form.Comm->CommandsDisabled);
    QVERIFY(!form.ComPort->Opened());
    QVERIFY(!p.MessageForm.isVisible());
}

void tst_startup::manualChoiceCancelled()
{
    PanelFixture p;
    auto emulator = p.Emulator(3);
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.StartupPath = TStartupPath::PickPort;
    p.Dialogs.pickAnswer = -1;

    form.FormCreate();

    QCOMPARE(p.Dialogs.pickEntries, QStringList{"COM3"});
    QVERIFY(form.Terminating());
    QVERIFY(!form.isVisible());
    QVERIFY(!form.LaunchTimer->isActive());
    QVERIFY(!form.ComPort->Opened());
    QVERIFY(p.Dialogs.warnings.isEmpty());
    QVERIFY(emulator->Received().isEmpty());
}

void tst_startup::manualChoiceChosen()
{
    PanelFixture p;
    auto emulator = p.Emulator(3, {"--model", "7310-36"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.StartupPath = TStartupPath::PickPort;
    p.Dialogs.pickAnswer = 0;

    form.FormCreate();

    QVERIFY(!form.Terminating());
    QCOMPARE(form.ComPort->Port(), 3);
    QCOMPARE(form.ComPort->Baud(), 115200);
    QVERIFY(form.ComPort->Opened());
    QVERIFY(form.ComPort->AllowEvents());
    QVERIFY(!form.ComPort->ShowErrors());
    QCOMPARE(form.ComPort->ResponseTime(), 4000u);

    form.LaunchTimerTimer();

    // No identification on this path: an unknown company and model, 12 channels.
    QVERIFY(!emulator->Received().contains("*IDN?"));
    QCOMPARE(form.windowTitle(),
             QString("Unknown Model   SW Version: " KT7310_VERSION " ComPort: 3 Baud: 115200"));
    QCOMPARE(form.Session->ChannelCount, 12);
    QCOMPARE(form.ChPageControl->PageCount(), 12);
    QVERIFY(!form.KTBlueBanner->isVisibleTo(&form));
    QVERIFY(!form.MRDBanner->isVisibleTo(&form));
    QVERIFY(emulator->Received().contains("*CFG?12?"));
    QVERIFY(!emulator->Received().contains("*CFG?13?"));
}

void tst_startup::logSwitchAndExit()
{
    QTemporaryDir work;
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    {
        PanelFixture p;
        TMainForm &form = *p.Form;
        form.StartupPath = TStartupPath::Demo;
        form.LogSwitch = true;

        form.FormCreate();

        QVERIFY(form.Comm->LoggingEnabled());
        QVERIFY(form.EnableLoggingMenu->isChecked());
        const QString log = work.filePath(form.Comm->LogFileName());
        QVERIFY2(QFile::exists(log), qPrintable(log));
        QVERIFY(form.Comm->LogFileName().startsWith("SystemLogFile_"));

        // File Exit: timers off, port and log closed, the window gone for good.
        form.LaunchTimer->stop();
        form.Session->StatusTimer->start();
        form.Session->TaskTimer->start();
        form.Exit1->trigger();

        QVERIFY(form.Terminating());
        QVERIFY(!form.Comm->LoggingEnabled());
        QVERIFY(!form.EnableLoggingMenu->isChecked());
        QVERIFY(!form.Session->StatusTimer->isActive());
        QVERIFY(!form.Session->TaskTimer->isActive());
        QVERIFY(!form.ComPort->Opened());
        QVERIFY(!form.isVisible());
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("System Communication Log File "));
    }
    QVERIFY(QDir::setCurrent(previousDir));
}

void tst_startup::restartFreesThePortFirst()
{
    PanelFixture p;
    auto emulator = p.Emulator(1);
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.FormCreate();
    QVERIFY(form.ComPort->Opened());

    // What the new instance will do first: open the same port.
    auto newInstanceOpens = [&] {
        QSerialPort other(p.Ports.filePath("COM1"));
        const bool opened = other.open(QIODevice::ReadWrite);
        other.close();
        return opened;
    };
    QVERIFY2(!newInstanceOpens(), "the port is held exclusively while the panel runs");

    bool openedByNewInstance = false;
    int launches = 0;
    const TInstanceLauncher previous = SetInstanceLauncher([&](const QStringList &) {
        ++launches;
        openedByNewInstance = newInstanceOpens();
        return true;
    });
    form.RestartMenu->trigger();
    SetInstanceLauncher(previous);

    QCOMPARE(launches, 1);
    QVERIFY(openedByNewInstance);
    QVERIFY(form.Terminating());
    QVERIFY(!form.LaunchTimer->isActive());
    QVERIFY(!form.isVisible());
}

void tst_startup::restartKeepsTheOptions_data()
{
    QTest::addColumn<bool>("logSwitch");
    QTest::addColumn<QStringList>("options"); // given besides -log (from the command line)
    QTest::addColumn<QString>("how");         // "menu": demonstration mode, then File Restart
                                              // App; "no device": Yes to "No device found"
    QTest::addColumn<bool>("toggleLog");      // the menu's log switch used once before
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("-log") << true << QStringList{} << "menu" << false << QStringList{"-log"};
    QTest::newRow("-log, no device found: before the log is on")
        << true << QStringList{} << "no device" << false << QStringList{"-log"};
    QTest::newRow("-log, then switched off")
        << true << QStringList{} << "menu" << true << QStringList{};
    QTest::newRow("switched on from the menu")
        << false << QStringList{} << "menu" << true << QStringList{"-log"};
    QTest::newRow("nothing given")
        << false << QStringList{} << "no device" << false << QStringList{};
    QTest::newRow("--demo and -log")
        << true << QStringList{"--demo"} << "menu" << false << QStringList{"--demo", "-log"};
}

void tst_startup::restartKeepsTheOptions()
{
    QFETCH(bool, logSwitch);
    QFETCH(QStringList, options);
    QFETCH(QString, how);
    QFETCH(bool, toggleLog);
    QFETCH(QStringList, arguments);
    QTemporaryDir work; // where the log goes
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    QStringList launched{"<not launched>"};
    const TInstanceLauncher previous = SetInstanceLauncher([&](const QStringList &a) {
        launched = a;
        return true;
    });
    {
        PanelFixture p; // no instrument at all
        TMainForm &form = *p.Form;
        form.LogSwitch = logSwitch;
        form.ProgramOptions = options;
        form.StartupPath = how == "menu" ? TStartupPath::Demo : TStartupPath::Discovery;
        p.Dialogs.answers = {OperatorDialogs::Yes}; // to "No device found. Try to reconnect?"
        form.FormCreate();
        if (how == "menu") {
            QVERIFY(!form.Terminating());
            if (toggleLog)
                form.EnableLoggingMenu->trigger();
            form.RestartMenu->trigger();
        }
        QVERIFY(form.Terminating());
    }
    SetInstanceLauncher(previous);
    QVERIFY(QDir::setCurrent(previousDir));
    QCOMPARE(launched, arguments);
}

void tst_startup::endDecidedInsideAReplyWait_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("restart");
    QTest::newRow("No to the lost-communication question") << "timeout" << false;
    QTest::newRow("Yes to the lost-communication question") << "timeout" << true;
    QTest::newRow("File Exit while a reply is awaited") << "menu" << false;
    QTest::newRow("File Restart App while a reply is awaited") << "menu" << true;
}

void tst_startup::endDecidedInsideAReplyWait()
{
    QFETCH(QString, how);
    QFETCH(bool, restart);
    PanelFixture p;
    // The instrument stops answering in the middle of the channel records, or answers
    // slowly enough for the operator to choose a menu item during a wait (after the two
    // identification answers of the scan, which come at once).
    auto emulator = p.Emulator(
        1, how == "timeout"
               ? QStringList{"--model", "7310-36", "--silent-after", "20"}
               : QStringList{"--model", "7310-36", "--reply-delay", "150", "--slow-after", "2"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    int launches = 0;
    const TInstanceLauncher previous = SetInstanceLauncher([&](const QStringList &) {
        ++launches;
        return true;
    });
    TMainForm &form = *p.Form;
    form.FormCreate();
    QVERIFY(!form.Terminating());
    form.ComPort->SetResponseTime(300);
    p.Dialogs.answers = {restart ? OperatorDialogs::Yes : OperatorDialogs::No};
    int sentAtTheEnd = -1;
    QString awaited; // the line whose reply is awaited when the end is decided
    if (how == "menu") {
        form.ComPort->SetResponseTime(2000);
        QTimer::singleShot(1000, &form, [&] {
            awaited = QString::fromLatin1(form.Comm->LastCommand);
            sentAtTheEnd = emulator->Received().size();
            (restart ? form.RestartMenu : form.Exit1)->trigger();
        });
    }

    form.LaunchTimerTimer();
    SetInstanceLauncher(previous);

    // Nothing more goes out once the end is decided, no error is reported for the
    // records left unread, and the status poll stays off.
    if (how == "timeout") {
        QCOMPARE(p.Dialogs.warnings.size(), 1);
        QCOMPARE(p.Dialogs.warnings[0].text, QString("Communications lost. Restart?"));
        sentAtTheEnd = 21;
    } else {
        QVERIFY(p.Dialogs.warnings.isEmpty());
        QVERIFY2(sentAtTheEnd > 2 && sentAtTheEnd < 12 + 36,
                 qPrintable(QString::number(sentAtTheEnd)));
    }
    QTest::qWait(300);
    const QStringList received = emulator->Received();
    if (how == "menu") {
        // The awaited line may reach the emulator's transcript only after the decision
        // was taken; it must be the last line, and nothing may follow it.
        QVERIFY(received.size() == sentAtTheEnd || received.size() == sentAtTheEnd + 1);
        QCOMPARE(received.last(), awaited);
    } else {
        QCOMPARE(received.size(), sentAtTheEnd);
    }
    QVERIFY(p.Errors.Texts.isEmpty());
    QVERIFY(form.Terminating());
    QCOMPARE(launches, restart ? 1 : 0);
    QVERIFY(!form.Session->StatusTimer->isActive());
    QVERIFY(!form.ComPort->Opened());
    QVERIFY(!p.MessageForm.isVisible());
    QVERIFY(!form.isVisible());
}

void tst_startup::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "KT7310_GUI " KT7310_VERSION "\n"
                               << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: KT7310_GUI"
                            << "";
    QTest::newRow("help wins over an unknown option")
        << QStringList{"--bogus", "--help"} << 0 << "Usage: KT7310_GUI"
        << "";
}

void tst_startup::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    // Answered without a display: help and version before any window exists.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(env);
    program.start(KT7310_GUI_PATH, arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
}

void tst_startup::programFillsTheWindow()
{
    // The program itself: entry, scan, window, message loop, launch timer, readback.
    QTemporaryDir ports;
    QTemporaryDir work;
    TestEmulator emulator(ports.path(), 2, {"--model", "7310-6", "--baud", "57600"});
    QVERIFY2(emulator.IsReady(), qPrintable(emulator.StartError()));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KT7310_PORT_DIR", ports.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(work.path());
    // An argument the program does not know is reported and the program starts anyway.
    program.start(KT7310_GUI_PATH, {"/LOG", "--bogus"});
    QVERIFY(program.waitForStarted(5000));

    auto filled = [&] {
        const auto exchanges = emulator.Exchanges();
        return !exchanges.isEmpty() && exchanges.last().first == "*CFG?6?" &&
               !exchanges.last().second.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(filled(), 20000);
    QCOMPARE(program.state(), QProcess::Running);
    const QStringList received = emulator.Received();
    QCOMPARE(received.first(), QString("*IDN?"));
    QCOMPARE(received.size(), 4 + 12 + 6);
    QCOMPARE(received.filter("*IDN?").size(), 4); // two unanswered at 115200, two at 57600

    // The log switch: every line of the readback is in the log.
    const QStringList logs = QDir(work.path()).entryList({"SystemLogFile_*.txt"});
    QCOMPARE(logs.size(), 1);
    QFile log(work.filePath(logs.first()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.startsWith("System Communication Log File "));
    QVERIFY(text.contains("Sent    ("));
    QVERIFY2(text.contains("): *CFG?6?"), text.constData());

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError())
                .contains("KT7310_GUI: ignoring unrecognized option '--bogus'\n"));
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
