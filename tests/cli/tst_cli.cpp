// kt7310 end to end: the real program against the emulator over a pseudo-terminal.
// What reaches the wire is read from the emulator's transcript.

#include "PanelFixture.h"
#include "Ser2Net.h"
#include "comm/TKTComPort.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

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
    void verifyConfirmsEveryLine_data();
    void verifyConfirmsEveryLine();
    void unreadableReply_data();
    void unreadableReply();
    void saveToFullDisk();
    void interruptedLoad();
    void unreadableFile();
    void logThatCannotBeWritten();
    void linesOnTheWire();
    void networkPorts_data();
    void networkPorts();
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

Result Finished(QProcess &process)
{
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

// childSetup runs in the child before kt7310 starts.
Result Kt7310(const QStringList &arguments, const QString &workingDir = QString(),
              const std::function<void()> &childSetup = {})
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    if (childSetup)
        process.setChildProcessModifier(childSetup);
    process.start(QStringLiteral(KT7310_CLI_PATH), arguments);
    return Finished(process);
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

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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
    // Refused before anything is sent: the wire is Latin-1, one line per transaction.
    QTest::newRow("a line break in a line")
        << QStringList{"send", ":PULS1:DEL 0", ":PULS1:DEL 0\r\n:PULS2:DEL 0"};
    QTest::newRow("a line feed in a query") << QStringList{"query", ":PULS1:DEL\n:PULS2:DEL"};
    QTest::newRow("a character outside Latin-1")
        << QStringList{"send", QString::fromUtf8(":PULS1:DEL 2\u00B5s \u03A9")};
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
                       {":PULS2:DEL 0.00000125", ":PULS4:OUTP:POL INV", ":SYST:SYNC CH2", ":COUN:STAT 1",
                        ":PULS0:PER 0.002"}));
    QCOMPARE(Kt7310({"load", p.Ports.filePath("setup.txt")}).Code, 0);

    TMainForm &form = *p.Form;
    form.FormCreate();
    QVERIFY(!form.Terminating());
    form.LaunchTimerTimer();
    const QStringList window = form.Session->SettingsList;
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

    const int changedAt = int(SettingsFileLines(file).indexOf(changedLine)) + 1;
    {
        // An instrument that acknowledges the changed record but keeps its own delay.
        auto ignoring = p.Emulator(4, {"--model", "7310-12", "--reply", changedLine + "=OK"});
        QVERIFY2(ignoring->IsReady(), qPrintable(ignoring->StartError()));
        const Result r = Kt7310({"load", file, "--verify", "--port", "4"});
        QCOMPARE(r.Code, 6);
        QCOMPARE(r.Out, QString("line %1: channel 3 Delay: file 0.00000200000, instrument "
                                "0.00000000000\n")
                            .arg(changedAt));
        QCOMPARE(r.Errors,
                 QStringList{"kt7310: The read-back does not confirm the file in 1 place."});
    }

    // One that refuses it: told as refused, with or without --verify.
    auto refusing =
        p.Emulator(4, {"--model", "7310-12", "--reply", changedLine + "=ERR 3: refused"});
    QVERIFY2(refusing->IsReady(), qPrintable(refusing->StartError()));
    for (const QStringList &verify : {QStringList{"--verify"}, QStringList{}}) {
        const Result r = Kt7310(QStringList{"load", file, "--port", "4"} + verify);
        QCOMPARE(r.Code, 9);
        QCOMPARE(r.Out, QString("line %1: \"%2...\" answered \"ERR 3: refused\"\n")
                            .arg(changedAt)
                            .arg(changedLine.left(60)));
        QCOMPARE(r.Errors, QStringList{"kt7310: The instrument refused 1 of the file's 23 "
                                       "command lines."});
    }
}

void tst_cli::verifyConfirmsEveryLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out"); // each line of standard output, as a pattern
    const QString notConfirmed = " cannot be confirmed: the read-back reports no such setting$";
    QTest::newRow("setting commands the instrument took")
        << QByteArray("// set by hand\r\n:PULS1:DEL 0.00000200000\r\n:PULS2:STAT ON\r\n"
                      ":SYST:AUT 1\r\n:TRIG1:LEV 1.25\r\n")
        << 0 << QStringList{};
    QTest::newRow("a setting command the instrument did not take")
        << QByteArray(":PULS1:DEL 0.00000200000\r\n:PULS1:WIDT 0.0000001x\r\n") << 9
        << QStringList{"^line 2: \":PULS1:WIDT 0.0000001x\" answered \"ERR 2: invalid argument\"$"};
    QTest::newRow("a command the read-back does not report")
        << QByteArray(":SYST:AUT 1\r\n:COUN:CL 1\r\n") << 6
        << QStringList{"^line 2: \":COUN:CL 1\"" + notConfirmed};
    // As a text editor leaves it when it drops the byte-order mark.
    QTest::newRow("UTF-16 without byte-order mark")
        << QByteArray(":\0P\0U\0L\0S\0001\0:\0D\0E\0L\0 \0001\0\r\0\n\0", 28) << 9
        << QStringList{"^line 1: \":\\\\x00P.*\" answered \"ERR \\d: .*\"$",
                       "^line 2: \"\\\\x00\" answered \"ERR \\d: .*\"$",
                       "^line 3: \"\\\\x00\" answered \"ERR \\d: .*\"$"};
    QByteArray binary;
    for (int i = 0; i < 256; ++i)
        binary += char(i);
    QTest::newRow("a binary file")
        << binary << 9
        << QStringList{"^line 1: \".*\" answered \"ERR \\d: .*\"$",
                       "^line 2: \".*\" answered \"ERR \\d: .*\"$",
                       "^line 3: \".*\" answered \"ERR \\d: .*\"$"};
}

void tst_cli::verifyConfirmsEveryLine()
{
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    PanelFixture p;
    auto emulator = p.Emulator(2, {"--model", "7310-6"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    const QString path = p.Ports.filePath("file.txt");
    QVERIFY(WriteBytes(path, file));

    const Result r = Kt7310({"load", path, "--verify", "--port", "2"});
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(r.Code, code);
    QVERIFY2(lines.size() == out.size(), qPrintable(r.Out));
    for (qsizetype i = 0; i < out.size(); ++i)
        QVERIFY2(QRegularExpression(out[i]).match(lines[i]).hasMatch(), qPrintable(lines[i]));
    if (code == 6)
        QCOMPARE(r.Errors, QStringList{QString("kt7310: The read-back does not confirm the file "
                                               "in %1 %2.")
                                           .arg(out.size())
                                           .arg(out.size() == 1 ? "place" : "places")});
    if (code == 9)
        QCOMPARE(r.Errors.size(), 1);
    if (code == 9)
        QVERIFY2(r.Errors[0].startsWith(QString("kt7310: The instrument refused %1 of the file's ")
                                            .arg(out.size())),
                 qPrintable(r.Errors[0]));
}

void tst_cli::unreadableReply_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reply"); // LINE=REPLY
    QTest::addColumn<QString>("error");
    const QStringList save{"save", "s.txt"};
    QTest::newRow("save: a channel record")
        << save << "*CFG?3?=garbage"
        << "kt7310: The reply to \"*CFG?3?\" cannot be read: \"garbage\" ('' is not a valid "
           "integer value).";
    QTest::newRow("save: the system record")
        << save << "*CFG? 0?=1 abc NORM 1 1 1 0"
        << "kt7310: The reply to \"*CFG? 0?\" cannot be read: \"1 abc NORM 1 1 1 0\" ('abc' is "
           "not a valid floating point value).";
    QTest::newRow("save: a single number")
        << save << ":SYST:AUT?=yes"
        << "kt7310: The reply to \":SYST:AUT?\" cannot be read: \"yes\" ('yes' is not a valid "
           "integer value).";
    QTest::newRow("save: a token query answered with no token of its setting")
        << save << ":SYST:SYNC?=BOGUS"
        << "kt7310: The reply to \":SYST:SYNC?\" cannot be read: \"BOGUS\" (not one of T0, Ch1, "
           "Ch2, Ch4, Ch6, TRIG, GATE).";
    QTest::newRow("save: an off/on setting answered 7")
        << save << ":SYST:AUT?=7"
        << "kt7310: The reply to \":SYST:AUT?\" cannot be read: \"7\" (not a number from 0 to "
           "1).";
    QTest::newRow("save: a record with an unknown token")
        << save << "*CFG? 0?=0 0.001 FAST 1 1 1 0"
        << "kt7310: The reply to \"*CFG? 0?\" cannot be read: \"0 0.001 FAST 1 1 1 0\" (Mode: "
           "not one of NORM, SING, BURS, DCYC).";
    QTest::newRow("save: a record with a field too many")
        << save << "*CFG? 90?=TRIG RIS 1.5 DIS 7"
        << "kt7310: The reply to \"*CFG? 90?\" cannot be read: \"TRIG RIS 1.5 DIS 7\" (Debounce: "
           "not one of DIS, ENAB).";
    QTest::newRow("save: a record with a field missing")
        << save << "*CFG?2?=1 0.000001 0.00001 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS LOW"
        << "kt7310: The reply to \"*CFG?2?\" cannot be read: \"1 0.000001 0.00001 NORM 1 1 1 0 "
           "TTL NORM 5 0 DIS DIS LOW\" (GateMode: not one of DIS, PULS, OUTP).";
    QTest::newRow("status: the run state")
        << QStringList{"status"} << ":PULS0:STAT?=garbage"
        << "kt7310: The reply to \":PULS0:STAT?\" cannot be read: \"garbage\" ('garbage' is not "
           "a valid integer value).";
    QTest::newRow("status: a run state that is no state")
        << QStringList{"status", "--json"} << ":PULS0:STAT?=7"
        << "kt7310: The reply to \":PULS0:STAT?\" cannot be read: \"7\" (not a number from 0 "
           "to 1).";
    QTest::newRow("status: the shot count")
        << QStringList{"status"} << ":COUN:PULS?=12x"
        << "kt7310: The reply to \":COUN:PULS?\" cannot be read: \"12x\" ('12x' is not a valid "
           "integer value).";
}

void tst_cli::unreadableReply()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reply);
    QFETCH(QString, error);
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-6", "--reply", reply});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    const QByteArray earlier("// an earlier file\r\n:SYST:AUT 1\r\n");
    QVERIFY(WriteBytes(p.Ports.filePath("s.txt"), earlier));

    const Result r = Kt7310(arguments, p.Ports.path());
    QCOMPARE(r.Code, 8);
    QCOMPARE(r.Errors, QStringList{error});
    QVERIFY2(r.Out.isEmpty(), qPrintable(r.Out));
    // A save that failed leaves the earlier file as it was.
    QCOMPARE(FileBytes(p.Ports.filePath("s.txt")), earlier);
    // Nothing asked after the reply that could not be read.
    QCOMPARE(emulator->Received().last(), reply.section('=', 0, 0));
}

void tst_cli::saveToFullDisk()
{
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-6"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    const QString file = p.Ports.filePath("rig.txt");
    const QByteArray earlier("// a good file\r\n:SYST:AUT 1\r\n");
    QVERIFY(WriteBytes(file, earlier));

    // The file system fills up after 200 bytes of the new file: the write fails (EFBIG)
    // as it would with ENOSPC.
    const Result r = Kt7310({"save", file}, QString(), [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 200;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    QCOMPARE(r.Code, 7);
    QCOMPARE(r.Errors.size(), 1);
    QVERIFY2(
        r.Errors[0].startsWith(
            QString("kt7310: Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(file))),
        qPrintable(r.Errors[0]));
    QVERIFY2(r.Errors[0].contains("too large", Qt::CaseInsensitive), qPrintable(r.Errors[0]));
    QCOMPARE(FileBytes(file), earlier);
    QCOMPARE(QDir(p.Ports.path()).entryList({"rig*"}, QDir::Files), QStringList{"rig.txt"});
}

void tst_cli::interruptedLoad()
{
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-6"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    const QString file = p.Ports.filePath("long.txt");
    QStringList lines{"// a long file"};
    for (int i = 0; i < 400; ++i)
        lines << ":PULS1:DEL 0.00000" + QString::number(100000 + i);
    QVERIFY(WriteLines(file, lines));

    QProcess process;
    process.start(QStringLiteral(KT7310_CLI_PATH), {"load", file, "--port", "1"});
    auto sentLines = [&] { return WithoutIdentification(emulator->Received()); };
    QTRY_VERIFY_WITH_TIMEOUT(sentLines().size() >= 3, 20000);
    QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    const Result r = Finished(process);

    QCOMPARE(r.Code, 130);
    const QStringList sent = sentLines();
    QVERIFY(sent.size() < 400);
    QCOMPARE(sent, lines.mid(1, sent.size()));
    QCOMPARE(r.Errors, QStringList{QString("kt7310: Interrupted: %1 of the file's 400 command "
                                           "lines were sent.")
                                       .arg(sent.size())});
}

void tst_cli::unreadableFile()
{
    // Reported before any instrument is looked for.
    QTemporaryDir dir;
    const Result r = Kt7310({"load", dir.filePath("missing.txt")});
    QCOMPARE(r.Code, 7);
    QCOMPARE(r.Errors.size(), 1);
    QVERIFY2(r.Errors[0].contains("missing.txt"), qPrintable(r.Errors[0]));

    // An empty file, and one far larger than any settings file (or a device that never
    // ends): nothing to load is no success, and nothing is read into memory without end.
    QFile empty(dir.filePath("empty.txt"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile huge(dir.filePath("huge.txt"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(17 * 1024 * 1024));
    huge.close();
    QFile comments(dir.filePath("comments.txt"));
    QVERIFY(comments.open(QIODevice::WriteOnly) && comments.write("// one\r\n// two\r\n") > 0);
    comments.close();
    const QList<QPair<QString, QString>> refused{
        {empty.fileName(), QString("kt7310: The file \"%1\" is empty.")},
        {comments.fileName(), QString("kt7310: The file \"%1\" holds no command line.")},
        {huge.fileName(), QString("kt7310: Cannot open file \"%1\". The file is larger than "
                                  "16 MiB.")},
        {"/dev/zero", QString("kt7310: Cannot open file \"%1\". The file is larger than 16 MiB.")}};
    for (const auto &[name, error] : refused) {
        const Result e = Kt7310({"load", name});
        QCOMPARE(e.Code, 7);
        QCOMPARE(e.Errors, QStringList{error.arg(QDir::toNativeSeparators(name))});
    }

    PanelFixture p;
    auto emulator = p.Emulator(1);
    QVERIFY(emulator->IsReady());
    const Result save = Kt7310({"save", dir.filePath("no/such/folder/s.txt")});
    QCOMPARE(save.Code, 7);
    QCOMPARE(save.Errors.size(), 1);
    QVERIFY2(save.Errors[0].contains("s.txt"), qPrintable(save.Errors[0]));
}

void tst_cli::logThatCannotBeWritten()
{
    // A working folder nothing can be created in (not even by root): the run goes on
    // without a log, and the tool says so as its own error line, as the window would in a
    // box.
    PanelFixture p;
    auto emulator = p.Emulator(1);
    QVERIFY(emulator->IsReady());
    const Result run = Kt7310({"run", "--log"}, QStringLiteral("/proc"));
    QCOMPARE(run.Code, 0);
    QCOMPARE(run.Errors, QStringList{"kt7310: Log file cannot be written to. Please run program "
                                     "from writable location. Logging will be disabled."});
    QVERIFY(emulator->Received().contains(":PULS0:STAT ON"));
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

// An instrument behind a serial device server, raw and with the COM-port control option:
// found, and a line sent, exactly as on a local port; a server that refuses says so.
void tst_cli::networkPorts_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("raw TCP") << int(Ser2Net::Raw);
    QTest::newRow("RFC 2217") << int(Ser2Net::Rfc2217);
}

void tst_cli::networkPorts()
{
    QFETCH(int, kind);
    if (!Ser2Net::Available())
        QSKIP("ser2net is not installed (scripts/setup installs it)");
    PanelFixture p;
    auto instrument = p.Emulator(3, {"--model", "7310-36"});
    QVERIFY2(instrument->IsReady(), qPrintable(instrument->StartError()));
    Ser2Net server(Ser2Net::TKind(kind),
                   QFileInfo(p.Ports.filePath(QStringLiteral("COM3"))).symLinkTarget());
    QVERIFY2(server.Start(), qPrintable(server.Error()));
    const QString port = server.PortName();

    const Result found = Kt7310({"find", "--port", port});
    QCOMPARE(found.Code, 0);
    QVERIFY2(found.Out.startsWith(port + u' ') && found.Out.contains("Kalteron 7310-36"),
             qPrintable(found.Out));
    const int before = int(instrument->Received().size());
    const Result sent = Kt7310({"send", ":PULS3:DEL 0.00000100000", "--port", port});
    QCOMPARE(sent.Code, 0);
    QCOMPARE(WithoutIdentification(instrument->Received().mid(before)),
             QStringList{":PULS3:DEL 0.00000100000"});

    server.Stop();
    const Result refused = Kt7310({"status", "--port", port});
    QCOMPARE(refused.Code, 3);
    QVERIFY2(refused.Errors.join('\n').contains(
                 QStringLiteral("Connection refused by 127.0.0.1:%1").arg(server.TcpPort())),
             qPrintable(refused.Errors.join('\n')));
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
