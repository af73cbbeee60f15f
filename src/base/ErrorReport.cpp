#include "base/ErrorReport.h"

#include <cstdio>

namespace {
ErrorReporter &currentReporter()
{
    static ErrorReporter reporter;
    return reporter;
}
} // namespace

void ReportError(const QString &text)
{
    if (currentReporter())
        currentReporter()(text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    ErrorReporter previous = std::move(currentReporter());
    currentReporter() = std::move(reporter);
    return previous;
}
