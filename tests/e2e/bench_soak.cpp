// Soak run for the notes (not a test): the panel against the emulator for a long time,
// with random operator changes at 10 per second on random channels and pages, the status
// poll running, and a Refresh and a storage-bin recall every minute.
//
// At the end the panel's communication log and the emulator's transcript must hold the
// same lines in the same order (nothing lost, nothing reordered, nothing extra), every
// change made while commands were accepted must be one setting line on the wire, and the
// resident memory must grow by less than 1 MB after the first minute.
//
//   QT_QPA_PLATFORM=offscreen bench_soak [minutes=30] [model=7310-36] [seed=7310]

#include "PanelFixture.h"
#include "ResidentMemory.h"
#include "comm/Communication.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TResponseList.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <functional>

namespace {

// The operator brings a control into view: a click on each tab it lies on, outermost first.
void ShowPagesOf(QWidget *control)
{
    QList<QPair<TPageControl *, QWidget *>> pages;
    for (QWidget *w = control; w && w->parentWidget(); w = w->parentWidget())
        for (QWidget *up = w->parentWidget(); up; up = up->parentWidget())
            if (auto *pc = qobject_cast<TPageControl *>(up); pc && pc->IndexOf(w) >= 0) {
                pages.prepend({pc, w});
                break;
            }
    for (const auto &[pc, page] : pages)
        if (pc->ActivePage() != page)
            QTest::mouseClick(pc->TabButton(pc->IndexOf(page)), Qt::LeftButton);
}

// A new value for a field, on its grid and different from the present one.
void ChangeField(TPlusSpinEdit *edit, QRandomGenerator &random)
{
    const double step = edit->Increment() > 0 ? edit->Increment() : 1.0;
    const double span = qMin(edit->MaxValue() - edit->MinValue(), step * 100000.0);
    double v = edit->MinValue() + step * double(random.bounded(qMax(1, int(span / step))));
    if (v == edit->Value())
        v = v + step <= edit->MaxValue() ? v + step : edit->MinValue();
    edit->AssignValue(v);
}

// An item other than the selected one, chosen with an arrow key as the operator does.
void ChangeList(TComboBox *list)
{
    if (list->count() < 2)
        return;
    list->setFocus();
    QTest::keyClick(list, list->currentIndex() + 1 < list->count() ? Qt::Key_Down : Qt::Key_Up);
}

// The lines a log or transcript shows as sent to the instrument, in order.
QStringList SentLinesOfLog(const QString &fileName)
{
    QFile file(fileName);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).chopped(raw.endsWith('\r') ? 1 : 0);
        if (line.startsWith(QLatin1String("Sent    (")))
            lines << line.section(QLatin1String("): "), 1);
    }
    return lines;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30.0;
    const QString model = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("7310-36");
    QRandomGenerator random(argc > 3 ? quint32(std::atoi(argv[3])) : 7310u);

    // The log file goes to the working folder: a scratch one.
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", model});
    if (!emulator->IsReady()) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(emulator->StartError()));
        return 1;
    }
    TMainForm &form = *p.Form;
    form.LogSwitch = true;
    form.FormCreate();
    form.LaunchTimerTimer();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    int changes = 0;        // changes made while commands were accepted
    int droppedChanges = 0; // made during an initialization: dropped by design
    int refreshes = 0;
    int recalls = 0;
    long rssAfterMinute = -1;
    // The terminal view keeps its newest TResponseList::MaxLines lines, about 600 bytes a
    // line with its layout: the memory it takes until full is bounded, not a leak. The
    // growth from the moment it is full shows what does keep growing.
    long rssTerminalFull = -1;
    double terminalFullMinute = -1;
    QElapsedTimer clock;
    clock.start();
    const qint64 runMs = qint64(minutes * 60000.0);

    const int channels = form.Session->ChannelCount;
    auto change = [&] {
        const int ch = 1 + int(random.bounded(channels));
        const bool accepted = !form.Comm->CommandsDisabled;
        const int before = form.Session->QueueCount;
        switch (random.bounded(9)) {
        case 0:
            ShowPagesOf(form.ChDelayAdj[ch]);
            ChangeField(form.ChDelayAdj[ch], random);
            break;
        case 1:
            ShowPagesOf(form.ChWidthAdj[ch]);
            ChangeField(form.ChWidthAdj[ch], random);
            break;
        case 2:
            ShowPagesOf(form.ChModeSel[ch]);
            ChangeList(form.ChModeSel[ch]);
            break;
        case 3:
            ShowPagesOf(form.ChPolaritySel[ch]);
            ChangeList(form.ChPolaritySel[ch]);
            break;
        case 4:
            ShowPagesOf(form.ChAmplitudeAdj[ch]);
            ChangeField(form.ChAmplitudeAdj[ch], random);
            break;
        case 5:
            ShowPagesOf(form.ChBurstAdj[ch]);
            ChangeField(form.ChBurstAdj[ch], random);
            break;
        case 6:
            ShowPagesOf(form.ChEnablebox[ch]);
            QTest::mouseClick(form.ChEnablebox[ch], Qt::LeftButton);
            break;
        case 7:
            ShowPagesOf(form.PeriodAdj);
            ChangeField(form.PeriodAdj, random);
            break;
        case 8:
            ShowPagesOf(form.SystemModeSel);
            ChangeList(form.SystemModeSel);
            break;
        }
        if (rssTerminalFull < 0 &&
            form.ResponseList->document()->blockCount() >= TResponseList::MaxLines) {
            rssTerminalFull = ResidentKiB();
            terminalFullMinute = clock.elapsed() / 60000.0;
        }
        // What the handler queued tells whether the action was a change at all.
        if (form.Session->QueueCount > before)
            ++changes;
        else if (!accepted)
            ++droppedChanges;
        // The shot counter's page now and then, so the poll asks for the count too.
        if (random.bounded(50) == 0)
            QTest::mouseClick(form.SystemPageControl->TabButton(2), Qt::LeftButton);
    };

    QTimer changeTimer;
    changeTimer.setInterval(100);
    QObject::connect(&changeTimer, &QTimer::timeout, change);
    QTimer minuteTimer;
    minuteTimer.setInterval(60000);
    QObject::connect(&minuteTimer, &QTimer::timeout, [&] {
        if (rssAfterMinute < 0)
            rssAfterMinute = ResidentKiB();
        form.RefreshMenu->trigger(); // Refresh
        ++refreshes;
        QTimer::singleShot(30000, [&] {
            if (auto *item = form.findChild<QAction *>(QStringLiteral("BinRestore1"))) {
                item->trigger();
                ++recalls;
            }
        });
    });
    changeTimer.start();
    minuteTimer.start();

    QTimer progress;
    progress.setInterval(60000);
    QObject::connect(&progress, &QTimer::timeout, [&] {
        std::fprintf(stderr, "%5.1f min: %d changes, RSS %ld KiB\n", clock.elapsed() / 60000.0,
                     changes, ResidentKiB());
    });
    progress.start();

    while (clock.elapsed() < runMs)
        QTest::qWait(200);
    changeTimer.stop();
    minuteTimer.stop();
    progress.stop();

    // Let the queue drain and the last poll end, then stop the poll.
    QElapsedTimer drain;
    drain.start();
    while ((form.Session->QueueCount > 0 || form.Session->TaskRunning || form.Session->RecallPending ||
            form.Session->ReinitializePending) &&
           drain.elapsed() < 120000)
        QTest::qWait(50);
    form.Session->SetStatusTimerEnabled(false);
    QTest::qWait(1500);
    const long rssEnd = ResidentKiB();

    const QStringList logged = SentLinesOfLog(form.Comm->LogFileName());
    QStringList received = emulator->Received();
    // The scan's identification questions come before the log exists.
    const qsizetype skip = received.size() - logged.size();
    const QStringList tail = skip >= 0 ? received.mid(skip) : received;
    qsizetype firstDifference = -1;
    for (qsizetype i = 0; i < qMin(tail.size(), logged.size()); ++i)
        if (tail[i] != logged[i]) {
            firstDifference = i;
            break;
        }
    int settingLines = 0;
    for (const QString &line : tail)
        if (!line.contains(u'?') && !line.startsWith(QLatin1String("*RCL")))
            ++settingLines;

    std::printf("soak: %.1f min on a %s, %d changes sent (%d made during initializations, "
                "dropped by design), %d refreshes, %d recalls\n",
                clock.elapsed() / 60000.0, qPrintable(model), changes, droppedChanges, refreshes,
                recalls);
    std::printf("lines: %lld logged as sent, %lld received by the instrument after the scan "
                "(%lld before it), first difference at %lld; setting lines on the wire %d\n",
                qlonglong(logged.size()), qlonglong(tail.size()), qlonglong(skip),
                qlonglong(firstDifference), settingLines);
    std::printf("lost: %lld; resident memory after the first minute %ld KiB, at the end %ld "
                "KiB, growth %ld KiB\n",
                qlonglong(qMax<qsizetype>(0, logged.size() - tail.size())) +
                    qlonglong(qMax(0, changes - settingLines)),
                rssAfterMinute, rssEnd, rssAfterMinute < 0 ? -1 : rssEnd - rssAfterMinute);
    if (rssTerminalFull >= 0)
        std::printf("the terminal view held its %d lines from %.1f min on (resident memory "
                    "then %ld KiB); growth from then to the end %ld KiB\n",
                    TResponseList::MaxLines, terminalFullMinute, rssTerminalFull,
                    rssEnd - rssTerminalFull);
    const bool ok = firstDifference < 0 && skip >= 0 && settingLines == changes &&
                    (rssAfterMinute < 0 || rssEnd - rssAfterMinute < 1024);
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
