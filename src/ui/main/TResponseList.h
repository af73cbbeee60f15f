#pragma once

#include "comm/TerminalSink.h"

#include <QTextEdit>

// The command terminal's log view: every line that goes over the wire, commands in
// black and replies in green, newest at the bottom.
class TResponseList : public QTextEdit, public TerminalSink
{
    Q_OBJECT
public:
    explicit TResponseList(QWidget *parent = nullptr);

    void AppendTerminalLine(const QString &line, uint32_t rgb) override;
};
