#include "PtyPeer.h"
#include "ScriptedDialogs.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "comm/TerminalSink.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
struct RecordingTerminal : TerminalSink
{
    QList<QPair<QString, uint32_t>> lines;
    void AppendTerminalLine(const QString &line, uint32_t rgb) override
    {
        lines.append({line, rgb});
    }
};

// The transactions' owner: records when it is asked about a missing reply and told that
// the port was given up, and answers Ignore or not.
struct RecordingOwner
{
    QStringList calls;
    bool ignore = false;
};

const QString Ts = QStringLiteral(R"(\d\d:\d\d:\d\d\.\d\d\d)");

// Checks each line against a pattern in which "TS" stands for a time stamp.
void compareLines(const QStringList &actual, const QStringList &patterns)
{
    QCOMPARE(actual.size(), patterns.size());
    for (int i = 0; i < patterns.size(); ++i) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(
            QString(patterns[i]).replace(QStringLiteral("TS"), Ts)));
        QVERIFY2(
            re.match(actual[i]).hasMatch(),
            qPrintable(
                QString("line %1: \"%2\" does not match %3").arg(i).arg(actual[i], re.pattern())));
    }
}
} // namespace

class tst_Communication : public QObject
{
    Q_OBJECT

    QTemporaryDir portDir;
    QTemporaryDir workDir; // the working folder, where the log goes
    QString startDir;
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<TKTComPort> port;
    std::unique_ptr<Communication> comm;
    std::unique_ptr<ScriptedDialogs> dialogs;
    RecordingTerminal terminal;
    RecordingOwner app;

    QStringList logLines()
    {
        QFile f(QDir(workDir.path()).filePath(comm->LogFileName()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray all = f.readAll();
        if (!all.endsWith("\r\n") || all.count('\n') != all.count("\r\n"))
            return {QStringLiteral("<lines not ended by CR LF>")};
        QStringList lines = QString::fromLatin1(all).split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }

    // Answers every query or command; "SLOW" after 300 ms, "SILENT" never, "PART"
    // with a reply that never ends.
    static QList<PtyPeer::Chunk> instrument(const QByteArray &line)
    {
        if (line == "*IDN?")
            return {{0, "KT,7310-12,1234,1.0-2.0\r\n"}};
        if (line.startsWith("SLOW"))
            return {{300, "done\r"}};
        if (line.startsWith("SILENT"))
            return {};
        if (line.startsWith("PART"))
            return {{0, "par"}};
        if (line.startsWith("NUM?"))
            return {{0, numericReply}};
        if (line == "BAD?")
            return {{0, "abc\r"}};
        return {{0, "ok\r"}};
    }
    static inline QByteArray numericReply;

private slots:
    void initTestCase()
    {
        // Numbers must not follow the user's locale: run in one with a decimal comma.
        QCOMPARE(QLocale().decimalPoint(), QString(","));
        QVERIFY(portDir.isValid() && workDir.isValid());
        qputenv("KT7310_PORT_DIR", portDir.path().toLocal8Bit());
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workDir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void init()
    {
        peer = std::make_unique<PtyPeer>(portDir.path(), 1);
        QVERIFY(peer->isValid());
        peer->setResponder(&tst_Communication::instrument);
        port = std::make_unique<TKTComPort>();
        port->SetShowErrors(false);
        port->SetAllowEvents(true);
        port->SetEndOfResponse("\r");
        port->SetResponseTime(1000);
        comm = std::make_unique<Communication>(*port);
        comm->UserName = "jsmith";
        comm->StartTimeStamp = "12-08-24_21-05-09";
        comm->SetTerminal(&terminal);
        comm->OnReplyMissing = [this] {
            app.calls << "asked";
            return app.ignore;
        };
        comm->OnLinkAbandoned = [this] { app.calls << "given up"; };
        port->SetOnTimeout([this](QObject *) { comm->CommunicationTimeout(); });
        dialogs = std::make_unique<ScriptedDialogs>();
        terminal.lines.clear();
        app.calls.clear();
        app.ignore = false;
    }
    void cleanup()
    {
        comm.reset();
        port.reset();
        peer.reset();
        dialogs.reset();
        for (const QString &f : QDir(workDir.path()).entryList(QDir::Files))
            QFile::remove(QDir(workDir.path()).filePath(f));
    }

    void transactionsAndLog()
    {
        QSignalSpy logging(comm.get(), &Communication::LoggingStateChanged);
        comm->ToggleLoggingState();
        QVERIFY(comm->LoggingEnabled());
        QCOMPARE(comm->LogFileName(), QString("SystemLogFile_jsmith_12-08-24_21-05-09.txt"));

        QCOMPARE(comm->QueryPort("*IDN"), QString("KT,7310-12,1234,1.0-2.0"));
        QCOMPARE(comm->LastCommand, QByteArray("*IDN?"));
        QVERIFY(terminal.lines.isEmpty()); // queries are not echoed
        QCOMPARE(comm->CommandToPort(":PULS1:DEL 0.10000000000"), QString("ok"));
        QCOMPARE(comm->QueryPortInt("BAD"), 0);
        comm->CommandsDisabled = true;
        QCOMPARE(comm->CommandToPort(":PULS2:DEL 1"), QString());
        QCOMPARE(comm->QueryPort("*IDN").isEmpty(), false); // queries still go out
        comm->CommandsDisabled = false;

        QCOMPARE(peer->lines(),
                 (QByteArrayList{"*IDN?", ":PULS1:DEL 0.10000000000", "BAD?", "*IDN?"}));
        QCOMPARE(terminal.lines.size(), 2);
        compareLines({terminal.lines[0].first, terminal.lines[1].first},
                     {R"(\(TS\) :PULS1:DEL 0\.10000000000)", R"(\(TS\) ok)"});
        QCOMPARE(terminal.lines[0].second, 0x000000u);
        QCOMPARE(terminal.lines[1].second, 0x008000u);

        // each line is on disk as soon as it is written
        compareLines(logLines(), {
                                     "System Communication Log File .+,.+",
                                     R"(Sent    \(TS\): \*IDN\?)",
                                     R"(Received\(TS\): KT,7310-12,1234,1\.0-2\.0)",
                                     R"(Sent    \(TS\): :PULS1:DEL 0\.10000000000)",
                                     R"(Received\(TS\): ok)",
                                     R"(Sent    \(TS\): BAD\?)",
                                     R"(Received\(TS\): abc)",
                                     R"(Exception Error \(TS)",
                                     R"(Command Disabled:    \(TS\): :PULS2:DEL 1)",
                                     R"(Sent    \(TS\): \*IDN\?)",
                                     R"(Received\(TS\): KT,7310-12,1234,1\.0-2\.0)",
                                 });

        comm->ToggleLoggingState();
        QVERIFY(!comm->LoggingEnabled());
        comm->QueryPort("*IDN");
        QCOMPARE(logLines().size(), 11);
        // on again within the run: the same file, started afresh
        comm->ToggleLoggingState();
        QCOMPARE(logLines().size(), 1);
        QCOMPARE(logging.size(), 3);
        QCOMPARE(logging[1][0].toBool(), false);
        QVERIFY(dialogs->informations.isEmpty());
    }

    void numericQueries_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("asInt");
        QTest::addColumn<bool>("intError");
        QTest::addColumn<quint32>("asInt64");
        QTest::addColumn<bool>("int64Error");
        QTest::newRow("empty reply") << QByteArray("\r") << 0 << false << 0u << false;
        QTest::newRow("digit then CR LF") << QByteArray("1\r\n") << 1 << false << 1u << false;
        QTest::newRow("blanks around") << QByteArray(" 42 \r") << 42 << false << 42u << false;
        QTest::newRow("negative") << QByteArray("-7\r") << -7 << false << 4294967289u << false;
        QTest::newRow("letters") << QByteArray("abc\r") << 0 << true << 0u << true;
        QTest::newRow("4294967295")
            << QByteArray("4294967295\r") << 0 << true << 4294967295u << false;
        QTest::newRow("4294967296 wraps") << QByteArray("4294967296\r") << 0 << true << 0u << false;
        QTest::newRow("decimal comma") << QByteArray("1,5\r") << 0 << true << 0u << true;
        QTest::newRow("grouping dot") << QByteArray("1.234\r") << 0 << true << 0u << true;
    }
    void numericQueries()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, asInt);
        QFETCH(bool, intError);
        QFETCH(quint32, asInt64);
        QFETCH(bool, int64Error);
        numericReply = reply;
        comm->ToggleLoggingState();
        QCOMPARE(comm->QueryPortInt("NUM"), asInt);
        QCOMPARE(logLines().filter("Exception Error (").size(), intError ? 1 : 0);
        QCOMPARE(comm->QueryPortLow32("NUM"), asInt64);
        QCOMPARE(logLines().filter("Exception Error (").size(),
                 (intError ? 1 : 0) + (int64Error ? 1 : 0));
    }

    // A transaction started by a handler while another waits for its reply.
    void nestedTransactions_data()
    {
        QTest::addColumn<bool>("outerIsCommand");
        QTest::newRow("inside a query") << false;
        QTest::newRow("inside a command") << true;
    }
    void nestedTransactions()
    {
        QFETCH(bool, outerIsCommand);
        comm->ToggleLoggingState();
        QString nestedQuery = "untouched", nestedCommand = "untouched";
        QTimer::singleShot(100, [&] {
            nestedQuery = comm->QueryPort("*IDN");
            nestedCommand = comm->CommandToPort(":PULS3:WIDT 1");
        });
        const QString reply =
            outerIsCommand ? comm->CommandToPort("SLOW") : comm->QueryPort("SLOW");
        QCOMPARE(reply, QString("done")); // its input was not flushed
        QCOMPARE(nestedQuery, QString());
        QCOMPARE(nestedCommand, QString());
        QCOMPARE(peer->lines(), QByteArrayList{outerIsCommand ? "SLOW" : "SLOW?"});
        compareLines(logLines().mid(1),
                     {
                         outerIsCommand ? R"(Sent    \(TS\): SLOW)" : R"(Sent    \(TS\): SLOW\?)",
                         R"(Comport in use:    \(TS\): :PULS3:WIDT 1)",
                         R"(Received\(TS\): done)",
                     });
    }

    void timeoutQuestion_data()
    {
        QTest::addColumn<bool>("ignore");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("given up (restart or exit)") << false << QStringList{"asked", "given up"};
        QTest::newRow("Ignore carries on") << true << QStringList{"asked"};
    }
    void timeoutQuestion()
    {
        QFETCH(bool, ignore);
        QFETCH(QStringList, calls);
        const bool goesOn = ignore;
        app.ignore = ignore;
        port->SetResponseTime(150);
        comm->ToggleLoggingState();
        QCOMPARE(comm->QueryPort("PART"), QString("par"));
        QCOMPARE(app.calls, calls);
        QVERIFY(dialogs->warnings.isEmpty()); // the owner asks, not the transactions
        compareLines(logLines().mid(1), {
                                            R"(Sent    \(TS\): PART\?)",
                                            R"(Timeout Error\(TS\))",
                                            R"(Received\(TS\): par)",
                                        });
        // after a restart or exit is decided, the transactions still on the call stack
        // end at once and send nothing
        QCOMPARE(comm->QueryPort("*IDN").isEmpty(), !goesOn);
        QCOMPARE(comm->CommandToPort("X").isEmpty(), !goesOn);
        QCOMPARE(peer->lines().size(), goesOn ? 3 : 1);
        QCOMPARE(app.calls, calls);
    }

    // Ignored once, a silent instrument is not asked about again until a reply comes in;
    // a device that vanishes meanwhile is.
    void ignoredSilence()
    {
        app.ignore = true;
        port->SetResponseTime(150);
        QCOMPARE(comm->CommandToPort("SILENT"), QString());
        QCOMPARE(app.calls, QStringList{"asked"});
        QVERIFY(comm->ReplyMissed());
        QVERIFY(comm->SilenceIgnored());
        QCOMPARE(comm->QueryPort("SILENT"), QString());
        QCOMPARE(comm->QueryPortInt("SILENT"), 0);
        QVERIFY(comm->LineWritten());
        QVERIFY(comm->ReplyMissed());
        QCOMPARE(app.calls, QStringList{"asked"});

        QCOMPARE(comm->QueryPort("*IDN"), QString("KT,7310-12,1234,1.0-2.0"));
        QVERIFY(!comm->ReplyMissed());
        QVERIFY(!comm->SilenceIgnored());
        QCOMPARE(comm->CommandToPort("SILENT"), QString());
        QCOMPARE(app.calls, (QStringList{"asked", "asked"}));
        QVERIFY(comm->SilenceIgnored());

        peer->hangUp();
        QTest::qWait(100);
        QCOMPARE(comm->CommandToPort("A"), QString());
        QCOMPARE(app.calls, (QStringList{"asked", "asked", "asked"}));
        QVERIFY(comm->LinkGone());
        QCOMPARE(peer->lines().size(), 5);
    }

    // The link given up: by the operator's Ignore once the device vanished and cannot be
    // opened again, or without a question while the program ends.
    void linkGiven_data()
    {
        QTest::addColumn<bool>("vanished"); // else silent, and the program ending
        QTest::newRow("device vanished, Ignore: one question") << true;
        QTest::newRow("silent while the program ends: no question") << false;
    }
    void linkGiven()
    {
        QFETCH(bool, vanished);
        app.ignore = true;
        port->SetResponseTime(150);
        comm->ToggleLoggingState();
        QCOMPARE(comm->QueryPort("*IDN"), QString("KT,7310-12,1234,1.0-2.0"));
        if (vanished) {
            peer->hangUp();
            QTest::qWait(100);
            QCOMPARE(comm->CommandToPort("A"), QString());
            QVERIFY(!comm->LineWritten());
            QCOMPARE(app.calls, QStringList{"asked"});
        } else {
            comm->GiveUpOnTimeout = true;
            QCOMPARE(comm->CommandToPort("SILENT"), QString());
            QVERIFY(comm->LineWritten());
            QVERIFY(app.calls.isEmpty());
        }
        QCOMPARE(app.calls.size(), vanished ? 1 : 0);
        QVERIFY(comm->LinkGone());

        // Every transaction now returns at once: nothing on the wire, no question.
        const int logged = int(logLines().size());
        QCOMPARE(comm->QueryPort("*IDN"), QString());
        QCOMPARE(comm->QueryPortInt("NUM"), 0);
        QCOMPARE(comm->CommandToPort("B"), QString());
        QVERIFY(!comm->LineWritten());
        QCOMPARE(app.calls.size(), vanished ? 1 : 0);
        QCOMPARE(peer->lines(),
                 vanished ? QByteArrayList{"*IDN?"} : (QByteArrayList{"*IDN?", "SILENT"}));
        QCOMPARE(logLines().size(), logged);

        // The port opened again (the status poll does it every second) ends the state.
        if (vanished) {
            peer.reset();
            peer = std::make_unique<PtyPeer>(portDir.path(), 1);
            QVERIFY(peer->isValid());
            peer->setResponder(&tst_Communication::instrument);
        }
        QVERIFY(port->Open());
        QVERIFY(!comm->LinkGone());
        QCOMPARE(comm->QueryPort("*IDN"), QString("KT,7310-12,1234,1.0-2.0"));
        QVERIFY(comm->LineWritten());
    }

    void nothingLoggedWhenOff()
    {
        app.ignore = true;
        port->SetResponseTime(100);
        comm->QueryPort("*IDN");
        comm->QueryPortInt("BAD");
        comm->CommandToPort("X");
        comm->QueryPort("SILENT"); // times out
        comm->CommandsDisabled = true;
        comm->CommandToPort("Y");
        QCOMPARE(app.calls, QStringList{"asked"});
        QVERIFY(QDir(workDir.path()).entryList(QDir::Files).isEmpty());
    }

    void unwritableLogFolder()
    {
        // a working folder that no longer exists: nothing can be created in it
        QVERIFY(QDir(workDir.path()).mkdir("gone"));
        QVERIFY(QDir::setCurrent(workDir.path() + "/gone"));
        QVERIFY(QDir(workDir.path()).rmdir("gone"));
        QSignalSpy logging(comm.get(), &Communication::LoggingStateChanged);
        comm->ToggleLoggingState();
        QVERIFY(QDir::setCurrent(workDir.path()));
        QVERIFY(!comm->LoggingEnabled());
        QCOMPARE(dialogs->informations,
                 QStringList{"Log file cannot be written to. Please run program from writable "
                             "location. Logging will be disabled."});
        QCOMPARE(logging.size(), 2);
        QCOMPARE(logging.last()[0].toBool(), false);
        QCOMPARE(comm->QueryPort("*IDN"), QString("KT,7310-12,1234,1.0-2.0"));
    }

    void fullDiskLeavesNoEmptyLog()
    {
        // Files limited to 0 bytes, as a full file system refuses the first line.
        struct rlimit previous = {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
        const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit none = previous;
        none.rlim_cur = 0;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &none) == 0);
        comm->ToggleLoggingState();
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, xfsz);
        QVERIFY(!comm->LoggingEnabled());
        QCOMPARE(dialogs->informations.size(), 1);
        QVERIFY(!QFile::exists(QDir(workDir.path()).filePath(comm->LogFileName())));
    }

    void userName()
    {
        const QByteArray saved = qgetenv("USERNAME");
        qputenv("USERNAME", "operator1");
        QCOMPARE(Communication(*port).UserName, QString("operator1"));
        qunsetenv("USERNAME");
        QVERIFY(!Communication(*port).UserName.isEmpty()); // the login name
        if (!saved.isEmpty())
            qputenv("USERNAME", saved);
        comm->UserName = "../x";
        QVERIFY(!comm->LogFileName().contains('/'));
    }
};

int main(int argc, char **argv)
{
    // A locale with a decimal comma and a dot for grouping, whatever the test runner set.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    tst_Communication test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Communication.moc"
