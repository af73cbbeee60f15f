#pragma once

// A window of a fixed design on a screen that may be too small for it: a 751 by 788
// window scaled by 1.5 does not fit a 1080-line screen. Where the window's frame fits
// the screen's available area the window keeps its fixed size and is centred on the
// area; otherwise its content goes into a scroll area, the window may be resized down
// to the area and opens within it, the frame's top edge (and so the title bar and the
// menu bar) on the area.
//
// The window is placed when it is first shown, and once more when the window manager
// adds its frame afterwards: only then are the frame's margins known.

#include <QMargins>
#include <QObject>
#include <QRect>

#include <functional>

class QWidget;

class TScreenFit : public QObject
{
    Q_OBJECT
public:
    struct Placement
    {
        bool Fits = true;
        QRect Frame;       // the window with its frame
        QRect Geometry;    // the window without its frame
        QSize MinimumSize; // when it does not fit: the range of sizes the operator may give it
        QSize MaximumSize;
    };

    // natural: the window's fixed size without its frame. scrollBar: the width of a
    // scroll bar, which a shrunk side takes from the other side where there is room.
    static Placement Place(QSize natural, QMargins frame, int scrollBar, const QRect &available);

    // setScrolls(true) puts the window's content into a scroll area and lets the window
    // be resized; setScrolls(false) restores the fixed window.
    TScreenFit(QWidget *window, std::function<QSize()> natural,
               std::function<void(bool)> setScrolls);

    // Places the window within an available area; the first showing places it within
    // its screen's.
    void FitTo(const QRect &available);
    void FitToScreen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *Window;
    std::function<QSize()> Natural;
    std::function<void(bool)> SetScrolls;
    bool FShown = false;
    bool FFramed = false; // placed again once the frame's margins were known
    QMargins FMargins;    // the margins of the last placement
};
