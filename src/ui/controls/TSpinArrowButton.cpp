#include "ui/controls/TSpinArrowButton.h"

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

void TSpinArrowButton::SetGlyph(int buttonWidth, bool enabled)
{
    const int g = GlyphSize(buttonWidth);
    QImage image(g + 1, g / 2 + 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPolygon triangle;
    if (fDirection == sdUp)
        triangle << QPoint(0, g / 2) << QPoint(g / 2, 0) << QPoint(g, g / 2);
    else
        triangle << QPoint(0, 1) << QPoint(g / 2, g / 2 + 1) << QPoint(g, 1);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(enabled ? QColor(Qt::black) : QColor(128, 128, 128));
    p.drawPolygon(triangle);
    p.end();
    fGlyph = image;
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
