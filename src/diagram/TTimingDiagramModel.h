#pragma once

#include "diagram/TTimeAxis.h"

#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>

class TChannelConfigs;
struct TSystemMirrors;

// One row of the diagram as the mirrors describe it, in seconds; no pixels yet.
struct TDiagramRow
{
    int Channel = 0;  // 0 for the T0 row
    QString Name;     // "T0", "Ch 7"
    QString Mode;     // "Normal", "Single Shot", "Burst 5", "Duty Cycle 3 on / 2 off"
    QStringList Tags; // short labels: sync source, gate mode, output; empty ones left out
    bool Enabled = true;
    bool Inverted = false;   // idle high, pulse low
    bool PastPeriod = false; // the pulse ends after the period
    double Delay = 0;        // seconds after T0
    double Width = 0;        // seconds

    double End() const { return Delay + Width; }
};

// What the diagram shows: the system line and one row per channel of the model.
struct TDiagramScene
{
    double Period = 0;       // seconds; 0 while unknown
    QString SystemMode;      // "Continuous", "Single Shot", "Burst", "Duty Cycle"
    QList<TDiagramRow> Rows; // T0 first, then channels 1 to the channel count

    // The times "fit" shows: from T0 to the period or the last pulse end, whichever is
    // later, with a small margin on both sides.
    double FitStart() const;
    double FitEnd() const;
    // The period or the last pulse end, whichever is later (a microsecond when neither
    // is known).
    double ContentEnd() const;
};

// A row laid out on the axis, in pixels.
struct TRowGeometry
{
    QRectF Band;          // the whole row across the plot
    double HighY = 0;     // level of a high output
    double LowY = 0;      // level of a low output
    double BaselineY = 0; // the idle level: LowY, or HighY when inverted
    // From the delay to the delay plus width between the two levels, cut to the plot;
    // null when none of the pulse is in view.
    QRectF Pulse;
    QRectF PastPeriod;  // the part of the pulse after the period (empty when none)
    QPolygonF Waveform; // idle level, the pulse, idle level again, across the plot
};

// Fixed proportions of the drawing, in pixels.
struct TDiagramMetrics
{
    double Top = 0;           // first row's top
    double RowHeight = 24;    // each row's height
    double LevelMargin = 4;   // from the band's edges to the high and low levels
    double MinPulseWidth = 1; // a pulse narrower than a pixel is still drawn
};

// Reads the mirrors: T0 with the period and pulse mode, then channels 1 to channelCount
// (limited to 1..36).
TDiagramScene BuildScene(const TSystemMirrors &mirrors, const TChannelConfigs &configs,
                         int channelCount);

// Places every row of the scene on the axis. Every position lies within the plot, so
// that a deep zoom never hands the painter a huge coordinate and a drawing needs no
// clipping.
QList<TRowGeometry> LayoutRows(const TDiagramScene &scene, const TTimeAxis &axis,
                               const TDiagramMetrics &metrics);

// The time at pixel x, drawn to the nearest pulse edge, T0 or period end within
// tolerance pixels, so that a measured interval is exactly the gap between two edges.
double SnapTime(const TDiagramScene &scene, const TTimeAxis &axis, double x, double tolerance);

// Short texts of the enumerated settings; "?" for an index outside the list.
QString SystemModeText(int mode);
QString ChannelModeText(int mode, int burstCount, int dutyOn, int dutyOff);
QString SyncSourceText(int index); // "" for Disabled
QString GateModeText(int index);   // "" for Disabled
QString OutputText(int outputMode, double amplitude);
