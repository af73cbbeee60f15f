#pragma once

// One of the two small arrow buttons of the digit-spin control: a bevelled push button
// with a triangle glyph. It never takes the keyboard focus; the control listens to its
// mouse presses and asks isDown() whether the pointer is still on it.

#include <QAbstractButton>
#include <QImage>

class TSpinArrowButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum TDirection
    {
        sdUp,
        sdDown
    };

    TSpinArrowButton(TDirection direction, QWidget *parent);

    TDirection Direction() const { return fDirection; }
    // Redraws the glyph for a button of the given width, black or gray.
    void SetGlyph(int buttonWidth, bool enabled);
    const QImage &Glyph() const { return fGlyph; }

    // g from the button width w: round(1.3 x w^0.75) - 2, at least 4, even.
    static int GlyphSize(int buttonWidth);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TDirection fDirection;
    QImage fGlyph;
};
