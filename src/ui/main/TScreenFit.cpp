#include "ui/main/TScreenFit.h"

#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

namespace {
// The smallest window the operator may shrink a scrolling window to.
constexpr QSize SmallestWindow(320, 240);

QMargins FrameMargins(const QWidget *window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}
} // namespace

TScreenFit::Placement TScreenFit::Place(QSize natural, QMargins frame, int scrollBar,
                                        const QRect &available)
{
    const QSize room = available.size().shrunkBy(frame);
    Placement p;
    p.Fits = natural.width() <= room.width() && natural.height() <= room.height();
    QSize size = natural;
    if (!p.Fits) {
        // Room permitting, a side that scrolls leaves the other side its scroll bar, so
        // that only one of them scrolls.
        const bool wide = natural.width() > room.width();
        const bool tall = natural.height() > room.height();
        size = (natural + QSize(tall ? scrollBar : 0, wide ? scrollBar : 0)).boundedTo(room);
        p.MaximumSize = natural + QSize(scrollBar, scrollBar);
        p.MinimumSize = SmallestWindow.boundedTo(size);
        size = size.expandedTo(p.MinimumSize);
    }
    p.Frame = QRect(QPoint(), size.grownBy(frame));
    p.Frame.moveCenter(available.center());
    // Too large for the area even so: the top-left corner stays on it.
    if (p.Frame.top() < available.top())
        p.Frame.moveTop(available.top());
    if (p.Frame.left() < available.left())
        p.Frame.moveLeft(available.left());
    p.Geometry = p.Frame.marginsRemoved(frame);
    return p;
}

TScreenFit::TScreenFit(QWidget *window, std::function<QSize()> natural,
                       std::function<void(bool)> setScrolls)
    : QObject(window), Window(window), Natural(std::move(natural)),
      SetScrolls(std::move(setScrolls))
{
    setObjectName(QStringLiteral("ScreenFit"));
    window->installEventFilter(this);
}

void TScreenFit::FitTo(const QRect &available)
{
    FMargins = FrameMargins(Window);
    const int scrollBar = Window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Window);
    const Placement p = Place(Natural(), FMargins, scrollBar, available);
    SetScrolls(!p.Fits);
    if (!p.Fits) {
        Window->setMinimumSize(p.MinimumSize);
        Window->setMaximumSize(p.MaximumSize);
        Window->resize(p.Geometry.size());
    }
    // The position of a window is the position of its frame.
    Window->move(p.Frame.topLeft());
}

void TScreenFit::FitToScreen()
{
    if (const QScreen *screen = Window->screen())
        FitTo(screen->availableGeometry());
}

bool TScreenFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Window) {
        if (event->type() == QEvent::Show && !FShown) {
            FShown = true;
            FitToScreen();
        } else if (event->type() == QEvent::Move && FShown && !FFramed &&
                   FrameMargins(Window) != FMargins) {
            // The window manager has framed the window after it was placed.
            FFramed = true;
            QTimer::singleShot(0, this, &TScreenFit::FitToScreen);
        }
    }
    return QObject::eventFilter(watched, event);
}
