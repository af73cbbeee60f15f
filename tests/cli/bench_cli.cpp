// Figures for the notes (not a test, not timed by CTest): kt7310 save of a 36-channel
// instrument against the floor of its 48 configuration transactions (30 ms each plus the
// instrument's answer time), and kt7310 find with the instrument on COM1 at 115200.
//   bench_cli [RUNS]

#include "TestEmulator.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <algorithm>
#include <cstdio>

namespace {
double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

double RunMs(const QStringList &arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(QStringLiteral(KT7310_CLI_PATH), arguments);
    process.waitForFinished(60000);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "kt7310 %s: exit %d\n", qPrintable(arguments.join(' ')),
                     process.exitCode());
    return timer.nsecsElapsed() / 1e6;
}

// From the transcript: the milliseconds from the system record's query to the reply to
// the last channel record, for the last save.
double ReadbackSpanMs(const QString &transcriptPath, int channels)
{
    QFile file(transcriptPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    QTime first;
    QTime last;
    const QByteArray lastQuery = "RX *CFG?" + QByteArray::number(channels) + '?';
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const QTime at = QTime::fromString(QString::fromLatin1(line.left(12)), "HH:mm:ss.zzz");
        if (line.mid(13) == "RX *CFG? 0?")
            first = at;
        if (line.mid(13) == lastQuery && i + 1 < lines.size())
            last = QTime::fromString(QString::fromLatin1(lines[i + 1].left(12)), "HH:mm:ss.zzz");
    }
    return first.msecsTo(last);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir dir;
    PortDirectory ports(dir.path());
    TestEmulator emulator(dir.path(), 1, {"--model", "7310-36"});
    if (!emulator.IsReady()) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(emulator.StartError()));
        return 1;
    }

    // The instrument's answer time, as one transaction sees it beyond its 30 ms pause:
    // waiting with window messages dispatched, as the tool and the window wait, and (for
    // comparison) blocked in the port, as the scan waits.
    auto answerMs = [](bool allowEvents) {
        TKTComPort port;
        port.SetPort(1);
        port.SetBaud(115200);
        port.SetEndOfResponse("\r");
        port.SetResponseTime(4000);
        port.SetAllowEvents(allowEvents);
        Communication comm(port);
        QList<double> single;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer timer;
            timer.start();
            comm.QueryPort("*CFG?1");
            single << timer.nsecsElapsed() / 1e6 - 30.0;
        }
        return Median(single);
    };
    const double answer = answerMs(true);
    const double blockedAnswer = answerMs(false);
    const double floor = 48 * (30.0 + answer);

    const QString file = dir.filePath("saved.txt");
    QList<double> given;
    QList<double> scanned;
    QList<double> spans;
    for (int run = 0; run < runs; ++run) {
        given << RunMs({"save", file, "--port", "1", "--baud", "115200"});
        spans << ReadbackSpanMs(dir.filePath("transcript-COM1.txt"), 36);
        scanned << RunMs({"save", file});
    }
    std::printf("kt7310 save, 36 channels (median of %d): %.1f ms with --port/--baud, %.1f ms "
                "with the scan;\n  the 48 configuration transactions within it: %.0f ms; floor "
                "48 x (30 ms + %.2f ms answer) = %.1f ms; %.1f %% above the floor\n"
                "  (the whole process: %.1f %% above the floor; a blocking wait answers in "
                "%.2f ms, a floor of %.1f ms)\n",
                runs, Median(given), Median(scanned), Median(spans), answer, floor,
                (Median(spans) / floor - 1) * 100, (Median(given) / floor - 1) * 100, blockedAnswer,
                48 * (30.0 + blockedAnswer));

    QList<double> finds;
    for (int run = 0; run < runs; ++run)
        finds << RunMs({"find"});
    std::printf("kt7310 find, instrument on COM1 at 115200 (median of %d): %.1f ms\n", runs,
                Median(finds));
    return 0;
}
