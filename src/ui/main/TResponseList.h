#pragma once

#include "comm/TerminalSink.h"

#include <QTextEdit>

// The command terminal's log view: every line that goes over the wire, commands in
// black and replies in green, newest at the bottom; the oldest lines go once there are
// MaxLines of them.
class TResponseList : public QTextEdit, public TerminalSink
{
    Q_OBJECT
public:
    explicit TResponseList(QWidget *parent = nullptr);

    // The view keeps the newest lines only: a panel left running for days sends a line a
    // second or more, and the communication log, not this view, is the full record.
    static constexpr int MaxLines = 2000;

    void AppendTerminalLine(const QString &line, uint32_t rgb) override;
};
