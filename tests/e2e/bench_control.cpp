// Figures for the notes (not a test, not timed by CTest):
//   latency   a command queued on an idle port to its line written, 100 changes
//   burst     N commands queued at once (default 10000): all received in order, total
//             time against N x (30 ms pause + the emulator's reply time); with
//             "noterminal" the lines are not echoed in the window's terminal
//   idle      CPU of the real program (KT7310_GUI) on a 36-channel emulator with the
//             status poll running, over S seconds (default 60)
//   paired    the queue against bare transactions in alternating blocks of 100, B blocks
//             (default 20): the queue's own cost, however busy the machine is
//   bare      N bare transactions (default 10000): the pace of the first and last 500
//   tick      CPU of the panel in this process idling after a change, with and without
//             the task tick running, S seconds each (default 20)
// Usage: bench_control [latency] [burst [N] [noterminal]] [idle [S]] [tick [S]] [paired [B]]
//                      [bare [N]]
//        (no argument: latency, burst and idle)

#include "ControlPanel.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "comm/TerminalSink.h"
#include "ui/main/TResponseList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <sys/resource.h>
#include <unistd.h>

namespace {
// Time stamps of the command lines as the transactions write them.
struct StampingTerminal : TerminalSink
{
    QElapsedTimer Clock;
    QList<qint64> CommandNs;
    TerminalSink *Next = nullptr; // the window's terminal, when it is to be drawn too
    void AppendTerminalLine(const QString &line, uint32_t rgb) override
    {
        if (rgb == CommandColor)
            CommandNs << Clock.nsecsElapsed();
        if (Next)
            Next->AppendTerminalLine(line, rgb);
    }
};

double Percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min<qsizetype>(values.size() - 1, qsizetype(p * (values.size() - 1) + 0.5))];
}

int Latency()
{
    ControlPanel c;
    if (!c.Start())
        return 1;
    c.Form.Session->StatusTimer->stop(); // the port idle between changes
    StampingTerminal terminal;
    terminal.Clock.start();
    c.Form.Comm->SetTerminal(&terminal);
    QList<double> ms;
    for (int i = 0; i < 100; ++i) {
        // a change at a random moment of the task tick's cycle
        QTest::qWait(20 + QRandomGenerator::global()->bounded(10));
        const qint64 t0 = terminal.Clock.nsecsElapsed();
        const int before = int(terminal.CommandNs.size());
        c.Form.Session->QueuedCommandToPort(
            QStringLiteral(":PULS2:DEL 0.%1").arg(i * 25, 11, 10, QChar('0')));
        QDeadlineTimer deadline(5000);
        while ((terminal.CommandNs.size() == before || c.Form.Session->TaskRunning) &&
               !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (terminal.CommandNs.size() == before)
            return 1;
        ms << (terminal.CommandNs[before] - t0) / 1e6;
    }
    std::printf("latency (queued to line written, port idle), 100 changes: median %.1f ms, "
                "p90 %.1f ms, max %.1f ms\n",
                Percentile(ms, 0.5), Percentile(ms, 0.9), Percentile(ms, 1.0));
    return 0;
}

int Burst(int count, bool withTerminal)
{
    ControlPanel c;
    if (!c.Start())
        return 1;
    c.Form.Session->StatusTimer->stop();
    // The floor's reply time: one command alone, its 30 ms pause taken off.
    QList<double> single;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        c.Form.Comm->CommandToPort(":PULS3:DEL 0.00000000250");
        single << t.nsecsElapsed() / 1e6 - 30.0;
    }
    // the mean, as the burst's total is a sum: the slow ones count too
    const double replyMs = std::accumulate(single.begin(), single.end(), 0.0) / single.size();

    StampingTerminal terminal;
    terminal.Clock.start();
    if (withTerminal)
        terminal.Next = c.Form.ResponseList;
    c.Form.Comm->SetTerminal(&terminal);
    const int mark = c.ReceivedCount();
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral(":PULS2:WIDT 0.%1").arg((1000 + i) * 25, 11, 10, QChar('0'));
    QElapsedTimer t;
    t.start();
    for (const QString &line : lines)
        c.Form.Session->QueuedCommandToPort(line);
    const double queuedMs = t.nsecsElapsed() / 1e6;
    while (c.Form.Session->CommandsQueued || c.Form.Session->TaskRunning)
        QTest::qWait(5);
    const double totalMs = t.nsecsElapsed() / 1e6;
    QTest::qWait(200);
    const QStringList received = c.ReceivedFrom(mark);
    const double floorMs = count * (30.0 + replyMs);
    // The pace at the start and at the end of the burst, per command.
    const auto pace = [&](int from, int n) {
        return (terminal.CommandNs[from + n - 1] - terminal.CommandNs[from]) / 1e6 / (n - 1);
    };
    const int n = std::min(500, count / 2);
    if (terminal.CommandNs.size() >= count && n > 1)
        std::printf("pace: first %d commands %.2f ms each, last %d %.2f ms each\n", n, pace(0, n),
                    n, pace(count - n, n));
    std::printf("burst of %d (%s): queued in %.1f ms; received %lld, in order: %s; total %.0f ms, "
                "floor %d x (30 + %.2f) ms = %.0f ms, ratio %.3f\n",
                count, withTerminal ? "echoed in the window's terminal" : "no terminal", queuedMs,
                qlonglong(received.size()), received == lines ? "yes" : "NO", totalMs, count,
                replyMs, floorMs, totalMs / floorMs);
    return received == lines ? 0 : 1;
}

// N bare transactions, no queue and no terminal: the pace of the first and last 500,
// so that a cost growing in the link itself (the port, the emulator) is told apart from
// one in the panel.
int Bare(int count)
{
    ControlPanel c;
    if (!c.Start())
        return 1;
    c.Form.Session->StatusTimer->stop();
    QList<qint64> ns;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        c.Form.Comm->CommandToPort(
            QStringLiteral(":PULS2:WIDT 0.%1").arg((1000 + i) * 25, 11, 10, QChar('0')).toLatin1());
        ns << t.nsecsElapsed();
    }
    const int n = std::min(500, count / 2);
    const auto pace = [&](int from) { return (ns[from + n - 1] - ns[from]) / 1e6 / (n - 1); };
    std::printf("bare transactions: %d, first %d %.2f ms each, last %d %.2f ms each\n", count, n,
                pace(0), n, pace(count - n));
    return 0;
}

// The queue against the bare transactions in alternating blocks of 100, so that a
// machine busy with other work slows both alike.
int Paired(int blocks)
{
    ControlPanel c;
    if (!c.Start())
        return 1;
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    QStringList queued;
    double directMs = 0, queueMs = 0;
    for (int b = 0; b < blocks; ++b) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 100; ++i)
            c.Form.Comm->CommandToPort(":PULS3:DEL 0.00000000250");
        directMs += t.nsecsElapsed() / 1e6;
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << QStringLiteral(":PULS2:WIDT 0.%1")
                         .arg((1000 + b * 100 + i) * 25, 11, 10, QChar('0'));
        queued += lines;
        t.restart();
        for (const QString &line : lines)
            c.Form.Session->QueuedCommandToPort(line);
        while (c.Form.Session->CommandsQueued || c.Form.Session->TaskRunning)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        queueMs += t.nsecsElapsed() / 1e6;
    }
    QStringList received;
    for (const QString &line : c.ReceivedFrom(mark))
        if (line.startsWith(":PULS2:"))
            received << line;
    const int n = blocks * 100;
    std::printf("paired blocks of 100, %d commands each way: bare transactions %.2f ms each "
                "(30 ms pause + %.2f ms), through the queue %.2f ms each; ratio %.3f; "
                "queued lines received in order: %s\n",
                n, directMs / n, directMs / n - 30.0, queueMs / n, queueMs / directMs,
                received == queued ? "yes" : "NO");
    return received == queued ? 0 : 1;
}

// utime + stime of a process, in clock ticks.
qint64 CpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray all = stat.readAll();
    const QList<QByteArray> fields = all.mid(all.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong(); // fields 14, 15
}

int Idle(int seconds)
{
    QTemporaryDir ports;
    TestEmulator emulator(ports.path(), 1, {"--model", "7310-36"});
    if (!emulator.IsReady())
        return 1;
    QProcess gui;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KT7310_PORT_DIR", ports.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    gui.setProcessEnvironment(env);
    gui.setWorkingDirectory(ports.path());
    gui.start(QStringLiteral(KT7310_GUI_PATH), {});
    if (!gui.waitForStarted(5000))
        return 1;
    // filled and polling: two polls seen
    QDeadlineTimer ready(60000);
    while (emulator.Received().count(":PULS0:STAT?") < 2 && !ready.hasExpired())
        QTest::qWait(200);
    const int pollsBefore = int(emulator.Received().count(":PULS0:STAT?"));
    const qint64 before = CpuTicks(gui.processId());
    QElapsedTimer t;
    t.start();
    QTest::qWait(seconds * 1000);
    const qint64 after = CpuTicks(gui.processId());
    const double wallS = t.nsecsElapsed() / 1e9;
    const int polls = int(emulator.Received().count(":PULS0:STAT?")) - pollsBefore;
    const double cpuS = double(after - before) / double(::sysconf(_SC_CLK_TCK));
    std::printf("idle CPU of KT7310_GUI (7310-36, poll running): %.2f s of CPU in %.1f s = "
                "%.2f %% of one core; %d polls\n",
                cpuS, wallS, 100.0 * cpuS / wallS, polls);
    gui.terminate();
    if (!gui.waitForFinished(5000))
        gui.kill();
    return 0;
}
// CPU of this process while the panel idles with the status poll running, once after a
// change (the task tick as the change left it) and once with the task tick stopped.
int Tick(int seconds)
{
    ControlPanel c;
    if (!c.Start({"--model", "7310-36"}))
        return 1;
    const auto cpuSeconds = [] {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    c.Form.Session->QueuedCommandToPort(":PULS0:STAT OFF");
    QTest::qWait(500);
    const auto measure = [&](const char *what) {
        const bool ticking = c.Form.Session->TaskTimer->isActive();
        const double before = cpuSeconds();
        QElapsedTimer t;
        t.start();
        QEventLoop idle; // no polling of its own, as the program's message loop
        QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
        idle.exec();
        const double cpu = cpuSeconds() - before;
        std::printf("in-process idle, %s (task timer %s): %.3f s of CPU in %.1f s = %.3f %% of "
                    "one core\n",
                    what, ticking ? "running" : "stopped", cpu, t.nsecsElapsed() / 1e9,
                    100.0 * cpu / (t.nsecsElapsed() / 1e9));
    };
    measure("after a change");
    c.Form.Session->TaskTimer->stop();
    measure("the tick stopped by hand");
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool all = args.isEmpty();
    const auto number = [&](const QString &name, int fallback) {
        const int i = int(args.indexOf(name));
        return i >= 0 && i + 1 < args.size() && args[i + 1].toInt() > 0 ? args[i + 1].toInt()
                                                                        : fallback;
    };
    int rc = 0;
    if (all || args.contains("latency"))
        rc |= Latency();
    if (all || args.contains("burst"))
        rc |= Burst(number("burst", 10000), !args.contains("noterminal"));
    if (args.contains("paired"))
        rc |= Paired(number("paired", 20));
    if (args.contains("bare"))
        rc |= Bare(number("bare", 10000));
    if (args.contains("tick"))
        rc |= Tick(number("tick", 20));
    if (all || args.contains("idle"))
        rc |= Idle(number("idle", 60));
    return rc;
}
