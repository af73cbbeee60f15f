#pragma once

// Small constructors for the window's fixed controls: each sets the name, the geometry
// and the font the window gives that kind of control, so the layout code reads as the
// list of what sits where.

#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/UiFont.h"

#include <QGroupBox>
#include <QStringList>

namespace FormBuilders {

constexpr int GroupCaptionPx = 13; // group captions inside the pages
constexpr int NumericPx = 15;      // numeric fields
constexpr int TabPx = 16;          // the tab controls and the "Channels" frame

// A group box with caption at x, y, w, h inside parent.
inline QGroupBox *Group(QWidget *parent, const char *name, const QString &caption, QRect r,
                        int fontPx = GroupCaptionPx)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(QLatin1String(name));
    g->setFont(UiFont(fontPx));
    g->setGeometry(r);
    return g;
}

// The rectangle of the one control inside a captioned group, clear of its caption.
inline QRect Inner(const QGroupBox *g, int height = 24)
{
    return QRect(7, g->height() - height - 6, g->width() - 14, height);
}

// A drop-down list; with no item selected unless selectFirst.
inline TComboBox *Combo(QWidget *parent, const char *name, QRect r, const QStringList &items,
                        bool selectFirst = false)
{
    auto *c = new TComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setCurrentIndex(selectFirst ? 0 : -1);
    c->setGeometry(r);
    return c;
}

// A numeric field: decimals, step, range, and "," thousands grouping when grouped.
inline TPlusSpinEdit *Numeric(QWidget *parent, const char *name, QRect r, int decimals, double step,
                              double min, double max, bool grouped = true)
{
    auto *e = new TPlusSpinEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setFont(UiFont(NumericPx));
    e->SetAutoSize(false);
    e->SetDecimals(decimals);
    e->SetMaxValue(max);
    e->SetMinValue(min);
    e->SetIncrement(step);
    e->SetThousandSeparator(grouped ? QChar(u',') : QChar());
    e->SetBorderStyle(TPlusSpinEdit::bsSingle);
    e->setGeometry(r);
    return e;
}

inline TCheckBox *Check(QWidget *parent, const char *name, const QString &caption, QRect r)
{
    auto *b = new TCheckBox(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(r);
    return b;
}

} // namespace FormBuilders
