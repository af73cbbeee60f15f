// kt7310 end to end: the real program against the emulator over a pseudo-terminal.
// What reaches the wire is read from the emulator's transcript.

#include "PanelFixture.h"
#include "comm/TKTComPort.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

class tst_cli : public QObject
{
    Q_OBJECT
private slots:
    void findBehindSilentPort();
    void noInstrument_data();
    void noInstrument();
    void noInstrumentNamesAPortInUse();
    void badArguments_data();
    void badArguments();
    void helpPerCommand();
    void saveMatchesTheWindow();
    void loadVerify();
    void unreadableFile();
    void linesOnTheWire();
    void lostCommunication_data();
    void lostCommunication();
};

namespace {
struct Result
{
    int Code = -1;
    QString Out;
    QStringList Errors; // the lines on standard error
};

Result Kt7310(const QStringList &arguments, const QString &workingDir = QString())
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(QStringLiteral(KT7310_CLI_PATH), arguments);
    Result r;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.Code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
    r.Errors =
        QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return r;
}

QStringList WithoutIdentification(const QStringList &received)
{
    QStringList lines = received;
    lines.removeAll(QStringLiteral("*IDN?"));
    return lines;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A settings file's lines; every line must end in CR LF.
QStringList SettingsFileLines(const QString &path)
{
    const QByteArray bytes = FileBytes(path);
    if (!bytes.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at the end>")};
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString &line : lines)
        if (line.contains(u'\n') || line.contains(u'\r'))
            return {QStringLiteral("<a line end other than CR LF>")};
    return lines;
}

bool WriteLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString &line : lines)
        file.write(line.toLatin1() + "\r\n");
    return true;
}
} // namespace

void tst_cli::findBehindSilentPort()
{
    PanelFixture p;
    auto silent = p.Emulator(2, {"--silent"});
    auto instrument = p.Emulator(5, {"--baud", "19200", "--model", "462K-24", "--serial", "777"});
    QVERIFY2(silent->IsReady(), qPrintable(silent->StartError()));
    QVERIFY2(instrument->IsReady(), qPrintable(instrument->StartError()));

    const Result r = Kt7310({"find"});
    QCOMPARE(r.Code, 0);
    QCOMPARE(r.Out, QString("COM5 19200 baud: Kalteron 462K-24, serial number 777, firmware 2.04, "
                            "FPGA 1.12\n"));
    QVERIFY2(r.Errors.isEmpty(), qPrintable(r.Errors.join('\n')));
    // The window's scan: both questions at each of the six speeds on the silent port,
    // and 115200, 57600 and 38400 tried before the instrument answered at 19200.
    QCOMPARE(silent->Received(), QStringList(QList<QString>(12, "*IDN?")));
    QCOMPARE(instrument->Received(), QStringList(QList<QString>(8, "*IDN?")));

    const Result json = Kt7310({"find", "--json", "--port", "5", "--baud", "19200"});
    QCOMPARE(json.Code, 0);
    const QJsonObject o = QJsonDocument::fromJson(json.Out.toUtf8()).object();
    QCOMPARE(o["port"].toInt(), 5);
    QCOMPARE(o["baud"].toInt(), 19200);
    QCOMPARE(o["model"].toString(), QString("462K-24"));
    QCOMPARE(o["channels"].toInt(), 24);
    QCOMPARE(o["serialNumber"].toInt(), 777);
}

void tst_cli::noInstrument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("scan") << QStringList{"status"} << "kt7310: No instrument found.";
    QTest::newRow("silent port given")
        << QStringList{"status", "--port", "2"} << "kt7310: No instrument found on COM2.";
    QTest::newRow("wrong speed given") << QStringList{"find", "--port", "5", "--baud", "9600"}
                                       << "kt7310: No instrument found on COM5 at 9600 baud.";
}

void tst_cli::noInstrument()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    PanelFixture p;
    auto silent = p.Emulator(2, {"--silent"});
    // Answers at 19200 only; a 410-6 is never taken by a scan.
    auto other = p.Emulator(5, {"--baud", "19200", "--model", "410-6"});
    QVERIFY(silent->IsReady() && other->IsReady());

    const Result r = Kt7310(arguments);
    QCOMPARE(r.Code, 3);
    QCOMPARE(r.Errors, QStringList{error});
    QVERIFY(r.Out.isEmpty());
}

void tst_cli::noInstrumentNamesAPortInUse()
{
    PanelFixture p;
    auto emulator = p.Emulator(3, {"--baud", "19200"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TKTComPort holder; // another program holds COM3
    holder.SetPort(3);
    QVERIFY(holder.Open());

    const Result r = Kt7310({"find"});
    QCOMPARE(r.Code, 3);
    QCOMPARE(r.Errors.value(0), QString("kt7310: No instrument found."));
    QVERIFY2(
        r.Errors.filter(QRegularExpression("^COM3 \\(.*\\): in use by another program$")).size() ==
            1,
        qPrintable(r.Errors.join('\n')));
    QVERIFY(emulator->Received().isEmpty());
}

void tst_cli::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"start"};
    QTest::newRow("query without a line") << QStringList{"query"};
    QTest::newRow("save without a file") << QStringList{"save"};
    QTest::newRow("load with two files") << QStringList{"load", "a.txt", "b.txt"};
    QTest::newRow("run with an argument") << QStringList{"run", "now"};
    QTest::newRow("port out of range") << QStringList{"status", "--port", "101"};
    QTest::newRow("port without a number") << QStringList{"status", "--port"};
    QTest::newRow("speed not in the table") << QStringList{"status", "--baud", "14400"};
    QTest::newRow("unknown option") << QStringList{"status", "--fast"};
    QTest::newRow("json for save") << QStringList{"save", "a.txt", "--json"};
    QTest::newRow("verify for save") << QStringList{"save", "a.txt", "--verify"};
}

void tst_cli::badArguments()
{
    QFETCH(QStringList, arguments);
    const Result r = Kt7310(arguments);
    QCOMPARE(r.Code, 2);
    // One sentence on standard error, nothing else.
    QCOMPARE(r.Errors.size(), 1);
    QVERIFY2(r.Errors[0].startsWith("kt7310: ") && r.Errors[0].endsWith('.'),
             qPrintable(r.Errors[0]));
    QVERIFY(r.Out.isEmpty());
}

void tst_cli::helpPerCommand()
{
    for (const QString command :
         {"find", "query", "send", "save", "load", "run", "stop", "status"}) {
        const Result r = Kt7310({command, "--help"});
        QCOMPARE(r.Code, 0);
        QVERIFY2(r.Out.startsWith("Usage: kt7310 " + command), qPrintable(r.Out));
        QVERIFY(r.Out.contains("Exit codes:"));
    }
    const Result all = Kt7310({"--help"});
    QCOMPARE(all.Code, 0);
    QVERIFY(all.Out.contains("kt7310 load FILE [--verify]"));
}

void tst_cli::saveMatchesTheWindow()
{
    PanelFixture p;
    auto emulator = p.Emulator(3, {"--model", "7310-6", "--baud", "38400", "--badge", "MRD"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    // Settings away from the defaults, in records and single values alike.
    QVERIFY(WriteLines(p.Ports.filePath("setup.txt"),
                       {":PULS2:DEL 0.00000125", ":PULS4:POL INV", ":SYST:SYNC CH2", ":COUN:STAT 1",
                        ":PULS0:PER 0.002"}));
    QCOMPARE(Kt7310({"load", p.Ports.filePath("setup.txt")}).Code, 0);

    TMainForm &form = *p.Form;
    form.FormCreate();
    QVERIFY(!form.Terminating());
    form.LaunchTimerTimer();
    const QStringList window = form.SettingsList;
    QCOMPARE(window.size(), 16 + 6);
    form.ExitApp(); // frees the port

    const QString file = p.Ports.filePath("saved.txt");
    const Result r = Kt7310({"save", file});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Errors.isEmpty(), qPrintable(r.Errors.join('\n')));
    const QStringList saved = SettingsFileLines(file);
    QCOMPARE(saved.size(), window.size());
    QVERIFY2(QRegularExpression("^// \\S.*,\\S").match(saved[0]).hasMatch(), qPrintable(saved[0]));
    QCOMPARE(saved.mid(1), window.mid(1));
    QVERIFY(saved.contains(":SYST:SYNC Ch2"));
}

void tst_cli::loadVerify()
{
    PanelFixture p;
    const QString file = p.Ports.filePath("settings.txt");
    QString changedLine;
    {
        auto emulator = p.Emulator(4, {"--model", "7310-12"});
        QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
        QCOMPARE(Kt7310({"save", file}).Code, 0);
        // Channel 3 delayed by 2 us in the file.
        QStringList lines = SettingsFileLines(file);
        const qsizetype at = lines.indexOf(QRegularExpression("\\*CFG 3 .*"));
        QVERIFY(at > 0);
        QStringList fields = lines[at].split(' ');
        fields[3] = "0.00000200000";
        lines[at] = changedLine = fields.join(' ');
        lines << "// a comment, not sent";
        QVERIFY(WriteLines(file, lines));

        const qsizetype savedBefore = WithoutIdentification(emulator->Received()).size();
        const Result r = Kt7310({"load", file, "--verify", "--port", "4"});
        QCOMPARE(r.Code, 0);
        QVERIFY2(r.Errors.isEmpty(), qPrintable(r.Errors.join('\n')));
        QVERIFY(r.Out.isEmpty());
        // Every line but the comments, unchanged, then the configuration read back.
        const QStringList sent = WithoutIdentification(emulator->Received()).mid(savedBefore);
        QCOMPARE(sent.size(), 23 + 24); // the file's 23 command lines, then the read-back
        QCOMPARE(sent.mid(0, 23), lines.mid(5, 11 + 12));
        QCOMPARE(sent.mid(23, 2), QStringList({"*CFG? 0?", "*CFG? 90?"}));
    }

    // An instrument that refuses the changed record keeps its own delay.
    auto refusing =
        p.Emulator(4, {"--model", "7310-12", "--reply", changedLine + "=ERR 3: refused"});
    QVERIFY2(refusing->IsReady(), qPrintable(refusing->StartError()));
    const Result r = Kt7310({"load", file, "--verify", "--port", "4"});
    QCOMPARE(r.Code, 6);
    QCOMPARE(r.Out, QString("channel 3 Delay: file 0.00000200000, instrument 0.00000000000\n"));
    QCOMPARE(r.Errors, QStringList{"kt7310: The instrument differs from the file in 1 place."});
}

void tst_cli::unreadableFile()
{
    // Reported before any instrument is looked for.
    QTemporaryDir dir;
    const Result r = Kt7310({"load", dir.filePath("missing.txt")});
    QCOMPARE(r.Code, 7);
    QCOMPARE(r.Errors.size(), 1);
    QVERIFY2(r.Errors[0].contains("missing.txt"), qPrintable(r.Errors[0]));

    PanelFixture p;
    auto emulator = p.Emulator(1);
    QVERIFY(emulator->IsReady());
    const Result save = Kt7310({"save", dir.filePath("no/such/folder/s.txt")});
    QCOMPARE(save.Code, 7);
    QCOMPARE(save.Errors.size(), 1);
    QVERIFY2(save.Errors[0].contains("s.txt"), qPrintable(save.Errors[0]));
}

void tst_cli::linesOnTheWire()
{
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--shot-count", "4294967301"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    const QString work = p.Ports.filePath("work");
    QVERIFY(QDir().mkpath(work));

    const Result query = Kt7310({"query", ":PULS1:WIDT", ":SYST:SYNC?", "--json"});
    QCOMPARE(query.Code, 0);
    const QJsonDocument replies = QJsonDocument::fromJson(query.Out.toUtf8());
    QCOMPARE(replies.array().size(), 2);
    QCOMPARE(replies.array()[0].toObject()["query"].toString(), QString(":PULS1:WIDT?"));
    QCOMPARE(replies.array()[0].toObject()["reply"].toString(), QString("0.00000100000"));
    QCOMPARE(replies.array()[1].toObject()["reply"].toString(), QString("T0"));

    const Result send = Kt7310({"send", ":PULS1:WIDT 0.000002", ":PULS1:NOPE 1"});
    QCOMPARE(send.Code, 0);
    QCOMPARE(send.Out.split('\n')[0], QString("OK"));
    QVERIFY(send.Out.split('\n')[1].startsWith("ERR "));

    // The shot count as the window shows it: the low 32 bits.
    const Result stopped = Kt7310({"status"});
    QCOMPARE(stopped.Code, 0);
    QCOMPARE(stopped.Out, QString("stopped\nshot count: 5\n"));
    QCOMPARE(Kt7310({"run", "--log"}, work).Code, 0);
    const Result running = Kt7310({"status", "--json"});
    QCOMPARE(running.Code, 0);
    QCOMPARE(QJsonDocument::fromJson(running.Out.toUtf8()).object()["running"].toBool(), true);
    QCOMPARE(Kt7310({"stop"}).Code, 0);

    QCOMPARE(WithoutIdentification(emulator->Received()),
             QStringList({":PULS1:WIDT?", ":SYST:SYNC?", ":PULS1:WIDT 0.000002", ":PULS1:NOPE 1",
                          ":PULS0:STAT?", ":COUN:PULS?", ":PULS0:STAT ON", ":PULS0:STAT?",
                          ":COUN:PULS?", ":PULS0:STAT OFF"}));

    // --log: the window's log file in the working folder.
    const QStringList logs = QDir(work).entryList({"SystemLogFile_*.txt"});
    QCOMPARE(logs.size(), 1);
    const QString log = QString::fromLatin1(FileBytes(work + '/' + logs[0]));
    QVERIFY2(QRegularExpression("^System Communication Log File .*\r\n"
                                "Sent    \\(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\): :PULS0:STAT ON\r\n"
                                "Received\\(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\): OK\r\n$")
                 .match(log)
                 .hasMatch(),
             qPrintable(log));
}

void tst_cli::lostCommunication_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("error");
    // The identification takes two answers, the system record the third.
    QTest::newRow("time-out") << "--silent-after" << 4
                              << "kt7310: The instrument did not answer \"*CFG? 90?\" within "
                                 "4000 ms.";
    QTest::newRow("port lost") << "--unplug-after" << 5
                               << "kt7310: The serial port COM1 was lost while waiting for the "
                                  "instrument's reply to \"*CFG? 90?\".";
}

void tst_cli::lostCommunication()
{
    QFETCH(QString, fault);
    QFETCH(int, code);
    QFETCH(QString, error);
    PanelFixture p;
    auto emulator = p.Emulator(1, {fault, "3"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    const QString file = p.Ports.filePath("s.txt");

    const Result r = Kt7310({"save", file, "--port", "1", "--baud", "115200"});
    QCOMPARE(r.Code, code);
    QCOMPARE(r.Errors, QStringList{error});
    QVERIFY(!QFile::exists(file));
    // Nothing more was asked once the answer was missing. A device that vanishes may go
    // before it has taken in the unanswered line, so that line may be missing too.
    const QStringList received = WithoutIdentification(emulator->Received());
    QVERIFY2(received.last() == QString("*CFG? 90?") ||
                 (fault == QLatin1String("--unplug-after") &&
                  received.last() == QString("*CFG? 0?")),
             qPrintable(received.join(u'|')));
}

QTEST_MAIN(tst_cli)
#include "tst_cli.moc"
