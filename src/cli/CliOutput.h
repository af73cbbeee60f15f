#pragma once

#include <QJsonValue>
#include <QString>

// Where the tool writes: results on standard output, errors on standard error, and a
// one-line progress display on standard error while it is a terminal (never into a
// pipe or a file, so that a script's logs stay clean).
class CliOutput
{
public:
    CliOutput();

    void Line(const QString &text);     // one line of results on standard output
    void Json(const QJsonValue &value); // the whole result, as JSON
    void Error(const QString &text);    // one line on standard error
    void Note(const QString &text);     // further lines on standard error, as they are

    // Replaces the progress line; nothing when standard error is not a terminal.
    void Progress(const QString &text);
    void EndProgress();

private:
    bool FProgressShown = false;
    bool FTerminal = false;
};
