#include "ui/diagram/TTimingDiagramView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
const QColor Background(0xff, 0xff, 0xff);
const QColor LabelBackground(0xf3, 0xf4, 0xf6);
const QColor StripeBackground(0xf8, 0xf9, 0xfb);
const QColor GridColor(0xe2, 0xe5, 0xea);
const QColor AxisText(0x33, 0x33, 0x33);
const QColor PeriodColor(0x1f, 0x4e, 0x9a);
const QColor PulseLine(0x1a, 0x5f, 0xb4);
const QColor PulseFill(0x62, 0xa0, 0xea, 0x90);
const QColor DisabledLine(0xa0, 0xa0, 0xa0);
const QColor DisabledFill(0xc8, 0xc8, 0xc8, 0x80);
const QColor PastColor(0xc0, 0x1c, 0x28);
const QColor PastFill(0xe0, 0x1b, 0x24, 0x60);
const QColor T0Color(0x26, 0xa2, 0x69);
const QColor MarkerAColor(0xe6, 0x61, 0x00);
const QColor MarkerBColor(0x91, 0x41, 0xac);
const QColor PointerColor(0x77, 0x77, 0x77);
const QColor DimText(0x8a, 0x8a, 0x8a);

constexpr double DragThreshold = 3; // pixels before a press becomes a pan
} // namespace

TTimingDiagramView::TTimingDiagramView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TimingDiagramView"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    SetScene(TDiagramScene{});
}

void TTimingDiagramView::SetScene(const TDiagramScene &scene)
{
    FScene = scene;
    setMinimumHeight(AxisHeight + static_cast<int>(std::ceil(MinRowHeight * FScene.Rows.size())) +
                     2);
    if (!FUserView)
        FAxis.SetRange(FScene.FitStart(), FScene.FitEnd());
    UpdateAxisPixels();
    update();
}

void TTimingDiagramView::Fit()
{
    FUserView = false;
    FAxis.SetRange(FScene.FitStart(), FScene.FitEnd());
    update();
}

void TTimingDiagramView::UpdateAxisPixels()
{
    FAxis.SetPixels(LabelWidth + 8, std::max(LabelWidth + 60, width() - 12));
}

TTimeAxis TTimingDiagramView::Axis() const
{
    return FAxis;
}

TDiagramMetrics TTimingDiagramView::Metrics() const
{
    TDiagramMetrics m;
    m.Top = AxisHeight;
    const double rows = std::max<qsizetype>(1, FScene.Rows.size());
    m.RowHeight = std::clamp((height() - AxisHeight - 2) / rows, MinRowHeight, MaxRowHeight);
    m.LevelMargin = std::max(3.0, m.RowHeight * 0.2);
    return m;
}

QList<TRowGeometry> TTimingDiagramView::Rows() const
{
    return LayoutRows(FScene, FAxis, Metrics());
}

QString TTimingDiagramView::PointerText() const
{
    if (!FPointerTime)
        return QString();
    return QStringLiteral("t = ") + TTimeAxis::FormatTime(*FPointerTime, FAxis.SecondsPerPixel());
}

QString TTimingDiagramView::IntervalText() const
{
    if (!FMarkerA)
        return QStringLiteral("Click two points to measure an interval");
    QString text = QStringLiteral("A = ") + TTimeAxis::FormatExact(*FMarkerA);
    if (FMarkerB) {
        text += QStringLiteral("   B = ") + TTimeAxis::FormatExact(*FMarkerB) +
                QStringLiteral("   Δt = ") + TTimeAxis::FormatExact(*FMarkerB - *FMarkerA);
    }
    return text;
}

void TTimingDiagramView::Click(double x)
{
    const double t = SnapTime(FScene, FAxis, x, SnapDistance);
    if (!FMarkerA || FMarkerB) {
        FMarkerA = t;
        FMarkerB.reset();
    } else {
        FMarkerB = t;
    }
    update();
    emit ReadoutChanged();
}

void TTimingDiagramView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    UpdateAxisPixels();
}

void TTimingDiagramView::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y();
    if (steps == 0) {
        event->ignore();
        return;
    }
    double x = event->position().x();
    if (x < FAxis.Left() || x > FAxis.Right())
        x = (FAxis.Left() + FAxis.Right()) / 2;
    FAxis.ZoomAt(x, std::pow(1.2, steps / 120.0));
    FUserView = true;
    if (FPointerTime)
        FPointerTime = FAxis.ToTime(event->position().x());
    update();
    emit ReadoutChanged();
    event->accept();
}

void TTimingDiagramView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    FPressAt = event->position();
    FLastDragX = event->position().x();
    FDragging = false;
}

void TTimingDiagramView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    if (FPressAt && (event->buttons() & Qt::LeftButton)) {
        if (!FDragging && std::abs(p.x() - FPressAt->x()) > DragThreshold)
            FDragging = true;
        if (FDragging) {
            FAxis.PanPixels(p.x() - FLastDragX);
            FLastDragX = p.x();
            FUserView = true;
            setCursor(Qt::ClosedHandCursor);
        }
    }
    if (p.x() >= FAxis.Left() && p.x() <= FAxis.Right())
        FPointerTime = FAxis.ToTime(p.x());
    else
        FPointerTime.reset();
    update();
    emit ReadoutChanged();
}

void TTimingDiagramView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !FPressAt) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const double x = event->position().x();
    if (!FDragging && x >= FAxis.Left() && x <= FAxis.Right())
        Click(x);
    FPressAt.reset();
    FDragging = false;
    unsetCursor();
}

void TTimingDiagramView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    FPointerTime.reset();
    update();
    emit ReadoutChanged();
}

void TTimingDiagramView::keyPressEvent(QKeyEvent *event)
{
    const double middle = (FAxis.Left() + FAxis.Right()) / 2;
    switch (event->key()) {
    case Qt::Key_Escape:
        FMarkerA.reset();
        FMarkerB.reset();
        break;
    case Qt::Key_Home:
    case Qt::Key_F:
        Fit();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        FAxis.ZoomAt(middle, 1.5);
        FUserView = true;
        break;
    case Qt::Key_Minus:
        FAxis.ZoomAt(middle, 1 / 1.5);
        FUserView = true;
        break;
    case Qt::Key_Left:
        FAxis.PanPixels(40);
        FUserView = true;
        break;
    case Qt::Key_Right:
        FAxis.PanPixels(-40);
        FUserView = true;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
    emit ReadoutChanged();
}

void TTimingDiagramView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const TDiagramMetrics m = Metrics();
    const QList<TRowGeometry> rows = LayoutRows(FScene, FAxis, m);
    const double plotLeft = FAxis.Left();
    const double plotRight = FAxis.Right();
    const double bottom = rows.isEmpty() ? AxisHeight : rows.last().Band.bottom();
    const QFontMetricsF fm(font());

    // Every pixel is painted once, stripes included (a full-size repaint is mostly fill).
    p.fillRect(QRect(0, 0, LabelWidth, height()), LabelBackground);
    p.fillRect(QRect(LabelWidth, 0, width() - LabelWidth, height()), Background);
    for (qsizetype i = 1; i < rows.size(); i += 2)
        p.fillRect(QRectF(LabelWidth, rows[i].Band.top(), width() - LabelWidth, m.RowHeight),
                   StripeBackground);

    // Axis and grid.
    const QList<TAxisTick> ticks = FAxis.Ticks();
    p.setPen(GridColor);
    for (const TAxisTick &tick : ticks)
        p.drawLine(QPointF(tick.X, AxisHeight - 4), QPointF(tick.X, bottom));
    p.setPen(AxisText);
    p.drawLine(QPointF(plotLeft, AxisHeight - 1), QPointF(plotRight, AxisHeight - 1));
    for (const TAxisTick &tick : ticks) {
        p.drawLine(QPointF(tick.X, AxisHeight - 5), QPointF(tick.X, AxisHeight - 1));
        const double w = fm.horizontalAdvance(tick.Label);
        p.drawText(QPointF(tick.X - w / 2, AxisHeight - 9), tick.Label);
    }

    // T0 and the end of the period, across every row.
    p.setClipRect(QRectF(plotLeft - 1, 0, plotRight - plotLeft + 2, height()));
    QPen periodPen(PeriodColor, 1, Qt::DashLine);
    p.setPen(periodPen);
    const double x0 = FAxis.ToX(0);
    if (x0 >= plotLeft - 1 && x0 <= plotRight + 1)
        p.drawLine(QPointF(x0, AxisHeight), QPointF(x0, bottom));
    if (FScene.Period > 0) {
        const double xp = FAxis.ToX(FScene.Period);
        if (xp >= plotLeft - 1 && xp <= plotRight + 1) {
            p.drawLine(QPointF(xp, AxisHeight), QPointF(xp, bottom));
            p.setPen(PeriodColor);
            p.drawText(QPointF(xp + 3, AxisHeight + fm.ascent() + 1),
                       QStringLiteral("T0 + period"));
        }
    }

    // Rows.
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const TDiagramRow &row = FScene.Rows[i];
        const TRowGeometry &g = rows[i];
        if (row.Channel == 0) {
            // T0: a marker at every period start in view (at most a handful of them).
            p.setPen(QPen(T0Color, 2));
            const auto drawT0 = [&](double x) {
                if (x < plotLeft - 1 || x > plotRight + 1)
                    return;
                p.drawLine(QPointF(x, g.LowY), QPointF(x, g.HighY));
                p.drawLine(QPointF(x, g.HighY), QPointF(x + 4, g.HighY));
            };
            drawT0(x0);
            if (FScene.Period > 0)
                drawT0(FAxis.ToX(FScene.Period));
            p.setPen(QPen(T0Color, 1));
            p.drawLine(QPointF(plotLeft, g.LowY), QPointF(plotRight, g.LowY));
            continue;
        }
        if (!g.Pulse.isNull())
            p.fillRect(g.Pulse, row.Enabled ? PulseFill : DisabledFill);
        if (!g.PastPeriod.isEmpty())
            p.fillRect(g.PastPeriod, PastFill);
        QPen line(row.Enabled ? PulseLine : DisabledLine, row.Enabled ? 1.5 : 1);
        if (!row.Enabled)
            line.setStyle(Qt::DashLine);
        p.setPen(line);
        p.drawPolyline(g.Waveform);
        if (!g.PastPeriod.isEmpty() && g.PastPeriod.right() < plotRight) {
            p.setPen(QPen(PastColor, 1.5));
            p.drawLine(g.PastPeriod.topRight(), g.PastPeriod.bottomRight());
        }
    }

    // Measuring markers and the pointer.
    const auto marker = [&](const std::optional<double> &t, const QColor &color,
                            const QString &name) {
        if (!t)
            return;
        const double x = FAxis.ToX(*t);
        if (x < plotLeft - 1 || x > plotRight + 1)
            return;
        p.setPen(QPen(color, 1.5));
        p.drawLine(QPointF(x, AxisHeight), QPointF(x, bottom));
        p.drawText(QPointF(x + 3, bottom - 3), name);
    };
    if (FMarkerA && FMarkerB) {
        const double xa = std::clamp(FAxis.ToX(*FMarkerA), plotLeft - 1, plotRight + 1);
        const double xb = std::clamp(FAxis.ToX(*FMarkerB), plotLeft - 1, plotRight + 1);
        p.fillRect(QRectF(QPointF(std::min(xa, xb), AxisHeight), QPointF(std::max(xa, xb), bottom)),
                   QColor(0xf6, 0xd3, 0x2d, 0x30));
    }
    marker(FMarkerA, MarkerAColor, QStringLiteral("A"));
    marker(FMarkerB, MarkerBColor, QStringLiteral("B"));
    if (FPointerTime && !FDragging) {
        const double x = FAxis.ToX(*FPointerTime);
        p.setPen(QPen(PointerColor, 1, Qt::DotLine));
        p.drawLine(QPointF(x, AxisHeight), QPointF(x, bottom));
    }
    p.setClipping(false);

    // Label column.
    QFont bold = font();
    bold.setBold(true);
    const bool twoLines = m.RowHeight >= 2 * fm.height() + 2;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const TDiagramRow &row = FScene.Rows[i];
        const QRectF band(6, rows[i].Band.top(), LabelWidth - 10, m.RowHeight);
        QStringList details;
        if (row.Channel == 0) {
            details << row.Mode
                    << (FScene.Period > 0
                            ? QStringLiteral("Period ") + TTimeAxis::FormatExact(FScene.Period)
                            : QStringLiteral("Period unknown"));
        } else {
            details << row.Mode << row.Tags;
            if (!row.Enabled)
                details << QStringLiteral("off");
        }
        const double nameWidth = 38;
        const double baseline1 =
            twoLines ? band.top() + m.RowHeight / 2 - 1 : band.center().y() + fm.ascent() / 2 - 1;
        p.setFont(bold);
        p.setPen(row.Channel == 0 ? T0Color : (row.Enabled ? AxisText : DimText));
        p.drawText(QPointF(band.left(), baseline1), row.Name);
        p.setFont(font());
        p.setPen(row.Enabled ? AxisText : DimText);
        double right = band.right();
        if (row.PastPeriod) {
            const QString past = QStringLiteral("past period");
            const double w = fm.horizontalAdvance(past);
            p.setPen(PastColor);
            p.drawText(QPointF(right - w, baseline1), past);
            right -= w + 6;
            p.setPen(row.Enabled ? AxisText : DimText);
        }
        if (twoLines) {
            const QString line1 = details.value(0);
            const QString line2 = details.mid(1).join(QStringLiteral(" · "));
            p.drawText(QPointF(band.left() + nameWidth, baseline1),
                       fm.elidedText(line1, Qt::ElideRight, right - band.left() - nameWidth));
            p.drawText(
                QPointF(band.left() + nameWidth, baseline1 + fm.height()),
                fm.elidedText(line2, Qt::ElideRight, band.right() - band.left() - nameWidth));
        } else {
            p.drawText(QPointF(band.left() + nameWidth, baseline1),
                       fm.elidedText(details.join(QStringLiteral(" · ")), Qt::ElideRight,
                                     right - band.left() - nameWidth));
        }
    }
    p.setPen(GridColor);
    p.drawLine(QPointF(LabelWidth, 0), QPointF(LabelWidth, height()));
    p.setPen(AxisText);
    p.drawText(QPointF(6, AxisHeight - 9), QStringLiteral("Time from T0"));
}
