#pragma once

#include "protocol/LoadOutcome.h"

#include <QStringList>

#include <functional>

class Communication;

// Sends a command script to the instrument, paced as the instrument needs it: each line
// that is not a comment (see CommandScript), in order, with Communication::CommandToPort,
// whose reply goes to the terminal and is otherwise ignored; then the window's pending
// events are processed, and again once the pause before the next line is over. Between
// two lines sent there are at least 30 ms besides the transaction's own 30 ms pause (the
// time the first events took counts towards them), and 30 ms before the first; a comment line sends nothing and adds no pause. An error reply
// does not stop the replay.
//
// The replay works on its own copy of the lines: the caller's list (the settings or
// calibration list) may be rebuilt by an initialization run from an event handler
// between two lines without changing what is replayed.
//
//     CommandScriptReplay replay(*Comm);
//     replay.OnProgress = [&](int done, int count) { ... };
//     replay.Run(lines);
//
// The object must outlive Run; as Run processes events, keep it where the program's end
// cannot destroy it (a member of the window, not a local of a handler that can be left).
class CommandScriptReplay
{
public:
    explicit CommandScriptReplay(Communication &comm);

    // Called after each line of the script, sent or skipped: done lines (1 to count) and
    // the number of lines. It may call Abandon.
    std::function<void(int done, int count)> OnProgress;

    // Replays the lines; returns the number of lines that left the port (comments not
    // counted, nor a line whose write failed or that a lost link kept back). Ends
    // early, before the next line, once Abandon was called, the serial port was
    // abandoned (the program is ending) or the link is gone (Communication::LinkGone;
    // the operator is then told how many lines were not sent).
    int Run(QStringList lines);

    // The replies to the lines of the latest Run that left the port, in order.
    const QList<TLineReply> &Replies() const { return FReplies; }

    // Stops a running replay before its next line; a later Run starts afresh.
    void Abandon() { FAbandoned = true; }
    bool Running() const { return FRunning; }

    static constexpr int LinePauseMs = 30;

    // "12 of the file's 28 command lines were sent."
    static QString SentText(int sent, const QStringList &lines);

private:
    bool Stopped() const;

    Communication &FComm;
    QList<TLineReply> FReplies;
    bool FRunning = false;
    bool FAbandoned = false;
};
