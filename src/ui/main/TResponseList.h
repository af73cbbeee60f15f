#pragma once

#include "comm/TerminalSink.h"

#include <QPlainTextEdit>

// The command terminal's log view: every line that goes over the wire, commands in
// black and replies in green, newest at the bottom; the oldest lines go once there are
// MaxLines of them. A plain-text log: one block per line, laid out on its own, so an
// appended line costs the same however full the view is.
class TResponseList : public QPlainTextEdit, public TerminalSink
{
    Q_OBJECT
public:
    explicit TResponseList(QWidget *parent = nullptr);

    // The view keeps the newest lines only (500 exchanges, far more than its few visible
    // lines): a panel left running for days sends a line a second or more, each line
    // held costs about 0.6 KiB, and the communication log, not this view, is the full
    // record.
    static constexpr int MaxLines = 1000;

    void AppendTerminalLine(const QString &line, uint32_t rgb) override;

    // The colour a line of the given 0xRRGGBB colour is shown in under this palette: the
    // colour itself on a light base; on a dark base, commands take the palette's text
    // colour and replies a light green, both readable there.
    static QColor DisplayColour(uint32_t rgb, const QPalette &palette);
};
