// Figures for the notes (not a test, not timed by CTest): restoring the settings file of a
// 36-channel instrument, from the open dialog's answer to "Settings loaded.", against its
// floor: every command line of the file takes 60 ms (the replay's 30 ms pause and the
// transaction's own), and the read-back after it 48 transactions of 30 ms plus the
// instrument's answer time.

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir work;
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-36"});
    if (!emulator->IsReady()) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(emulator->StartError()));
        return 1;
    }
    TMainForm &form = *p.Form;
    form.show();
    form.FormCreate();
    form.LaunchTimerTimer();
    const QString file = QDir(work.path()).filePath(QStringLiteral("settings36.txt"));
    p.Dialogs.fileAnswers = {file};
    form.SaveToFile1Click();
    if (!p.Errors.Texts.isEmpty() || !QFile::exists(file)) {
        std::fprintf(stderr, "the settings file was not saved\n");
        return 1;
    }
    int commandLines = 0;
    for (const QString &line : form.Session->SettingsList)
        commandLines += line.contains(QLatin1String("//")) ? 0 : 1;

    QList<double> totals;
    for (int run = 0; run < runs; ++run) {
        // The poll would add its queries between the lines: measured without it.
        form.Session->StatusTimer->stop();
        p.Dialogs.fileAnswers = {file};
        const int before = int(emulator->Received().size());
        QElapsedTimer timer;
        timer.start();
        form.RestoreSettingsFromFile1Click();
        totals << timer.nsecsElapsed() / 1e6;
        std::printf("run %d: %d lines on the wire, %.1f ms%s\n", run + 1,
                    int(emulator->Received().size()) - before, totals.last(),
                    p.Dialogs.informations.value(p.Dialogs.informations.size() - 1) ==
                            QLatin1String("Settings loaded.")
                        ? ""
                        : " (no \"Settings loaded.\")");
    }
    std::sort(totals.begin(), totals.end());
    const double median = totals[totals.size() / 2];

    // The read-back alone, to tell the replay's share.
    QList<double> inits;
    for (int run = 0; run < runs; ++run) {
        form.Session->StatusTimer->stop();
        QElapsedTimer timer;
        timer.start();
        form.Session->Initialize();
        inits << timer.nsecsElapsed() / 1e6;
    }
    std::sort(inits.begin(), inits.end());
    const double initMedian = inits[inits.size() / 2];

    // The answer time: one query alone, its 30 ms pause taken off.
    form.Session->StatusTimer->stop();
    QList<double> single;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        form.Session->ParseChannelParameters(1);
        single << timer.nsecsElapsed() / 1e6 - 30.0;
    }
    std::sort(single.begin(), single.end());
    const double answer = single[single.size() / 2];
    // The file's command lines sent by bare transactions, each after a plain 30 ms pause:
    // the floor with the instrument's real answer time for each line.
    QStringList commands;
    for (const QString &line : CommandScript::Read(file).Lines)
        if (!CommandScript::IsComment(line))
            commands << line;
    QList<double> bare;
    for (int run = 0; run < runs; ++run) {
        form.Session->StatusTimer->stop();
        QElapsedTimer timer;
        timer.start();
        for (const QString &line : commands) {
            QThread::msleep(30);
            form.Comm->CommandToPort(line.toLatin1());
        }
        bare << timer.nsecsElapsed() / 1e6;
    }
    std::sort(bare.begin(), bare.end());
    const double bareMedian = bare[bare.size() / 2];
    const double initFloor = 48 * (30.0 + answer);
    const double floor = commandLines * 60.0 + initFloor;
    std::printf("median restore: %.1f ms for %d command lines; floor %d x 60 ms + 48 x (30 ms + "
                "%.2f ms answer) = %.1f ms; %.1f %% above the floor\n",
                median, commandLines, commandLines, answer, floor, (median / floor - 1) * 100);
    std::printf("of which the read-back %.1f ms (floor %.1f ms) and the replay %.1f ms (floor %.1f "
                "ms, %.1f %% above)\n",
                initMedian, initFloor, median - initMedian, commandLines * 60.0,
                ((median - initMedian) / (commandLines * 60.0) - 1) * 100);
    std::printf("the same %d lines by bare transactions: %.1f ms (%.2f ms answer per line); the "
                "replay with its events %.1f %% above them\n",
                int(commands.size()), bareMedian, bareMedian / commands.size() - 60.0,
                ((median - initMedian) / bareMedian - 1) * 100);
    const double wireFloor = bareMedian + initFloor;
    std::printf("against the floor with each line's answer time: %.1f ms; %.1f %% above\n",
                wireFloor, (median / wireFloor - 1) * 100);
    return 0;
}
