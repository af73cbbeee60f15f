// Repaint time of the timing diagram with 36 channels at full size (1920 x 1080), as it
// happens while the operator holds an arrow key in the main window or drags the
// diagram. Not a test: run by hand (QT_QPA_PLATFORM=offscreen bench_diagram [frames]).

#include "diagram/TTimingDiagramModel.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TSystemMirrors.h"
#include "ui/diagram/TTimingDiagramView.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
// Processor time of this thread: the figure holds on a machine busy with other work,
// where the wall clock would count the time spent waiting for a core.
double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Figures
{
    double Mean = 0;
    double Median = 0;
    double Worst = 0;
};

Figures Measure(TTimingDiagramView &view, QImage &image, int frames,
                const std::function<void(int)> &step)
{
    std::vector<double> ms;
    ms.reserve(frames);
    for (int i = 0; i < frames; ++i) {
        step(i);
        const double before = ThreadCpuMs();
        QPainter painter(&image);
        // As on screen: the view paints every pixel itself (opaque), no background first.
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        ms.push_back(ThreadCpuMs() - before);
    }
    std::sort(ms.begin(), ms.end());
    Figures f;
    for (double v : ms)
        f.Mean += v / frames;
    f.Median = ms[ms.size() / 2];
    f.Worst = ms.back();
    return f;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, atoi(argv[1])) : 300;

    TSystemMirrors mirrors;
    mirrors.SystemPeriod = 100e-6;
    TChannelConfigs configs;
    for (int n = 1; n <= 36; ++n) {
        ChannelConfig &c = configs[n];
        c.Enabled = n % 7 != 0;
        c.Delay = n * 2.5e-6;
        c.Width = 1e-6 + (n % 5) * 2e-6;
        c.Mode = n % 4;
        c.BurstCount = 5;
        c.DutyOnCount = 3;
        c.DutyOffCount = 2;
        c.Polarity = n % 3 == 0;
        c.OutputMode = n % 2;
        c.Amplitude = 5;
        c.SyncSource = n % 4;
        c.GateMode = n % 3;
    }

    TTimingDiagramView view;
    view.resize(1920, 1080);
    view.SetScene(BuildScene(mirrors, configs, 36));
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);

    // Warm-up: fonts and glyph caches.
    Measure(view, image, 20, [](int) {});

    // One delay changes per frame, as with auto-repeat in the main window.
    const Figures change = Measure(view, image, frames, [&](int i) {
        configs[7].Delay = 17.5e-6 + (i % 100) * 250e-12;
        view.SetScene(BuildScene(mirrors, configs, 36));
    });
    // The view moves a few pixels per frame, as while dragging.
    const QPointF grip(900, 500);
    QMouseEvent press(QEvent::MouseButtonPress, grip, view.mapToGlobal(grip), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    const Figures drag = Measure(view, image, frames, [&](int i) {
        const QPointF at = grip + QPointF(4 + (i % 200) * 3, 0);
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
    });

    std::printf("timing diagram, 36 channels, %dx%d, %d frames each (processor time)\n", view.width(), view.height(),
                frames);
    std::printf("  repaint after a mirror change: mean %.2f ms, median %.2f ms, worst %.2f ms\n",
                change.Mean, change.Median, change.Worst);
    std::printf("  repaint while dragging:        mean %.2f ms, median %.2f ms, worst %.2f ms\n",
                drag.Mean, drag.Median, drag.Worst);
    return 0;
}
