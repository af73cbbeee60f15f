// Figures for the notes (not a test, not timed by CTest): the calibration readback of a
// 36-channel instrument (the unlock, 8 identity and amplifier queries and 4 x 36 channel
// queries) against its floor of one 30 ms pause plus the instrument's answer time per
// transaction.

#include "ServicePanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    ServicePanel f;
    if (!f.Start({"--model", "7310-36"})) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(f.Emulator->StartError()));
        return 1;
    }
    f.Form.Session->StatusTimer->stop(); // no poll to wait for: the readback alone is measured

    QList<double> totals;
    int transactions = 0;
    for (int run = 0; run <= runs; ++run) {
        const qsizetype before = f.Mark();
        QElapsedTimer timer;
        timer.start();
        f.Service->ServiceInitialize();
        const double ms = timer.nsecsElapsed() / 1e6;
        transactions = int(f.Mark() - before);
        // The first opening also generates the 35 channel pages.
        std::printf("%s: %d transactions, %.1f ms\n", run == 0 ? "first opening" : "readback",
                    transactions, ms);
        if (run > 0)
            totals << ms;
    }
    std::sort(totals.begin(), totals.end());
    const double median = totals[totals.size() / 2];

    // The answer time: one query alone, its 30 ms pause taken off.
    QList<double> single;
    for (int i = 0; i < 40; ++i) {
        QElapsedTimer timer;
        timer.start();
        f.Form.Comm->QueryPort(QByteArrayLiteral(":PULS1:CAL:DEL"));
        single << timer.nsecsElapsed() / 1e6 - 30.0;
    }
    std::sort(single.begin(), single.end());
    const double answer = single[single.size() / 2];
    const double floor = transactions * (30.0 + answer);
    std::printf("readback median of %d: %.1f ms for %d transactions\n", runs, median, transactions);
    std::printf("answer time %.2f ms; floor %d x (30 + %.2f) = %.1f ms; above floor %.2f %%\n",
                answer, transactions, answer, floor, 100.0 * (median - floor) / floor);
    return 0;
}
