// The timing diagram's geometry without widgets: channel rows read from the mirrors and
// placed on the axis, the axis's units and ticks, zoom and pan, and edge snapping.

#include "diagram/TTimeAxis.h"
#include "diagram/TTimingDiagramModel.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TSystemMirrors.h"

#include <QtTest>
#include <cmath>

class tst_timingdiagrammodel : public QObject
{
    Q_OBJECT
private slots:
    void channelRow_data();
    void channelRow();
    void pulsesAtThePlotEdges_data();
    void pulsesAtThePlotEdges();
    void rowsFollowTheModel();
    void axisUnitsAndTicks_data();
    void axisUnitsAndTicks();
    void zoomKeepsTheTimeUnderThePointer();
    void formatTime_data();
    void formatTime();
    void snapToEdges();
    void fitShowsPeriodAndLatestPulse();
};

namespace {
// 1000 pixels for 0 to 1 µs: one nanosecond per pixel.
TTimeAxis NanosecondAxis()
{
    TTimeAxis axis;
    axis.SetPixels(0, 1000);
    axis.SetRange(0, 1e-6);
    return axis;
}

TDiagramMetrics Metrics()
{
    TDiagramMetrics m;
    m.Top = 20;
    m.RowHeight = 30;
    m.LevelMargin = 5;
    return m;
}
} // namespace

void tst_timingdiagrammodel::channelRow_data()
{
    QTest::addColumn<ChannelConfig>("config");
    QTest::addColumn<double>("period");
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("x2");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("label");   // mode and tags, joined by "|"
    QTest::addColumn<double>("pastFrom"); // -1: not marked

    ChannelConfig plain;
    plain.Enabled = 1;
    plain.Delay = 100e-9;
    plain.Width = 50e-9;
    QTest::newRow("plain") << plain << 1e-6 << 100.0 << 150.0 << false << true << "Normal|TTL"
                           << -1.0;

    ChannelConfig inverted = plain;
    inverted.Polarity = 1;
    QTest::newRow("inverted: idle high")
        << inverted << 1e-6 << 100.0 << 150.0 << true << true << "Normal|TTL" << -1.0;

    ChannelConfig disabled = plain;
    disabled.Enabled = 0;
    QTest::newRow("disabled") << disabled << 1e-6 << 100.0 << 150.0 << false << false
                              << "Normal|TTL" << -1.0;
    disabled.Enabled = 2; // only 1 means enabled
    QTest::newRow("enable field 2")
        << disabled << 1e-6 << 100.0 << 150.0 << false << false << "Normal|TTL" << -1.0;

    ChannelConfig burst = plain;
    burst.Mode = 2;
    burst.BurstCount = 5;
    burst.SyncSource = 1;
    burst.OutputMode = 1;
    burst.Amplitude = 3.456;
    QTest::newRow("burst, sync A, adjustable")
        << burst << 1e-6 << 100.0 << 150.0 << false << true << "Burst 5|Sync A|Adj 3.46 V" << -1.0;

    ChannelConfig duty = plain;
    duty.Mode = 3;
    duty.DutyOnCount = 3;
    duty.DutyOffCount = 2;
    duty.GateMode = 2;
    duty.SyncSource = 3;
    duty.WaitCount = 4;
    QTest::newRow("duty cycle, gated, waiting")
        << duty << 1e-6 << 100.0 << 150.0 << false << true
        << "Duty Cycle 3 on / 2 off|Sync Trig|Out Inh|TTL|Wait 4" << -1.0;

    ChannelConfig single = plain;
    single.Mode = 1;
    single.GateMode = 1;
    QTest::newRow("single shot, pulse inhibit")
        << single << 1e-6 << 100.0 << 150.0 << false << true << "Single Shot|Pulse Inh|TTL" << -1.0;

    ChannelConfig unknown = plain;
    unknown.Mode = -1; // a list with no item selected
    unknown.OutputMode = 7;
    QTest::newRow("indexes outside the lists")
        << unknown << 1e-6 << 100.0 << 150.0 << false << true << "?|?" << -1.0;

    QTest::newRow("past the period")
        << plain << 120e-9 << 100.0 << 150.0 << false << true << "Normal|TTL" << 120.0;
    QTest::newRow("ends exactly at the period")
        << plain << 150e-9 << 100.0 << 150.0 << false << true << "Normal|TTL" << -1.0;
    QTest::newRow("period unknown: never past")
        << plain << 0.0 << 100.0 << 150.0 << false << true << "Normal|TTL" << -1.0;

    ChannelConfig narrow = plain;
    narrow.Width = 1e-12;
    QTest::newRow("narrower than a pixel: one pixel")
        << narrow << 1e-6 << 100.0 << 101.0 << false << true << "Normal|TTL" << -1.0;
}

void tst_timingdiagrammodel::channelRow()
{
    QFETCH(ChannelConfig, config);
    QFETCH(double, period);
    QFETCH(double, x1);
    QFETCH(double, x2);
    QFETCH(bool, inverted);
    QFETCH(bool, enabled);
    QFETCH(QString, label);
    QFETCH(double, pastFrom);

    TSystemMirrors mirrors;
    mirrors.SystemPeriod = period;
    TChannelConfigs configs;
    configs[2] = config;
    const TDiagramScene scene = BuildScene(mirrors, configs, 2);
    QCOMPARE(scene.Rows.size(), 3);
    const TDiagramRow &row = scene.Rows[2];
    QCOMPARE(row.Channel, 2);
    QCOMPARE(row.Name, QStringLiteral("Ch 2"));
    QCOMPARE(row.Enabled, enabled);
    QCOMPARE(row.Inverted, inverted);
    QCOMPARE((QStringList{row.Mode} + row.Tags).join(QLatin1Char('|')), label);
    QCOMPARE(row.PastPeriod, pastFrom >= 0);

    const QList<TRowGeometry> rows = LayoutRows(scene, NanosecondAxis(), Metrics());
    const TRowGeometry &g = rows[2];
    // Third row: 20 + 2 * 30; levels 5 pixels inside the band, on the pixels' centres.
    QCOMPARE(g.HighY, 85.5);
    QCOMPARE(g.LowY, 105.5);
    QCOMPARE(g.Pulse, QRectF(QPointF(x1, 85.5), QPointF(x2, 105.5)));
    QCOMPARE(g.BaselineY, inverted ? 85.5 : 105.5);
    // The waveform leaves the idle level at the delay and returns at the end.
    const double active = inverted ? 105.5 : 85.5;
    const QPolygonF expected({{0, g.BaselineY},
                              {x1, g.BaselineY},
                              {x1, active},
                              {x2, active},
                              {x2, g.BaselineY},
                              {1000, g.BaselineY}});
    QCOMPARE(g.Waveform, expected);
    if (pastFrom >= 0)
        QCOMPARE(g.PastPeriod, QRectF(QPointF(pastFrom, 85.5), QPointF(x2, 105.5)));
    else
        QVERIFY(g.PastPeriod.isEmpty());
}

void tst_timingdiagrammodel::pulsesAtThePlotEdges_data()
{
    QTest::addColumn<double>("delay");
    QTest::addColumn<double>("width");
    QTest::addColumn<QRectF>("pulse");
    QTest::addColumn<QPolygonF>("waveform");

    // The plot shows 200 ns to 1200 ns on pixels 0 to 1000; channel 1's row
    // (below T0's) has its levels at 35.5 and 55.5, on the pixels' centres.
    QTest::newRow("runs past the right edge")
        << 900e-9 << 500e-9 << QRectF(QPointF(700, 35.5), QPointF(1000, 55.5))
        << QPolygonF({{0, 55.5}, {700, 55.5}, {700, 35.5}, {1000, 35.5}});
    QTest::newRow("began before the left edge")
        << 100e-9 << 200e-9 << QRectF(QPointF(0, 35.5), QPointF(100, 55.5))
        << QPolygonF({{0, 35.5}, {100, 35.5}, {100, 55.5}, {1000, 55.5}});
    QTest::newRow("spans the whole plot")
        << 0.0 << 2e-6 << QRectF(QPointF(0, 35.5), QPointF(1000, 55.5))
        << QPolygonF({{0, 35.5}, {1000, 35.5}});
    QTest::newRow("ended before the plot")
        << 0.0 << 100e-9 << QRectF() << QPolygonF({{0, 55.5}, {1000, 55.5}});
    QTest::newRow("starts after the plot")
        << 1000.0 << 1.0 << QRectF() << QPolygonF({{0, 55.5}, {1000, 55.5}});
    QTest::newRow("delay not a number")
        << std::nan("") << 1e-9 << QRectF() << QPolygonF({{0, 55.5}, {1000, 55.5}});
    QTest::newRow("a sliver at the right edge stays inside")
        << 1200e-9 << 1e-12 << QRectF(QPointF(999, 35.5), QPointF(1000, 55.5))
        << QPolygonF({{0, 55.5}, {999, 55.5}, {999, 35.5}, {1000, 35.5}});
}

void tst_timingdiagrammodel::pulsesAtThePlotEdges()
{
    QFETCH(double, delay);
    QFETCH(double, width);
    QFETCH(QRectF, pulse);
    QFETCH(QPolygonF, waveform);

    TSystemMirrors mirrors;
    TChannelConfigs configs;
    configs[1].Delay = delay;
    configs[1].Width = width;
    TTimeAxis axis;
    axis.SetPixels(0, 1000);
    axis.SetRange(200e-9, 1200e-9);
    TDiagramMetrics m;
    m.RowHeight = 30;
    m.LevelMargin = 5;
    const TRowGeometry g = LayoutRows(BuildScene(mirrors, configs, 1), axis, m).at(1);
    QCOMPARE(g.Pulse, pulse);
    QCOMPARE(g.Pulse.isNull(), pulse.isNull());
    QCOMPARE(g.Waveform, waveform);
}

void tst_timingdiagrammodel::rowsFollowTheModel()
{
    TSystemMirrors mirrors;
    mirrors.SystemPeriod = 1e-3;
    mirrors.SystemMode = 2;
    TChannelConfigs configs;
    for (int n = 1; n <= 36; ++n)
        configs[n].Delay = n * 1e-9;

    const TDiagramScene six = BuildScene(mirrors, configs, 6);
    QCOMPARE(six.Rows.size(), 7);
    QCOMPARE(six.Rows[0].Name, QStringLiteral("T0"));
    QCOMPARE(six.Rows[0].Mode, QStringLiteral("Burst"));
    QCOMPARE(six.SystemMode, QStringLiteral("Burst"));
    QCOMPARE(six.Period, 1e-3);
    QCOMPARE(six.Rows[6].Name, QStringLiteral("Ch 6"));
    QCOMPARE(six.Rows[6].Delay, 6e-9);

    // More channels than any model has: the mirrors end at 36.
    const TDiagramScene all = BuildScene(mirrors, configs, 40);
    QCOMPARE(all.Rows.size(), 37);
    QCOMPARE(all.Rows.last().Channel, 36);

    const QList<TRowGeometry> rows = LayoutRows(all, NanosecondAxis(), Metrics());
    QCOMPARE(rows.size(), 37);
    for (qsizetype i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i].Band.top(), 20 + 30.0 * i);
}

void tst_timingdiagrammodel::axisUnitsAndTicks_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("step");
    QTest::addColumn<QStringList>("firstLabels");

    // 1000 pixels, ticks at least 90 apart.
    QTest::newRow("500 ps") << 0.0 << 500e-12 << "ps" << 50e-12
                            << QStringList{"0 ps", "50 ps", "100 ps"};
    QTest::newRow("1 ns") << 0.0 << 1e-9 << "ns" << 100e-12
                          << QStringList{"0.0 ns", "0.1 ns", "0.2 ns"};
    QTest::newRow("10 ns") << 0.0 << 10e-9 << "ns" << 1e-9 << QStringList{"0 ns", "1 ns", "2 ns"};
    QTest::newRow("3 µs") << 0.0 << 3e-6 << "µs" << 500e-9
                          << QStringList{"0.0 µs", "0.5 µs", "1.0 µs"};
    QTest::newRow("1 µs") << 0.0 << 1e-6 << "µs" << 100e-9
                          << QStringList{"0.0 µs", "0.1 µs", "0.2 µs"};
    QTest::newRow("2 ms") << 0.0 << 2e-3 << "ms" << 200e-6
                          << QStringList{"0.0 ms", "0.2 ms", "0.4 ms"};
    QTest::newRow("1 s") << 0.0 << 1.0 << "s" << 0.1 << QStringList{"0.0 s", "0.1 s", "0.2 s"};
    QTest::newRow("1000 s") << 0.0 << 1000.0 << "s" << 100.0
                            << QStringList{"0 s", "100 s", "200 s"};
    QTest::newRow("around zero: no -0")
        << -1e-6 << 1e-6 << "µs" << 200e-9 << QStringList{"-1.0 µs", "-0.8 µs", "-0.6 µs"};
    QTest::newRow("far from zero, zoomed in")
        << 1.0 << 1.0 + 1e-6 << "s" << 100e-9 << QStringList{"1.0000000 s", "1.0000001 s"};
}

void tst_timingdiagrammodel::axisUnitsAndTicks()
{
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(QString, unit);
    QFETCH(double, step);
    QFETCH(QStringList, firstLabels);

    TTimeAxis axis;
    axis.SetPixels(0, 1000);
    axis.SetRange(start, end);
    QCOMPARE(axis.Unit().Symbol, unit);
    QCOMPARE(axis.TickStep(), step);

    const QList<TAxisTick> ticks = axis.Ticks();
    QVERIFY(ticks.size() >= firstLabels.size());
    for (qsizetype i = 0; i < firstLabels.size(); ++i)
        QCOMPARE(ticks[i].Label, firstLabels[i]);
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        QVERIFY(ticks[i].X >= -1e-6 && ticks[i].X <= 1000 + 1e-6);
        QCOMPARE(ticks[i].X, axis.ToX(ticks[i].Time));
        QVERIFY(!ticks[i].Label.startsWith(QLatin1String("-0 ")));
        QVERIFY(!ticks[i].Label.startsWith(QLatin1String("-0.0 ")));
        if (i > 0)
            QVERIFY(ticks[i].X - ticks[i - 1].X >= TTimeAxis::DefaultTickSpacing - 1e-6);
    }
    // A tick at zero whenever zero is in view, exactly at zero.
    if (start <= 0 && end >= 0) {
        const bool hasZero =
            std::any_of(ticks.begin(), ticks.end(), [](const TAxisTick &t) { return t.Time == 0; });
        QVERIFY(hasZero);
    }
}

void tst_timingdiagrammodel::zoomKeepsTheTimeUnderThePointer()
{
    TTimeAxis axis = NanosecondAxis();
    const double before = axis.ToTime(300);
    axis.ZoomAt(300, 4);
    QCOMPARE(axis.Span(), 0.25e-6);
    QCOMPARE(axis.ToTime(300), before);

    // Dragging 100 pixels to the right brings earlier times into view.
    const double start = axis.Start();
    axis.PanPixels(100);
    QCOMPARE(axis.Start(), start - 100 * axis.SecondsPerPixel());

    // Zoom stops at the limits instead of collapsing or overflowing.
    for (int i = 0; i < 100; ++i)
        axis.ZoomAt(500, 10);
    QVERIFY(std::abs(axis.Span() / TTimeAxis::MinSpan - 1) < 1e-3);
    for (int i = 0; i < 100; ++i)
        axis.ZoomAt(500, 0.1);
    QVERIFY(std::abs(axis.Span() / TTimeAxis::MaxSpan - 1) < 1e-3);
    QVERIFY(!axis.Ticks().isEmpty());
}

void tst_timingdiagrammodel::formatTime_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("resolution"); // 0: exact form
    QTest::addColumn<QString>("text");

    QTest::newRow("µs at ns resolution") << 1.5e-6 << 1e-9 << "1.500 µs";
    QTest::newRow("ms at µs resolution") << 0.0123456 << 1e-6 << "12.346 ms";
    QTest::newRow("seconds") << 12.5 << 0.01 << "12.50 s";
    QTest::newRow("negative") << -2.5e-9 << 1e-10 << "-2.5 ns";
    QTest::newRow("zero takes the resolution's unit") << 0.0 << 1e-9 << "0 ns";
    QTest::newRow("exact: trailing zeros dropped") << 1.25e-6 << 0.0 << "1.25 µs";
    QTest::newRow("exact: 250 ps step") << 100.00025e-9 << 0.0 << "100.00025 ns";
    QTest::newRow("exact: zero") << 0.0 << 0.0 << "0 s";
    QTest::newRow("exact: 2000 s") << 2000.0 << 0.0 << "2000 s";
}

void tst_timingdiagrammodel::formatTime()
{
    QFETCH(double, seconds);
    QFETCH(double, resolution);
    QFETCH(QString, text);
    QCOMPARE(resolution > 0 ? TTimeAxis::FormatTime(seconds, resolution)
                            : TTimeAxis::FormatExact(seconds),
             text);
}

void tst_timingdiagrammodel::snapToEdges()
{
    TSystemMirrors mirrors;
    mirrors.SystemPeriod = 900e-9;
    TChannelConfigs configs;
    configs[1].Delay = 100.25e-9;
    configs[1].Width = 50e-9;
    configs[2].Delay = 300e-9;
    configs[2].Width = 10e-9;
    const TDiagramScene scene = BuildScene(mirrors, configs, 2);
    const TTimeAxis axis = NanosecondAxis();

    QCOMPARE(SnapTime(scene, axis, 153, 6), 150.25e-9); // channel 1's falling edge
    QCOMPARE(SnapTime(scene, axis, 297, 6), 300e-9);    // channel 2's rising edge
    QCOMPARE(SnapTime(scene, axis, 2, 6), 0.0);         // T0
    QCOMPARE(SnapTime(scene, axis, 905, 6), 900e-9);    // the period's end
    // Nothing within reach: the time under the pointer.
    QCOMPARE(SnapTime(scene, axis, 600, 6), axis.ToTime(600));
    // Of two edges in reach, the nearer.
    QCOMPARE(SnapTime(scene, axis, 306, 6), 310e-9);
}

void tst_timingdiagrammodel::fitShowsPeriodAndLatestPulse()
{
    TSystemMirrors mirrors;
    TChannelConfigs configs;
    TDiagramScene scene = BuildScene(mirrors, configs, 1);
    // Nothing known: a microsecond from T0.
    QVERIFY(scene.FitStart() < 0);
    QVERIFY(scene.FitEnd() > 1e-6 && scene.FitEnd() < 1.1e-6);

    mirrors.SystemPeriod = 1e-3;
    configs[1].Delay = 1e-3;
    configs[1].Width = 0.2e-3;
    scene = BuildScene(mirrors, configs, 1);
    QVERIFY(scene.FitEnd() > 1.2e-3 && scene.FitEnd() < 1.3e-3);
    QVERIFY(scene.FitStart() < 0 && scene.FitStart() > -0.1e-3);
}

QTEST_GUILESS_MAIN(tst_timingdiagrammodel)
#include "tst_timingdiagrammodel.moc"
