#pragma once

#include "diagram/TTimeAxis.h"
#include "diagram/TTimingDiagramModel.h"

#include <QWidget>
#include <optional>

// Paints the timing diagram: the time axis along the top, the label column on the left,
// then T0 and one row per channel. Wheel zooms around the pointer, dragging pans, a
// click sets a measuring marker (the first click A, the second B, the third starts
// again); markers snap to a nearby pulse edge.
class TTimingDiagramView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int AxisHeight = 26;
    static constexpr int LabelWidth = 250;
    static constexpr double MinRowHeight = 15;
    static constexpr double MaxRowHeight = 34;
    static constexpr double SnapDistance = 6; // pixels

    explicit TTimingDiagramView(QWidget *parent = nullptr);

    // A new scene from the mirrors: drawn at once. The first one (and any before the
    // operator zoomed or panned) fits the view to it.
    void SetScene(const TDiagramScene &scene);
    const TDiagramScene &Scene() const { return FScene; }

    void Fit();

    // The axis and the rows as they are painted at the widget's present size.
    TTimeAxis Axis() const;
    TDiagramMetrics Metrics() const;
    QList<TRowGeometry> Rows() const;

    std::optional<double> MarkerA() const { return FMarkerA; }
    std::optional<double> MarkerB() const { return FMarkerB; }
    std::optional<double> PointerTime() const { return FPointerTime; }

    // "t = 1.250 µs" for the pointer, "A = … B = … Δt = …" for the markers.
    QString PointerText() const;
    QString IntervalText() const;

signals:
    void ReadoutChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void UpdateAxisPixels();
    void Click(double x);

    TDiagramScene FScene;
    TTimeAxis FAxis;
    bool FUserView = false; // the operator zoomed or panned: keep the view on updates
    std::optional<double> FMarkerA;
    std::optional<double> FMarkerB;
    std::optional<double> FPointerTime;
    std::optional<QPointF> FPressAt;
    double FLastDragX = 0;
    bool FDragging = false;
};
