// Finding the instrument: the scan over ports and line speeds, the identification it
// relies on, and the question when nothing is found.

#include "PanelFixture.h"
#include "platform/OwnExecutable.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "ui/main/TResponseList.h"

#include <QTimer>
#include <QtTest>

class tst_discovery : public QObject
{
    Q_OBJECT
private slots:
    void scanFindsCom7At38400();
    void lateAnswerIsNotTakenForTheNextReply();
    void identification_data();
    void identification();
    void nonNumericSerialKeepsTheVersions();
    void noDeviceFound_data();
    void noDeviceFound();
    void logNamedAfterTheScan();
};

namespace {
// The line speed of each reply-less attempt, as the emulator noted it.
QStringList UnansweredSpeeds(const TestEmulator &emulator)
{
    QStringList speeds;
    const QRegularExpression note("^-- no reply: line at (\\d+) baud");
    for (const QString &line : emulator.Transcript()) {
        const auto m = note.match(line);
        if (m.hasMatch())
            speeds << m.captured(1);
    }
    return speeds;
}
} // namespace

void tst_discovery::scanFindsCom7At38400()
{
    PanelFixture p;
    // COM3 opens but never answers; COM1, 2 and 4 to 6 do not exist.
    auto silent = p.Emulator(3, {"--silent"});
    auto instrument = p.Emulator(7, {"--baud", "38400", "--model", "7310-24"});
    QVERIFY2(silent->IsReady(), qPrintable(silent->StartError()));
    QVERIFY2(instrument->IsReady(), qPrintable(instrument->StartError()));
    TMainForm &form = *p.Form;
    form.ResponseList->AppendTerminalLine("(left over) text", 0);

    QVERIFY(form.FindInstrument());

    QCOMPARE(form.ComPort->Port(), 7);
    QCOMPARE(form.ComPort->Baud(), 38400);
    QVERIFY(form.ComPort->Opened());
    QCOMPARE(form.Session->Identity.ModelNumber, QString("7310-24"));
    QCOMPARE(form.Session->Identity.Company, QString("KT"));
    QVERIFY(form.ResponseList->toPlainText().isEmpty());
    // Two identification queries at each speed: the silent port got all twelve, the
    // instrument two at 115200 and two at 57600 before it answered both at 38400.
    QCOMPARE(silent->Received(), QStringList(QList<QString>(12, "*IDN?")));
    QCOMPARE(instrument->Received(), QStringList(QList<QString>(6, "*IDN?")));
    QCOMPARE(UnansweredSpeeds(*instrument), QStringList({"115200", "115200", "57600", "57600"}));
    QCOMPARE(instrument->Transcript().filter(QRegularExpression("^TX ")).size(), 2);
    // The scan shows nothing and dispatches nothing.
    QVERIFY(p.Dialogs.warnings.isEmpty());
    QVERIFY(p.Dialogs.informations.isEmpty());
}

void tst_discovery::lateAnswerIsNotTakenForTheNextReply()
{
    // An instrument slower than the scan's 100 ms: the first question times out and its
    // late answer is what the second question gets; the second answer must not then
    // be read as the reply to the next query. The emulator holds its first answer until
    // the second question comes, so the order does not depend on the machine's load.
    PanelFixture p;
    auto instrument = p.Emulator(1, {"--model", "7310-12", "--late-first"});
    QVERIFY2(instrument->IsReady(), qPrintable(instrument->StartError()));
    TMainForm &form = *p.Form;
    QVERIFY(form.FindInstrument());
    QCOMPARE(form.Session->Identity.ModelNumber, QString("7310-12"));

    form.ComPort->SetResponseTime(1000);
    const QString record = form.Comm->QueryPort("*CFG? 0");
    QVERIFY2(!record.startsWith("KT,"), qPrintable(record));
    QCOMPARE(record.count(' '), 6); // the seven fields of the system record
}

void tst_discovery::identification_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("serial");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("fpga");

    QTest::newRow("complete") << "MRD,462K-12,31337,1.5-0.9" << true << "462K-12" << 31337 << "1.5"
                              << "0.9";
    QTest::newRow("trailing blank after the model is removed")
        << "KT,7310-12 ,42,1.0-2.0" << true << "7310-12" << 42 << "1.0"
        << "2.0";
    QTest::newRow("a blank before the model stays")
        << "KT, 7310-12,42,1.0-2.0" << false << " 7310-12" << 42 << "1.0"
        << "2.0";
    QTest::newRow("10 characters clear the identity") << "KT,7310-12" << false << "" << 0 << ""
                                                      << "";
    QTest::newRow("11 characters are parsed") << "KT,7310-12," << true << "7310-12" << 0 << ""
                                              << "";
    QTest::newRow("firmware without a dash") << "KT,7310-36,8,FW200" << true << "7310-36" << 8 << ""
                                             << "FW200";
    QTest::newRow("410-6 is known but never found")
        << "KT,410-6,5,1.0-2.0" << false << "410-6" << 5 << "1.0"
        << "2.0";
    QTest::newRow("an unknown model is not found")
        << "KT,7310-48,5,1.0-2.0" << false << "7310-48" << 5 << "1.0"
        << "2.0";
}

void tst_discovery::identification()
{
    QFETCH(QString, reply);
    QFETCH(bool, found);
    QFETCH(QString, model);
    QFETCH(int, serial);
    QFETCH(QString, firmware);
    QFETCH(QString, fpga);

    PanelFixture p;
    auto emulator = p.Emulator(1, {"--reply", "*IDN?=" + reply});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.ComPort->SetShowErrors(false);
    form.ComPort->SetEndOfResponse("\r");
    form.ComPort->SetResponseTime(1000);
    form.ParseIDN();

    QCOMPARE(form.Session->Identity.ModelNumber, model);
    QCOMPARE(form.Session->Identity.SerialNumber, serial);
    QCOMPARE(form.Session->Identity.FirmwareVersion, firmware);
    QCOMPARE(form.Session->Identity.FPGAVersion, fpga);

    form.ComPort->Close();
    QCOMPARE(form.FindInstrument(), found);
    QCOMPARE(form.ComPort->Opened(), found);
    QCOMPARE(emulator->Received().size(), found ? 3 : 13);
}

void tst_discovery::nonNumericSerialKeepsTheVersions()
{
    PanelFixture p;
    auto first = p.Emulator(1, {"--serial", "777", "--firmware", "2.04-1.12"});
    auto second = p.Emulator(2, {"--reply", "*IDN?=MRD,410-24,X12,9.9-9.9"});
    QVERIFY2(first->IsReady(), qPrintable(first->StartError()));
    QVERIFY2(second->IsReady(), qPrintable(second->StartError()));
    TMainForm &form = *p.Form;
    form.ComPort->SetShowErrors(false);
    form.ComPort->SetEndOfResponse("\r");
    form.ComPort->SetResponseTime(1000);
    form.ComPort->SetPort(1);
    form.ParseIDN();
    form.ComPort->SetPort(2);
    form.ParseIDN();

    QCOMPARE(form.Session->Identity.Company, QString("MRD"));
    QCOMPARE(form.Session->Identity.ModelNumber, QString("410-24"));
    QCOMPARE(form.Session->Identity.SerialNumber, 777);
    QCOMPARE(form.Session->Identity.FirmwareVersion, QString("2.04"));
    QCOMPARE(form.Session->Identity.FPGAVersion, QString("1.12"));
}

void tst_discovery::noDeviceFound_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("leftShift");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("No exits") << int(OperatorDialogs::No) << false << "exit";
    QTest::newRow("No with Left Shift held enters demo mode")
        << int(OperatorDialogs::No) << true << "demo";
    QTest::newRow("Yes restarts") << int(OperatorDialogs::Yes) << false << "restart";
}

void tst_discovery::noDeviceFound()
{
    QFETCH(int, answer);
    QFETCH(bool, leftShift);
    QFETCH(QString, outcome);

    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "410-6"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    int launches = 0;
    const TInstanceLauncher previous = SetInstanceLauncher([&](const QStringList &) {
        ++launches;
        return true;
    });
    TMainForm &form = *p.Form;
    form.LeftShiftHeld = [leftShift] { return leftShift; };
    p.Dialogs.answers = {OperatorDialogs::Button(answer)};

    form.FormCreate();
    SetInstanceLauncher(previous);

    QCOMPARE(p.Dialogs.warnings.size(), 1);
    QCOMPARE(p.Dialogs.warnings[0].text,
             QString("No device found. Try to reconnect?\n\r\n\r"
                     "Make sure unit is fully powered on\n\rbefore selecting Yes"));
    QCOMPARE(p.Dialogs.warnings[0].buttons,
             QList<OperatorDialogs::Button>({OperatorDialogs::Yes, OperatorDialogs::No}));
    QCOMPARE(form.Terminating(), outcome != "demo");
    QCOMPARE(launches, outcome == "restart" ? 1 : 0);
    QCOMPARE(form.Session->DemoMode, outcome == "demo");
    QCOMPARE(form.LaunchTimer->isActive(), outcome == "demo");
    QVERIFY(!form.ComPort->Opened());
    QVERIFY(!form.isVisible());
    if (outcome == "demo")
        QCOMPARE(p.Dialogs.informations, QStringList{"Entering Demo Mode"});
}

void tst_discovery::logNamedAfterTheScan()
{
    // A port that opens but never answers costs the scan well over a second.
    PanelFixture p;
    auto silent = p.Emulator(1, {"--silent"});
    QVERIFY2(silent->IsReady(), qPrintable(silent->StartError()));
    TMainForm &form = *p.Form;
    form.LeftShiftHeld = [] { return true; };
    p.Dialogs.answers = {OperatorDialogs::No};
    const QDateTime beforeTheScan = QDateTime::currentDateTime();

    form.FormCreate();

    QVERIFY(form.Session->DemoMode);
    QDateTime stamp = QDateTime::fromString(form.Comm->StartTimeStamp, "MM-dd-yy_HH-mm-ss");
    QVERIFY2(stamp.isValid(), qPrintable(form.Comm->StartTimeStamp));
    stamp = stamp.addYears(100); // two-digit years are read as 19yy
    // The stamp has whole seconds: taken before the scan it could not pass this moment.
    QVERIFY2(stamp > beforeTheScan, qPrintable(form.Comm->StartTimeStamp));
    QVERIFY(stamp <= QDateTime::currentDateTime());
    QVERIFY(form.Comm->LogFileName().endsWith("_" + form.Comm->StartTimeStamp + ".txt"));
}

QTEST_MAIN(tst_discovery)
#include "tst_discovery.moc"
