// Benchmarks of the reply wait (not a test; run by hand):
//  - CPU time of the waiting thread during a 4 s wait for a silent peer, with and
//    without event dispatch;
//  - what one QueryPort costs beyond its 30 ms pause, against a peer that answers at once.

#include "PtyPeer.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

static double threadCpuMs()
{
    rusage u;
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("KT7310_PORT_DIR", dir.path().toLocal8Bit());
    PtyPeer peer(dir.path(), 1);
    TKTComPort port;
    port.SetShowErrors(false);
    port.SetEndOfResponse("\r");
    port.SetResponseTime(4000);
    port.Open();

    for (bool events : {false, true}) {
        port.SetAllowEvents(events);
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = threadCpuMs();
        port.Read();
        const double cpu = threadCpuMs() - cpu0;
        std::printf("silent 4 s wait, AllowEvents %-5s: wall %lld ms, CPU %.1f ms (%.2f %% of one "
                    "core)\n",
                    events ? "true" : "false", (long long)wall.elapsed(), cpu,
                    100.0 * cpu / double(wall.elapsed()));
    }

    peer.setResponder([](const QByteArray &) { return QList<PtyPeer::Chunk>{{0, "1\r"}}; });
    Communication comm(port);
    for (bool events : {false, true}) {
        port.SetAllowEvents(events);
        std::vector<double> overhead;
        for (int i = 0; i < 100; ++i) {
            QElapsedTimer t;
            t.start();
            comm.QueryPort("X");
            overhead.push_back(t.nsecsElapsed() / 1e6 - 30.0);
        }
        std::sort(overhead.begin(), overhead.end());
        std::printf("QueryPort beyond the 30 ms pause, AllowEvents %-5s: median %.3f ms, "
                    "90th %.3f ms, max %.3f ms\n",
                    events ? "true" : "false", overhead[overhead.size() / 2],
                    overhead[overhead.size() * 9 / 10], overhead.back());
    }
    return 0;
}
