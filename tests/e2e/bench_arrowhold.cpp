// Figures for the notes (not a test): a channel's delay arrow button held down for a
// while (10 s unless given in seconds as the first argument). Every value change the field
// shows must reach the instrument as its own line, in order, and the instrument must end
// on the value the panel shows.
//
//   QT_QPA_PLATFORM=offscreen bench_arrowhold [seconds]

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "protocol/Conversions.h"
#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-12"});
    if (!emulator->IsReady()) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(emulator->StartError()));
        return 1;
    }
    TMainForm &form = *p.Form;
    form.FormCreate();
    form.LaunchTimerTimer();
    form.Session->SetStatusTimerEnabled(false); // only the held field's lines on the wire
    form.show();

    const int chnum = 2;
    TPlusSpinEdit *delay = form.ChDelayAdj[chnum];
    const QString prefix = ChDelayCommand(chnum, 0).section(u' ', 0, 0) + u' ';

    // The lines the field's changes should give, in the order the operator saw them.
    QStringList shown;
    int deepestQueue = 0;
    const TNotifyEvent handler = delay->OnChange();
    delay->SetOnChange([&](QObject *sender) {
        handler(sender);
        shown << ChDelayCommand(chnum, delay->Value());
        deepestQueue = qMax(deepestQueue, int(form.Session->CommandQueue.size()));
    });

    const qsizetype mark = emulator->Received().size();
    const double first = delay->Value();
    QTest::mousePress(delay->UpButton(), Qt::LeftButton);
    QTest::qWait(int(seconds * 1000));
    QTest::mouseRelease(delay->UpButton(), Qt::LeftButton);
    const double last = delay->Value();

    // The queue drains after the release; the last line is sent and answered.
    QElapsedTimer drain;
    drain.start();
    auto sent = [&] { return emulator->Received().mid(mark).filter(prefix); };
    while (drain.elapsed() < 30000 &&
           (!form.Session->CommandQueue.isEmpty() || form.Session->TaskRunning || sent().size() < shown.size()))
        QTest::qWait(5);
    const qint64 drainMs = drain.elapsed();
    QTest::qWait(200); // anything extra would follow within a few ticks

    const QStringList lines = sent();
    int refused = 0;
    for (const auto &[line, reply] : emulator->Exchanges().mid(mark))
        if (reply != QLatin1String("OK"))
            ++refused;
    const QString onInstrument = form.Comm->QueryPort(prefix.trimmed().toLatin1());
    const bool sameValue = FormatSeconds(StrToFloat(onInstrument)) == FormatSeconds(last);

    std::printf("held %.1f s: the field went from %s to %s in %lld value changes\n", seconds,
                qPrintable(FormatSeconds(first)), qPrintable(FormatSeconds(last)),
                qlonglong(shown.size()));
    std::printf("lines on the wire: %lld (%s the changes shown, in the same order: %s), %d "
                "refused\n",
                qlonglong(lines.size()), lines.size() == shown.size() ? "equal to" : "NOT equal to",
                lines == shown ? "yes" : "NO", refused);
    std::printf("deepest queue during the hold: %d; last line on the wire %lld ms after the "
                "release\n",
                deepestQueue, qlonglong(drainMs));
    std::printf("instrument reports %s, the panel shows %s: %s\n", qPrintable(onInstrument),
                qPrintable(FormatSeconds(last)), sameValue ? "same value" : "DIFFERENT");
    return lines == shown && refused == 0 && sameValue ? 0 : 2;
}
