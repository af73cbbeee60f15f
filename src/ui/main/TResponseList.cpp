#include "ui/main/TResponseList.h"

#include <QScrollBar>
#include <QTextBlock>

TResponseList::TResponseList(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Appended lines are never undone; an undo record for each would grow for ever.
    setUndoRedoEnabled(false);
    setMaximumBlockCount(MaxLines);
    // The selection stays visible when the focus moves elsewhere.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

QColor TResponseList::DisplayColour(uint32_t rgb, const QPalette &palette)
{
    const QColor colour = QColor::fromRgb(QRgb(0xFF000000u | (rgb & 0xFFFFFFu)));
    const QColor base = palette.color(QPalette::Base);
    if (base.lightnessF() >= 0.5)
        return colour;
    if (rgb == CommandColor)
        return palette.color(QPalette::Text);
    // The same hue, lifted until it stands out from a dark base.
    return QColor::fromHslF(colour.hslHueF(), colour.hslSaturationF(), 0.7);
}

void TResponseList::AppendTerminalLine(const QString &line, uint32_t rgb)
{
    // The line goes in as plain text: a reply may hold any characters at all.
    QString text = line;
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QTextCharFormat format;
    format.setForeground(DisplayColour(rgb, palette()));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text, format);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
