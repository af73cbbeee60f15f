#pragma once

#include <QString>
#include <functional>

// The program's default error report. Errors that are not handled where they arise
// (a malformed number in a configuration reply, a value the digit-spin control cannot
// read, a file that cannot be written) end the operation and are shown here.
// Qt does not let exceptions cross its event handlers, so such errors are reported
// through this one function instead of being thrown through the event loop.
void ReportError(const QString &text);

// The application installs the message-box reporter at start; tests install one that
// records the texts. With none installed the text goes to standard error.
using ErrorReporter = std::function<void(const QString &text)>;
ErrorReporter SetErrorReporter(ErrorReporter reporter); // returns the previous one

// An error raised by the program's own conversions ("'x' is not a valid integer value").
// Thrown inside an operation and caught at the event-handler boundary, which reports it.
class EConvertError
{
public:
    explicit EConvertError(QString message) : Message(std::move(message)) {}
    QString Message;
};
