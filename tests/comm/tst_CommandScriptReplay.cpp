#include "PtyPeer.h"
#include "ScriptedDialogs.h"
#include "comm/CommandScriptReplay.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "comm/TerminalSink.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
struct RecordingTerminal : TerminalSink
{
    QStringList lines;
    void AppendTerminalLine(const QString &line, uint32_t) override
    {
        // without the time stamp
        lines.append(line.mid(line.indexOf(u')') + 2));
    }
};
} // namespace

// A script replayed to a peer on a pseudo-terminal: what reaches the wire, in what order,
// and what the window may do between two lines.
class tst_CommandScriptReplay : public QObject
{
    Q_OBJECT

    QTemporaryDir portDir;
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<TKTComPort> port;
    std::unique_ptr<Communication> comm;
    ScriptedDialogs dialogs;
    RecordingTerminal terminal;

private slots:
    void initTestCase()
    {
        QVERIFY(portDir.isValid());
        qputenv("KT7310_PORT_DIR", portDir.path().toLocal8Bit());
    }

    void init()
    {
        peer = std::make_unique<PtyPeer>(portDir.path(), 1);
        QVERIFY(peer->isValid());
        peer->setResponder([](const QByteArray &line) -> QList<PtyPeer::Chunk> {
            return {{0, line.startsWith("BAD") ? "ERR 1: unknown\r" : "OK\r"}};
        });
        port = std::make_unique<TKTComPort>();
        port->SetShowErrors(false);
        port->SetAllowEvents(true);
        port->SetEndOfResponse("\r");
        port->SetResponseTime(1000);
        port->SetPort(1);
        QVERIFY(port->Open());
        comm = std::make_unique<Communication>(*port);
        comm->SetTerminal(&terminal);
        terminal.lines.clear();
    }
    void cleanup()
    {
        comm.reset();
        port.reset();
        peer.reset();
    }

    void sendsCommandLinesOnly()
    {
        const QStringList script{"// 12/10/2026,14:03:07",
                                 "*CFG 0 1 2",
                                 ":PULS1:DEL 0.1 // not sent at all",
                                 "",
                                 "BAD line",
                                 QString::fromUtf8(":SYST:NAME \u00B5s"),
                                 "  *SAV 3 ",
                                 "http://example"};
        CommandScriptReplay replay(*comm);
        QList<int> progress;
        replay.OnProgress = [&](int done, int count) {
            QCOMPARE(count, int(script.size()));
            QVERIFY(replay.Running());
            progress << done;
        };
        QCOMPARE(replay.Run(script), 5);
        QVERIFY(!replay.Running());
        QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        // unchanged, in order, an error reply not stopping the rest; 8-bit text is Latin-1
        QVERIFY(peer->waitForLines(5, 2000));
        QCOMPARE(peer->lines(),
                 (QByteArrayList{"*CFG 0 1 2", "", "BAD line", ":SYST:NAME \xB5s", "  *SAV 3 "}));
        QCOMPARE(terminal.lines,
                 (QStringList{"*CFG 0 1 2", "OK", "", "OK", "BAD line", "ERR 1: unknown",
                              QString::fromUtf8(":SYST:NAME \u00B5s"), "OK", "  *SAV 3", "OK"}));
    }

    void ownCopyAndEventsBetweenLines()
    {
        QStringList settings{"*RCL 1", "*RCL 2", "*RCL 3"};
        CommandScriptReplay replay(*comm);
        // what an initialization run from a handler during the replay would do to the list
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            settings = QStringList{"*CFG 9 rebuilt"};
        });
        timer.start(0);
        replay.Run(settings);
        QVERIFY(ticks >= 2); // events are processed between the lines
        QCOMPARE(peer->lines(), (QByteArrayList{"*RCL 1", "*RCL 2", "*RCL 3"}));
    }

    void abandoned_data()
    {
        QTest::addColumn<bool>("portAbandoned");
        QTest::newRow("replay abandoned") << false;
        QTest::newRow("program ending") << true;
    }
    void abandoned()
    {
        QFETCH(bool, portAbandoned);
        CommandScriptReplay replay(*comm);
        replay.OnProgress = [&](int done, int) {
            if (done == 2)
                portAbandoned ? port->Abandon() : replay.Abandon();
        };
        QCOMPARE(replay.Run({"*SAV 1", "*SAV 2", "*SAV 3", "*SAV 4"}), 2);
        QCOMPARE(peer->lines(), (QByteArrayList{"*SAV 1", "*SAV 2"}));
        if (!portAbandoned) {
            // a new run starts afresh
            replay.OnProgress = nullptr;
            QCOMPARE(replay.Run({"*SAV 5"}), 1);
            QVERIFY(peer->waitForLines(3, 2000));
        }
    }

    void portVanishes()
    {
        port->SetOnTimeout([this](QObject *) { comm->CommunicationTimeout(); });
        int asked = 0;
        comm->OnReplyMissing = [&asked] {
            ++asked;
            return true; // Ignore
        };
        dialogs.warnings.clear();
        dialogs.informations.clear();
        CommandScriptReplay replay(*comm);
        replay.OnProgress = [&](int done, int) {
            if (done == 2)
                peer->hangUp();
        };
        // One question, then the rest is not tried: the line whose write failed and the
        // one after it (the comment does not count). Two lines went out.
        QCOMPARE(replay.Run({"*SAV 1", "*SAV 2", "// note", "*SAV 3", "*SAV 4"}), 2);
        QCOMPARE(asked, 1);
        comm->OnReplyMissing = nullptr;
        QCOMPARE(dialogs.informations, QStringList{"2 commands were not sent."});
        QCOMPARE(peer->lines(), (QByteArrayList{"*SAV 1", "*SAV 2"}));
        QVERIFY(!replay.Running());
    }
};

QTEST_GUILESS_MAIN(tst_CommandScriptReplay)
#include "tst_CommandScriptReplay.moc"
