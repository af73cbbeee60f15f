#include "ui/controls/TSpinArrowButton.h"

#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

TSpinArrowButton::TSpinArrowButton(TDirection direction, QWidget *parent)
    : QAbstractButton(parent), fDirection(direction)
{
    setFocusPolicy(Qt::NoFocus);
}

int TSpinArrowButton::GlyphSize(int buttonWidth)
{
    int g = int(std::nearbyint(1.3 * std::pow(double(buttonWidth), 0.75))) - 2;
    g = std::max(g, 4);
    if (g % 2 != 0)
        --g;
    return g;
}

namespace {
QImage RenderGlyph(TSpinArrowButton::TDirection direction, int g, bool enabled)
{
    QImage image(g + 1, g / 2 + 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPolygon triangle;
    if (direction == TSpinArrowButton::sdUp)
        triangle << QPoint(0, g / 2) << QPoint(g / 2, 0) << QPoint(g, g / 2);
    else
        triangle << QPoint(0, 1) << QPoint(g / 2, g / 2 + 1) << QPoint(g, 1);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(enabled ? QColor(Qt::black) : QColor(128, 128, 128));
    p.drawPolygon(triangle);
    p.end();
    return image;
}
} // namespace

void TSpinArrowButton::SetGlyph(int buttonWidth, bool enabled)
{
    // Every field re-lays its buttons several times while it is set up, and a window holds
    // hundreds of fields with a handful of button widths: the glyphs are drawn once each.
    static QHash<int, QImage> Drawn;
    const int g = GlyphSize(buttonWidth);
    const int key = g * 4 + (fDirection == sdUp ? 2 : 0) + (enabled ? 1 : 0);
    auto it = Drawn.constFind(key);
    if (it == Drawn.cend())
        it = Drawn.insert(key, RenderGlyph(fDirection, g, enabled));
    fGlyph = *it;
    update();
}

void TSpinArrowButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    p.fillRect(rect(), palette().color(QPalette::Button));
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &p, this);
    const int shift = isDown() ? 1 : 0;
    const QPoint at((width() - fGlyph.width()) / 2 + shift,
                    (height() - fGlyph.height()) / 2 + shift);
    p.drawImage(at, fGlyph);
}
