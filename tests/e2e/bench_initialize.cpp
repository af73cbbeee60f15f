// Figures for the notes (not a test, not timed by CTest): the initialization of a
// 36-channel instrument against its floor of 48 transactions of 30 ms plus the
// instrument's answer time, and the resident memory it leaves.

#include "PanelFixture.h"
#include "ResidentMemory.h"
#include "comm/TKTComPort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-36"});
    if (!emulator->IsReady()) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(emulator->StartError()));
        return 1;
    }
    TMainForm &form = *p.Form;
    form.show();
    form.FormCreate();
    form.LaunchTimer->stop(); // the runs below stand in for it
    const long beforeKiB = ResidentKiB();

    QList<double> totals;
    for (int run = 0; run < runs; ++run) {
        const int before = emulator->Received().size();
        QElapsedTimer timer;
        timer.start();
        form.Session->ReinitializePending = true;
        form.Session->Initialize();
        form.Session->ReinitializePending = false;
        totals << timer.nsecsElapsed() / 1e6;
        const int transactions = emulator->Received().size() - before;
        std::printf("run %d: %d transactions, %.1f ms\n", run + 1, transactions, totals.last());
    }
    std::sort(totals.begin(), totals.end());
    const double median = totals[totals.size() / 2];

    // The answer time: one query alone, its 30 ms pause taken off.
    QList<double> single;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        form.Session->ParseChannelParameters(1);
        single << timer.nsecsElapsed() / 1e6 - 30.0;
    }
    std::sort(single.begin(), single.end());
    const double answer = single[single.size() / 2];
    const double floor = 48 * (30.0 + answer);
    std::printf("median initialization: %.1f ms; floor 48 x (30 ms + %.2f ms answer) = %.1f ms; "
                "%.1f %% above the floor\n",
                median, answer, floor, (median / floor - 1) * 100);
    std::printf("resident memory: %ld KiB before the first initialization, %ld KiB after "
                "%d initializations of 36 channels\n",
                beforeKiB, ResidentKiB(), runs);

    // What the first run spends beyond the transactions: generating the channel tabs.
    TMainForm other;
    other.show();
    other.Session->ChannelCount = 36;
    QElapsedTimer tabs;
    tabs.start();
    other.CreateChannelTabs();
    const double createMs = tabs.nsecsElapsed() / 1e6;
    QCoreApplication::processEvents();
    std::printf("generating 35 channel tabs: %.1f ms, and %.1f ms to lay them out and paint\n",
                createMs, tabs.nsecsElapsed() / 1e6 - createMs);
    return 0;
}
