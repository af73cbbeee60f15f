#pragma once

#include <QFont>

// The window's type face at a pixel height. Tahoma where the workstation has it, else
// the nearest sans face present (a condensed one first: the fields were sized for Tahoma).
inline QFont UiFont(int pixelSize)
{
    QFont f;
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                   QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("Sans Serif")});
    f.setPixelSize(pixelSize);
    return f;
}
