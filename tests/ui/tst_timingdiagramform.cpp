// The timing diagram window beside the main window: opened from "Tools", following the
// mirrors on every change and readback, measuring with the mouse, exporting its picture.

#include "PanelFixture.h"
#include "diagram/TTimingDiagramModel.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/diagram/TTimingDiagramForm.h"
#include "ui/diagram/TTimingDiagramView.h"
#include "ui/main/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QtMath>
#include <QtTest>

class tst_timingdiagramform : public QObject
{
    Q_OBJECT
private slots:
    void openedFromTools();
    void placedBesideTheMainWindow_data();
    void placedBesideTheMainWindow();
    void channelChangeMovesItsPulse();
    void readbackUpdatesAllRows();
    void measureBetweenTwoEdges();
    void wheelZoomDragPanAndFit();
    void savePicture();
    void idleLinesOnePixel_data();
    void idleLinesOnePixel();
};

namespace {
// A 12-channel panel with channel n's pulse at n * 20 ns for 10 ns in a 1 µs period.
void FillMirrors(TMainForm &form)
{
    form.Session->ChannelCount = 12;
    form.Session->Mirrors.SystemPeriod = 1e-6;
    for (int n = 1; n <= 12; ++n) {
        form.Session->ChannelConfigs[n].Enabled = 1;
        form.Session->ChannelConfigs[n].Delay = n * 20e-9;
        form.Session->ChannelConfigs[n].Width = 10e-9;
    }
}

bool Bluish(QRgb c)
{
    return qBlue(c) > qRed(c) + 40;
}

QPoint Centre(const QRectF &r)
{
    return r.center().toPoint();
}
} // namespace

void tst_timingdiagramform::openedFromTools()
{
    TMainForm form;
    FillMirrors(form);
    const QList<QAction *> tools = form.Tools1->actions();
    QVERIFY(!tools.isEmpty());
    QCOMPARE(tools.last(), form.TimingDiagram1);
    QCOMPARE(form.TimingDiagram1->text(), QStringLiteral("Timing Diagram"));

    form.TimingDiagram1->trigger();
    TTimingDiagramForm *diagram = form.TimingDiagramForm;
    QVERIFY(diagram);
    QVERIFY(diagram->isVisible());
    QVERIFY(diagram->isWindow());
    QCOMPARE(diagram->windowTitle(), QStringLiteral("Timing Diagram"));
    QCOMPARE(diagram->windowModality(), Qt::NonModal);
    QVERIFY(diagram->minimumSize() != diagram->maximumSize()); // resizable
    QCOMPARE(diagram->View()->Scene().Rows.size(), 13);        // T0 and 12 channels

    // A second click shows the same window.
    form.TimingDiagram1->trigger();
    QCOMPARE(form.TimingDiagramForm.data(), diagram);
}

void tst_timingdiagramform::placedBesideTheMainWindow_data()
{
    // The screens (set up in main): a wide one at the origin and a small one to its right.
    QTest::addColumn<QPoint>("mainAt"); // the main window's frame
    QTest::addColumn<QString>("side");  // where the diagram's frame goes
    QTest::newRow("room on the right") << QPoint(0, 100) << "right";
    QTest::newRow("room on the left only") << QPoint(1160, 40) << "left";
    QTest::newRow("no room on either side") << QPoint(580, 0) << "far right";
    QTest::newRow("screen smaller than the diagram") << QPoint(1930, 10) << "far right";
}

void tst_timingdiagramform::placedBesideTheMainWindow()
{
    QFETCH(QPoint, mainAt);
    QFETCH(QString, side);
    QCOMPARE(QGuiApplication::screens().size(), 2);

    TMainForm form;
    FillMirrors(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.move(mainAt);
    QTRY_COMPARE(form.frameGeometry().topLeft(), mainAt);
    const QRect mainFrame = form.frameGeometry();
    const QRect avail = QGuiApplication::screenAt(mainFrame.center())->availableGeometry();
    QVERIFY(avail.contains(mainFrame));

    form.TimingDiagram1->trigger();
    TTimingDiagramForm *diagram = form.TimingDiagramForm;
    QVERIFY(QTest::qWaitForWindowExposed(diagram));
    const QRect frame = diagram->frameGeometry();
    QVERIFY2(avail.contains(frame), qPrintable(QString("%1,%2 %3x%4")
                                                   .arg(frame.x())
                                                   .arg(frame.y())
                                                   .arg(frame.width())
                                                   .arg(frame.height())));
    QCOMPARE(frame.top(), mainFrame.top());
    if (side == QLatin1String("right")) {
        QVERIFY(!frame.intersects(mainFrame));
        QCOMPARE(frame.left(), mainFrame.right() + 1);
    } else if (side == QLatin1String("left")) {
        QVERIFY(!frame.intersects(mainFrame));
        QCOMPARE(frame.right(), mainFrame.left() - 1);
    } else {
        QCOMPARE(frame.right(), avail.right());
    }
    // Its size is kept wherever the screen holds it.
    if (avail.width() >= 1200 && avail.height() >= 800)
        QCOMPARE(diagram->size(), QSize(1100, 760));

    // Moved by the operator and closed, it opens again where it was left.
    const QPoint left = frame.topLeft() + QPoint(-30, 20);
    diagram->move(left);
    QTRY_COMPARE(diagram->frameGeometry().topLeft(), left);
    diagram->close();
    form.move(mainAt + QPoint(5, 5));
    form.TimingDiagram1->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(diagram));
    QCOMPARE(diagram->frameGeometry().topLeft(), left);
}

void tst_timingdiagramform::channelChangeMovesItsPulse()
{
    TMainForm form;
    FillMirrors(form);
    form.CreateChannelTabs();
    form.SetResolutionRanges();
    for (int n = 1; n <= 12; ++n)
        form.ChDelayAdj[n]->SetValue(form.Session->ChannelConfigs[n].Delay);
    TTimingDiagramForm *diagram = form.ShowTimingDiagram();
    TTimingDiagramView *view = diagram->View();
    QVERIFY(QTest::qWaitForWindowExposed(diagram));

    const QList<TRowGeometry> before = view->Rows();
    const QRectF old = before[7].Pulse;
    QVERIFY(Bluish(view->grab().toImage().pixel(Centre(old))));

    // Channel 7's delay field takes a new value: its handler writes the mirror and
    // queues the line, and the queue announces the change. Nothing is sent here.
    form.ChDelayAdj[7]->AssignValue(500e-9);
    form.Session->TaskTimer->stop();
    QCOMPARE(form.Session->ChannelConfigs[7].Delay, 500e-9);

    const QList<TRowGeometry> after = view->Rows();
    const TTimeAxis axis = view->Axis();
    QCOMPARE(after[7].Pulse.left(), axis.ToX(500e-9));
    QCOMPARE(after[7].Pulse.right(), axis.ToX(510e-9));
    for (int n = 1; n <= 12; ++n) {
        if (n != 7)
            QCOMPARE(after[n].Pulse, before[n].Pulse);
    }
    // What the operator sees: the pulse left its old place for the new one.
    const QImage shown = view->grab().toImage();
    QVERIFY(!Bluish(shown.pixel(Centre(old))));
    QVERIFY(Bluish(shown.pixel(Centre(after[7].Pulse))));
}

void tst_timingdiagramform::readbackUpdatesAllRows()
{
    // Channel n of a 36-channel instrument: delay n µs, width 0.5 µs, channel 36
    // inverted and disabled, in a period of 30 µs (so channels 30 to 36 run past it).
    QStringList arguments{"--model", "7310-36", "--reply", "*CFG? 0?=0 0.00003 NORM 1 1 1 1"};
    for (int n = 1; n <= 36; ++n) {
        const QString record = n == 36 ? "0 0.000036 0.0000005 NORM 1 1 1 0 TTL INV 5 0 DIS DIS "
                                         "DIS LOW"
                                       : QString("1 0.%1 0.0000005 NORM 1 1 1 0 TTL NORM 5 0 DIS "
                                                 "DIS DIS LOW")
                                             .arg(n, 6, 10, QLatin1Char('0'));
        arguments << "--reply" << QString("*CFG?%1?=%2").arg(n).arg(record);
    }
    PanelFixture p;
    auto emulator = p.Emulator(1, arguments);
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.FormCreate();
    QVERIFY(!form.Terminating());

    // Opened before the readback: it must follow it, not be read at opening.
    TTimingDiagramForm *diagram = form.ShowTimingDiagram();
    QCOMPARE(diagram->View()->Scene().Rows.size(), 2); // T0 and channel 1 of the blank panel

    form.LaunchTimer->stop();
    form.Session->ReinitializePending = true;
    form.Session->Initialize();
    form.Session->ReinitializePending = false;
    QVERIFY2(p.Errors.Texts.isEmpty(), qPrintable(p.Errors.Texts.join('\n')));

    const TTimingDiagramView *view = diagram->View();
    const TDiagramScene &scene = view->Scene();
    QCOMPARE(scene.Rows.size(), 37);
    QCOMPARE(scene.Period, 30e-6);
    const QList<TRowGeometry> rows = view->Rows();
    const TTimeAxis axis = view->Axis();
    for (int n = 1; n <= 36; ++n) {
        QCOMPARE(scene.Rows[n].Channel, n);
        QCOMPARE(rows[n].Pulse.left(), axis.ToX(n * 1e-6));
        QCOMPARE(scene.Rows[n].PastPeriod, n >= 30);
        QCOMPARE(scene.Rows[n].Enabled, n != 36);
        QCOMPARE(scene.Rows[n].Inverted, n == 36);
    }
    // Fitted to the latest pulse end, which is past the period.
    QVERIFY(axis.End() >= 36.5e-6);
}

void tst_timingdiagramform::measureBetweenTwoEdges()
{
    TMainForm form;
    FillMirrors(form);
    TTimingDiagramForm *diagram = form.ShowTimingDiagram();
    TTimingDiagramView *view = diagram->View();
    QVERIFY(QTest::qWaitForWindowExposed(diagram));
    const QList<TRowGeometry> rows = view->Rows();

    // Near channel 1's falling edge (30 ns), then near channel 4's rising edge (80 ns):
    // both clicks a couple of pixels off, the interval is the exact gap.
    const QPoint a(int(rows[1].Pulse.right()) + 2, int(rows[1].Band.center().y()));
    const QPoint b(int(rows[4].Pulse.left()) - 2, int(rows[4].Band.center().y()));
    QTest::mouseClick(view, Qt::LeftButton, {}, a);
    QCOMPARE(view->MarkerA().value(), 30e-9);
    QVERIFY(!view->MarkerB());
    QTest::mouseClick(view, Qt::LeftButton, {}, b);
    QCOMPARE(view->MarkerB().value(), 80e-9);
    QCOMPARE(diagram->IntervalLabel()->text(),
             QStringLiteral("A = 30 ns   B = 80 ns   Δt = 50 ns"));

    // The pointer's time follows the mouse.
    QTest::mouseMove(view, QPoint(qRound(view->Axis().ToX(500e-9)), a.y()));
    const QString pointer = diagram->PointerLabel()->text();
    QVERIFY2(pointer.startsWith(QStringLiteral("t = ")) && pointer.endsWith(QStringLiteral(" ns")),
             qPrintable(pointer));
    const double shown = pointer.mid(4, pointer.size() - 7).toDouble() * 1e-9;
    QVERIFY2(std::abs(shown - 500e-9) <= 2 * view->Axis().SecondsPerPixel(), qPrintable(pointer));

    // A third click starts a new measurement; Escape clears it.
    QTest::mouseClick(view, Qt::LeftButton, {}, b);
    QCOMPARE(view->MarkerA().value(), 80e-9);
    QVERIFY(!view->MarkerB());
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!view->MarkerA());
}

void tst_timingdiagramform::wheelZoomDragPanAndFit()
{
    TMainForm form;
    FillMirrors(form);
    TTimingDiagramForm *diagram = form.ShowTimingDiagram();
    TTimingDiagramView *view = diagram->View();
    QVERIFY(QTest::qWaitForWindowExposed(diagram));
    const TTimeAxis fitted = view->Axis();

    // Two notches in, around the pointer: the time under it stays where it was.
    const QPointF at(fitted.ToX(200e-9), 100);
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QVERIFY(view->Axis().Span() < fitted.Span() / 1.4);
    QVERIFY(std::abs(view->Axis().ToTime(at.x()) - 200e-9) < 1e-15);

    // A change in the main window keeps the operator's zoom.
    form.Session->ChannelConfigs[3].Width = 20e-9;
    emit form.ConfigurationChanged();
    QVERIFY(view->Axis().Span() < fitted.Span() / 1.4);

    // Dragging 100 pixels to the right shows earlier times; no marker is set.
    const double start = view->Axis().Start();
    const double perPixel = view->Axis().SecondsPerPixel();
    const QPoint from = at.toPoint();
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, from + QPoint(50, 0));
    QTest::mouseMove(view, from + QPoint(100, 0));
    QTest::mouseRelease(view, Qt::LeftButton, {}, from + QPoint(100, 0));
    QVERIFY(std::abs(view->Axis().Start() - (start - 100 * perPixel)) < perPixel / 100);
    QVERIFY(!view->MarkerA());

    diagram->FitButton()->click();
    QCOMPARE(view->Axis().Start(), fitted.Start());
    QCOMPARE(view->Axis().End(), fitted.End());
}

void tst_timingdiagramform::savePicture()
{
    TMainForm form;
    FillMirrors(form);
    form.Session->ChannelConfigs[12].Width = 2e-6; // past the period, to draw the mark as well
    TTimingDiagramForm *diagram = form.ShowTimingDiagram();
    diagram->resize(900, 640);
    QVERIFY(QTest::qWaitForWindowExposed(diagram));

    QTemporaryDir dir;
    const QString png = dir.filePath("diagram.png");
    QVERIFY(diagram->SavePicture(png));
    QImage image(png);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), diagram->size() * diagram->devicePixelRatio());

    const QString svg = dir.filePath("diagram.SVG");
    QVERIFY(diagram->SavePicture(svg));
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), diagram->size()));
    // Its printed size is the window's, to the rounding of millimetres.
    QVERIFY(std::abs(renderer.defaultSize().width() - diagram->width()) <= 1);
    QVERIFY(std::abs(renderer.defaultSize().height() - diagram->height()) <= 1);

    // A folder that does not exist: reported, not claimed as written.
    QVERIFY(!diagram->SavePicture(dir.filePath("missing/diagram.png")));
    QVERIFY(!diagram->SavePicture(dir.filePath("missing/diagram.svg")));
}

// Two offscreen screens side by side, so that the diagram's placement can be seen: a wide
// one at the origin and, to its right, one smaller than the diagram.
void tst_timingdiagramform::idleLinesOnePixel_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("height");
    // Rows of 29.29, 20.92, 19.56, 18.16 and 16.57 pixels.
    QTest::newRow("6 channels") << 6 << 233;
    QTest::newRow("12 channels") << 12 << 300;
    QTest::newRow("24 channels") << 24 << 517;
    QTest::newRow("36 channels") << 36 << 700;
    QTest::newRow("36 channels, small rows") << 36 << 641;
}

// Every idle line, of every kind of row (T0, enabled, disabled, inverted), is one pixel
// thick wherever its row falls.
void tst_timingdiagramform::idleLinesOnePixel()
{
    QFETCH(int, channels);
    QFETCH(int, height);
    TDiagramScene scene;
    scene.Period = 1e-6;
    scene.SystemMode = QStringLiteral("Continuous");
    TDiagramRow t0;
    t0.Name = QStringLiteral("T0");
    scene.Rows << t0;
    for (int n = 1; n <= channels; ++n) {
        TDiagramRow row;
        row.Channel = n;
        row.Name = QStringLiteral("Ch %1").arg(n);
        row.Enabled = n % 3 != 0;
        row.Inverted = n % 2 == 0;
        row.Delay = 100e-9;
        row.Width = 100e-9;
        scene.Rows << row;
    }
    TTimingDiagramView view;
    view.SetScene(scene);
    view.resize(900, height);
    QImage image(view.size(), QImage::Format_ARGB32);
    view.render(&image);

    // Idle from 500 to 700 ns: no pulse, no edge and no T0 or period mark there; the
    // dashes of a disabled row leave gaps, so a pixel row counts when any column is dark.
    const TTimeAxis axis = view.Axis();
    const int from = qCeil(axis.ToX(500e-9));
    const int to = qFloor(axis.ToX(700e-9));
    const QList<TRowGeometry> rows = view.Rows();
    QCOMPARE(rows.size(), channels + 1);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        int thick = 0;
        for (int y = qCeil(rows[i].Band.top()); y < qFloor(rows[i].Band.bottom()); ++y) {
            bool dark = false;
            for (int x = from; x <= to && !dark; ++x)
                dark = qGray(image.pixel(x, y)) < 200;
            thick += dark;
        }
        QVERIFY2(thick == 1, qPrintable(QStringLiteral("%1: %2 pixels thick, row %3 pixels high")
                                            .arg(scene.Rows[i].Name)
                                            .arg(thick)
                                            .arg(view.Metrics().RowHeight)));
    }
}

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(R"({"screens": [
        {"name": "wide", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
        {"name": "small", "x": 1920, "y": 0, "width": 1024, "height": 900, "logicalDpi": 96}
    ]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));

    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_timingdiagramform tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_timingdiagramform.moc"
