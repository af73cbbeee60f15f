#include "diagram/TTimingDiagramModel.h"

#include "protocol/SettingTable.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TSystemMirrors.h"

#include <algorithm>
#include <cmath>

namespace {
QString Item(const QStringList &items, int index)
{
    return index >= 0 && index < items.size() ? items[index] : QStringLiteral("?");
}

// The entries of a setting's list, as the operator sees them in the panel.
const QStringList &Labels(TSettingScope scope, const char *setting)
{
    return SettingRow(scope, QLatin1String(setting)).Labels;
}

// A channel's list whose first entry ("Disabled") the diagram leaves out: a row is tagged
// only with what is in effect.
QStringList TagLabels(const char *setting)
{
    QStringList labels = Labels(TSettingScope::Channel, setting);
    labels.first().clear();
    return labels;
}

constexpr double FitMargin = 0.04; // of the fitted span, on each side

// Rows are a fraction of a pixel high: a level on a pixel's centre is drawn one pixel
// thick wherever its row falls, on a pixel's edge it smears over two.
double PixelCentre(double y)
{
    return std::floor(y) + 0.5;
}
} // namespace

QString SystemModeText(int mode)
{
    return Item(Labels(TSettingScope::System, "PulseMode"), mode);
}

// The channel's mode as its list names it, with the counts of a burst or duty cycle.
QString ChannelModeText(int mode, int burstCount, int dutyOn, int dutyOff)
{
    const QString text = Item(Labels(TSettingScope::Channel, "Mode"), mode);
    switch (mode) {
    case 2:
        return text + QStringLiteral(" %1").arg(burstCount);
    case 3:
        return text + QStringLiteral(" %1 on / %2 off").arg(dutyOn).arg(dutyOff);
    default:
        return text;
    }
}

QString SyncSourceText(int index)
{
    static const QStringList items = TagLabels("SyncSource");
    return Item(items, index);
}

QString GateModeText(int index)
{
    static const QStringList items = TagLabels("GateMode");
    return Item(items, index);
}

// Shorter than the output mode's list ("TTL/CMOS", "Adjustable") on purpose: a row's tag
// names the output and, when adjustable, its amplitude.
QString OutputText(int outputMode, double amplitude)
{
    if (outputMode == 0)
        return QStringLiteral("TTL");
    if (outputMode == 1)
        return QStringLiteral("Adj %1 V").arg(QString::number(amplitude, 'f', 2));
    return QStringLiteral("?");
}

double TDiagramScene::FitStart() const
{
    return -FitMargin * ContentEnd();
}

double TDiagramScene::FitEnd() const
{
    return (1 + FitMargin) * ContentEnd();
}

double TDiagramScene::ContentEnd() const
{
    double end = Period;
    for (const TDiagramRow &row : Rows)
        end = std::max(end, row.End());
    if (!(end > 0) || !std::isfinite(end))
        end = 1e-6;
    return end;
}

TDiagramScene BuildScene(const TSystemMirrors &mirrors, const TChannelConfigs &configs,
                         int channelCount)
{
    TDiagramScene scene;
    scene.Period = mirrors.SystemPeriod;
    scene.SystemMode = SystemModeText(mirrors.SystemMode);

    TDiagramRow t0;
    t0.Name = QStringLiteral("T0");
    t0.Mode = scene.SystemMode;
    scene.Rows.append(t0);

    const int count = std::clamp(channelCount, 0, MaxChannels);
    for (int n = 1; n <= count; ++n) {
        const ChannelConfig &c = configs[n];
        TDiagramRow row;
        row.Channel = n;
        row.Name = QStringLiteral("Ch %1").arg(n);
        row.Mode = ChannelModeText(c.Mode, c.BurstCount, c.DutyOnCount, c.DutyOffCount);
        for (const QString &tag : {SyncSourceText(c.SyncSource), GateModeText(c.GateMode),
                                   OutputText(c.OutputMode, c.Amplitude)}) {
            if (!tag.isEmpty())
                row.Tags.append(tag);
        }
        if (c.WaitCount != 0)
            row.Tags.append(QStringLiteral("Wait %1").arg(c.WaitCount));
        row.Enabled = c.Enabled == 1;
        row.Inverted = c.Polarity == 1;
        row.Delay = c.Delay;
        row.Width = c.Width;
        row.PastPeriod = scene.Period > 0 && row.End() > scene.Period;
        scene.Rows.append(row);
    }
    return scene;
}

QList<TRowGeometry> LayoutRows(const TDiagramScene &scene, const TTimeAxis &axis,
                               const TDiagramMetrics &metrics)
{
    const double left = axis.Left();
    const double right = axis.Right();

    QList<TRowGeometry> rows;
    rows.reserve(scene.Rows.size());
    double top = metrics.Top;
    for (const TDiagramRow &row : scene.Rows) {
        TRowGeometry g;
        g.Band = QRectF(left, top, right - left, metrics.RowHeight);
        g.HighY = PixelCentre(top + metrics.LevelMargin);
        g.LowY = PixelCentre(top + metrics.RowHeight - metrics.LevelMargin);
        g.BaselineY = row.Inverted ? g.HighY : g.LowY;
        const double pulseY = row.Inverted ? g.LowY : g.HighY;
        top += metrics.RowHeight;

        // Nothing of the pulse in view (or no number to place): the idle level only.
        if (!std::isfinite(row.Delay) || !std::isfinite(row.End()) || row.End() < axis.Start() ||
            row.Delay > axis.End()) {
            g.Waveform = QPolygonF({{left, g.BaselineY}, {right, g.BaselineY}});
            rows.append(g);
            continue;
        }
        // Cut to the plot; an edge outside it is not drawn (a picture without clipping,
        // such as an SVG export, shows exactly the plot).
        const double rise = axis.ToX(row.Delay);
        const double fall = axis.ToX(row.End());
        double x1 = std::max(rise, left);
        double x2 = std::min(fall, right);
        if (x2 - x1 < metrics.MinPulseWidth) {
            x2 = std::min(x1 + metrics.MinPulseWidth, right);
            x1 = std::max(left, x2 - metrics.MinPulseWidth);
        }
        g.Pulse = QRectF(QPointF(x1, g.HighY), QPointF(x2, g.LowY));
        if (row.PastPeriod) {
            const double xp = std::clamp(axis.ToX(scene.Period), left, right);
            if (xp < x2)
                g.PastPeriod = QRectF(QPointF(std::max(xp, x1), g.HighY), QPointF(x2, g.LowY));
        }
        if (rise > left)
            g.Waveform << QPointF(left, g.BaselineY) << QPointF(x1, g.BaselineY);
        g.Waveform << QPointF(x1, pulseY) << QPointF(x2, pulseY);
        if (fall < right)
            g.Waveform << QPointF(x2, g.BaselineY) << QPointF(right, g.BaselineY);
        rows.append(g);
    }
    return rows;
}

double SnapTime(const TDiagramScene &scene, const TTimeAxis &axis, double x, double tolerance)
{
    double best = axis.ToTime(x);
    double bestDistance = tolerance;
    const auto consider = [&](double time) {
        const double d = std::abs(axis.ToX(time) - x);
        if (d <= bestDistance) {
            bestDistance = d;
            best = time;
        }
    };
    consider(0);
    if (scene.Period > 0)
        consider(scene.Period);
    for (const TDiagramRow &row : scene.Rows) {
        if (row.Channel == 0)
            continue;
        consider(row.Delay);
        consider(row.End());
    }
    return best;
}
