#include "ui/main/TResponseList.h"

#include <QScrollBar>
#include <QTextBlock>

TResponseList::TResponseList(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Appended lines are never undone; an undo record for each would grow for ever.
    document()->setUndoRedoEnabled(false);
    document()->setMaximumBlockCount(MaxLines);
    // The selection stays visible when the focus moves elsewhere.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

void TResponseList::AppendTerminalLine(const QString &line, uint32_t rgb)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // The line goes in as plain text: a reply may hold any characters at all.
    QString text = line;
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(QColor::fromRgb(QRgb(0xFF000000u | (rgb & 0xFFFFFFu))));
    cursor.insertText(text, format);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
