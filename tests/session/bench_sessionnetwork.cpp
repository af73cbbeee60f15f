// Figures for the notes, not a test (run by hand): the session over RFC 2217 through
// ser2net on loopback against the same session on the pseudo-terminal, in one run.
//   36-channel read-back: network time / pseudo-terminal time
//   change to line written: median and worst of 50, from queueing to the echo of the line
//   burst of 3,000 lines: network / pseudo-terminal, and the last 500 against the first 500

#include "Ser2Net.h"
#include "SessionRig.h"
#include "comm/TerminalSink.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {
struct Stamps : TerminalSink
{
    QElapsedTimer Clock;
    QList<qint64> Sent; // when each command line was echoed (it has been written)
    void AppendTerminalLine(const QString &, uint32_t rgb) override
    {
        if (rgb == CommandColor)
            Sent << Clock.nsecsElapsed();
    }
};

struct Figures
{
    double InitMs = 0;
    QList<double> ChangeMs;
    double BurstMs = 0;
    double First500Ms = 0;
    double Last500Ms = 0;
};

Figures Measure(SessionRig &r)
{
    Figures f;
    QElapsedTimer t;
    t.start();
    r.Session.Initialize();
    f.InitMs = t.nsecsElapsed() / 1e6;
    r.Session.StatusTimer->stop();

    Stamps stamps;
    stamps.Clock.start();
    r.Session.Comm->SetTerminal(&stamps);
    if (qEnvironmentVariableIsSet("BENCH_QUICK")) // the read-back only
        return f;
    for (int i = 0; i < 50; ++i) {
        const qint64 queued = stamps.Clock.nsecsElapsed();
        const int before = int(stamps.Sent.size());
        r.Session.QueuedCommandToPort(QStringLiteral(":PULS1:DEL 0.%1").arg(i + 1, 11, 10, QLatin1Char('0')));
        QElapsedTimer wait;
        wait.start();
        while (stamps.Sent.size() == before && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        f.ChangeMs << (stamps.Sent.value(before) - queued) / 1e6;
        while (r.Session.TaskRunning)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(100);
    }

    stamps.Sent.clear();
    r.Session.TaskTimer->stop();
    for (int i = 0; i < 3000; ++i)
        r.Session.QueuedCommandToPort(QStringLiteral(":PULS2:WIDT 0.%1").arg(i + 1, 11, 10, QLatin1Char('0')));
    const qint64 start = stamps.Clock.nsecsElapsed();
    r.Session.ProcessTasks();
    f.BurstMs = (stamps.Clock.nsecsElapsed() - start) / 1e6;
    if (stamps.Sent.size() == 3000) {
        f.First500Ms = (stamps.Sent[500] - stamps.Sent[0]) / 1e6;
        f.Last500Ms = (stamps.Sent[2999] - stamps.Sent[2499]) / 1e6;
    }
    r.Session.Comm->SetTerminal(nullptr);
    return f;
}

double Median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList model{"--model", "7310-36"};

    SessionRig local;
    if (!local.Start(model, false))
        return 1;
    const Figures pty = Measure(local);

    SessionRig net;
    net.Emulator = std::make_unique<TestEmulator>(net.Ports.path(), 1, model);
    Ser2Net server(Ser2Net::Rfc2217, QFileInfo(net.LinkPath()).symLinkTarget());
    if (!net.Emulator->IsReady() || !server.Start())
        return 1;
    PortName name;
    PortName::Parse(server.PortName(), name);
    net.Session.ComPort->SetShowErrors(false);
    net.Session.ComPort->SetLocation(name);
    InstrumentScanner scanner(*net.Session.Comm);
    if (!scanner.Find(net.Session.Identity))
        return 1;
    net.Session.ComPort->SetResponseTime(4000);
    net.Session.ComPort->SetAllowEvents(true);
    const Figures rfc = Measure(net);

    std::printf("36-channel read-back: pty %.0f ms, rfc2217 %.0f ms, ratio %.3f (goal <= 1.02)\n",
                pty.InitMs, rfc.InitMs, rfc.InitMs / pty.InitMs);
    if (qEnvironmentVariableIsSet("BENCH_QUICK"))
        return 0;
    std::printf("change to line written: pty median %.1f ms, rfc2217 median %.1f ms, worst %.1f ms "
                "(goal median <= 40)\n",
                Median(pty.ChangeMs), Median(rfc.ChangeMs),
                *std::max_element(rfc.ChangeMs.begin(), rfc.ChangeMs.end()));
    std::printf("burst of 3000: pty %.0f ms, rfc2217 %.0f ms, ratio %.3f (goal <= 1.02); rfc2217 "
                "last 500 %.0f ms vs first 500 %.0f ms (%.1f %%)\n",
                pty.BurstMs, rfc.BurstMs, rfc.BurstMs / pty.BurstMs, rfc.Last500Ms,
                rfc.First500Ms, 100.0 * (rfc.Last500Ms - rfc.First500Ms) / rfc.First500Ms);
    return 0;
}
